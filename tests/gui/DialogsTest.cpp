// The small dialogs: answers, texts, check boxes and the input box's two modes.
#include "app/ui/InputDlg.h"
#include "app/ui/MessageDlg.h"
#include "app/ui/MsgCancelDlg.h"
#include "app/ui/MsgYesNoDlg.h"
#include "app/ui/TextDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace quillory;

namespace {

// Runs the dialog's modal loop and does action once it is up.
template <class D, class F> void whileShown(D& dialog, F action)
{
    QTimer::singleShot(0, &dialog, [&dialog, action]() mutable {
        QTest::qWaitFor([&] { return dialog.isVisible(); }, 5000);
        action();
    });
}

} // namespace

class MessageDlgAnswers : public ::testing::TestWithParam<Answer> {};

TEST_P(MessageDlgAnswers, EachButtonGivesItsAnswer)
{
    TMyMessageDlg d(nullptr, QString(), QStringLiteral("上書きしますか？"), QStringLiteral("変更確認"));
    whileShown(d, [&] { d.button(GetParam())->click(); });
    EXPECT_EQ(d.ask(), GetParam());
}

INSTANTIATE_TEST_SUITE_P(Buttons, MessageDlgAnswers,
                         ::testing::Values(Answer::All, Answer::Yes, Answer::No, Answer::Cancel),
                         [](const ::testing::TestParamInfo<Answer>& info) {
                             switch (info.param) {
                             case Answer::All: return std::string("All");
                             case Answer::Yes: return std::string("Yes");
                             case Answer::No: return std::string("No");
                             default: return std::string("Cancel");
                             }
                         });

TEST(MessageDlg, CaptionsAndEscapeMeansNo)
{
    TMyMessageDlg d(nullptr, QString(), QStringLiteral("text"), QStringLiteral("変更確認"));
    EXPECT_EQ(d.windowTitle(), QStringLiteral("変更確認"));
    EXPECT_EQ(d.button(Answer::All)->text(), QStringLiteral("全てはい"));
    EXPECT_EQ(d.button(Answer::All)->toolTip(), QStringLiteral("全てはい"));
    EXPECT_EQ(d.button(Answer::Yes)->text(), QStringLiteral("はい"));
    EXPECT_EQ(d.button(Answer::No)->text(), QStringLiteral("いいえ(&N)"));
    EXPECT_EQ(d.button(Answer::Cancel)->text(), QStringLiteral("キャンセル"));
    whileShown(d, [&] { QTest::keyClick(&d, Qt::Key_Escape); });
    EXPECT_EQ(d.ask(), Answer::No);
    // Without "いいえ" Escape cancels.
    TMyMessageDlg d2(nullptr, QString(), QStringLiteral("text"), QStringLiteral("t"));
    d2.setAnswers({Answer::Yes, Answer::Cancel});
    EXPECT_TRUE(d2.button(Answer::No)->isHidden());
    whileShown(d2, [&] { QTest::keyClick(&d2, Qt::Key_Escape); });
    EXPECT_EQ(d2.ask(), Answer::Cancel);
}

TEST(MessageDlg, ReadOnlyCheckBoxIsHandedBack)
{
    TMyMessageDlg d(nullptr, QString(), QStringLiteral("読み取り専用です"), QStringLiteral("t"));
    QCheckBox* box = d.findChild<QCheckBox*>();
    ASSERT_TRUE(box);
    EXPECT_FALSE(box->isVisibleTo(&d));
    d.showCheckBox(false);
    EXPECT_EQ(box->text(), QStringLiteral("読み取り専用も処理する"));
    whileShown(d, [&] {
        box->click();
        d.button(Answer::Yes)->click();
    });
    EXPECT_EQ(d.ask(), Answer::Yes);
    EXPECT_TRUE(d.checkBoxChecked());
}

TEST(MessageDlg, LongMessagesMakeItTallerShortOnesKeepTheMinimum)
{
    TMyMessageDlg one(nullptr, QString(), QStringLiteral("一行"), QStringLiteral("t"));
    QString many;
    for (int i = 0; i < 20; ++i)
        many += QStringLiteral("行 %1\n").arg(i);
    TMyMessageDlg tall(nullptr, QString(), many, QStringLiteral("t"));
    EXPECT_GE(one.height(), 150);
    EXPECT_LT(one.height(), 200);
    EXPECT_GT(tall.height(), one.height() + 100);
}

TEST(InputBox, QuestionModeHasOnlyOkAndTheCheckBox)
{
    std::unique_ptr<TInputBoxWidDlg> d(TInputBoxWidDlg::question(nullptr, QStringLiteral("Quillory"),
                                                                 QStringLiteral("管理者として実行して下さい。")));
    EXPECT_EQ(d->mode(), TInputBoxWidDlg::Mode::Question);
    EXPECT_EQ(d->size(), QSize(500, 200));
    EXPECT_EQ(d->checkBox()->text(), QStringLiteral("次回からこのメッセージを表示しない"));
    EXPECT_EQ(d->cancelButton(), nullptr);
    EXPECT_EQ(d->edit(), nullptr);
    whileShown(*d, [&] {
        d->checkBox()->click();
        d->okButton()->click();
    });
    EXPECT_EQ(d->exec(), QDialog::Accepted);
    EXPECT_TRUE(d->dontShowAgain());
}

TEST(InputBox, InputModeHandsBackTheTypedText)
{
    std::unique_ptr<TInputBoxWidDlg> d(
        TInputBoxWidDlg::input(nullptr, QStringLiteral("入力"), QStringLiteral("名前を入力"), QStringLiteral("既定")));
    EXPECT_EQ(d->mode(), TInputBoxWidDlg::Mode::Input);
    EXPECT_EQ(d->text(), QStringLiteral("既定"));
    bool focused = false;
    whileShown(*d, [&] {
        QTest::qWaitFor([&] { return QApplication::focusWidget() == d->edit(); }, 2000);
        focused = QApplication::focusWidget() == d->edit();
        d->edit()->setText(QStringLiteral("日本語の名前"));
        d->okButton()->click();
    });
    EXPECT_EQ(d->exec(), QDialog::Accepted);
    EXPECT_TRUE(focused);
    EXPECT_EQ(d->text(), QStringLiteral("日本語の名前"));
    std::unique_ptr<TInputBoxWidDlg> c(TInputBoxWidDlg::input(nullptr, QString(), QString(), QString()));
    whileShown(*c, [&] { c->cancelButton()->click(); });
    EXPECT_EQ(c->exec(), QDialog::Rejected);
}

TEST(InputDlg, ChoicesCaretAndWidth)
{
    TInputDlg d(nullptr, QStringLiteral("スピッツ"), 1, QStringLiteral("アーティスト"));
    EXPECT_EQ(d.windowTitle(), QStringLiteral("アーティスト"));
    EXPECT_EQ(d.text(), QStringLiteral("スピッツ"));
    EXPECT_EQ(d.comboBox()->lineEdit()->cursorPosition(), 0);
    EXPECT_EQ(d.comboBox()->maxVisibleItems(), 16);
    d.setChoices(QStringLiteral("スピッツ\r\nGLAY\r\n\r\n松任谷由実"));
    EXPECT_EQ(d.comboBox()->count(), 3);
    EXPECT_EQ(d.text(), QStringLiteral("スピッツ"));
    int narrow = d.width();
    EXPECT_EQ(d.comboBox()->width(), 300);
    QString longText(80, QChar(u'曲'));
    d.comboBox()->setEditText(longText);
    EXPECT_GT(d.comboBox()->width(), 300);
    EXPECT_GT(d.width(), narrow);
    // "?" is measured as the wide "＝".
    EXPECT_EQ(d.boxWidthFor(QString(40, QLatin1Char('?'))), d.boxWidthFor(QString(40, QChar(u'＝'))));
    whileShown(d, [&] { d.okButton()->click(); });
    EXPECT_EQ(d.exec(), QDialog::Accepted);
}

TEST(MsgCancelDlg, CancelRaisesTheFlagAndTheWorkEndsTheDialog)
{
    bool cancel = false;
    TMsgCancelDlg d(nullptr, &cancel);
    EXPECT_EQ(d.windowTitle(), QStringLiteral("ファイルのコピー"));
    d.setMessage(QStringLiteral("コピーしています。"));
    EXPECT_TRUE(d.shownLine().endsWith(QStringLiteral("コピーしています。")));
    EXPECT_TRUE(d.shownLine().startsWith(QStringLiteral("∴ ")) || d.shownLine().startsWith(QStringLiteral("∵ ")));
    bool sawOpenAfterCancel = false;
    int steps = 0;
    d.setWork([&] {
        d.progressBar()->setRange(0, 100);
        while (!cancel && steps < 100000) {
            ++steps;
            d.progressBar()->setValue(steps % 100);
            if (steps == 3)
                d.cancelButton()->click();
            QApplication::processEvents();
        }
        sawOpenAfterCancel = d.isVisible();
    });
    d.exec();
    EXPECT_TRUE(cancel);
    EXPECT_TRUE(sawOpenAfterCancel) << "the button only raises the flag";
    EXPECT_EQ(steps, 3);
    EXPECT_TRUE(d.workFinished());
    EXPECT_FALSE(d.isVisible());
}

TEST(MsgYesNoDlg, TypingTheNumberRewritesTheQuestion)
{
    TMsgYesNoDlg d(nullptr, QStringLiteral("Quillory"), TMsgYesNoDlg::TrackQuestion(QStringLiteral("1")));
    EXPECT_EQ(d.number(), QStringLiteral("1"));
    QTest::keyClick(d.numberBox(), Qt::Key_Backspace);
    QTest::keyClicks(d.numberBox(), QStringLiteral("1x2"));
    EXPECT_EQ(d.number(), QStringLiteral("12")) << "digits only";
    EXPECT_EQ(d.question(), QStringLiteral("選択したリストの順にトラック番号を 12 から設定します。\nよろしいですか？"));
    EXPECT_EQ(d.yesButton()->text(), QStringLiteral("はい"));
    EXPECT_EQ(d.noButton()->text(), QStringLiteral("いいえ"));
    whileShown(d, [&] { d.noButton()->click(); });
    EXPECT_EQ(d.exec(), QDialog::Rejected);
}

TEST(TextDlg, LoadingCountsAsAChangeAndSavingWritesUtf16)
{
    QTemporaryDir dir;
    TTextDlg d(nullptr);
    EXPECT_EQ(d.windowTitle(), QStringLiteral("TEXT"));
    EXPECT_EQ(d.saveAction()->statusTip(), QStringLiteral("ファイルに保存"));
    EXPECT_EQ(d.openAction()->text(), QStringLiteral("開く(&O)"));
    EXPECT_FALSE(d.okButton()->isVisibleTo(&d));
    d.showButtons(true);
    EXPECT_TRUE(d.okButton()->isVisibleTo(&d));
    d.setText(QStringLiteral("一行目"));
    EXPECT_FALSE(d.modified());
    QString sjis = dir.filePath(QStringLiteral("sjis.txt"));
    {
        QFile f(sjis);
        f.open(QIODevice::WriteOnly);
        f.write("\x83\x65\x83\x58\x83\x67\r\n\x82\xa0"); // テスト / あ in Shift-JIS
    }
    ASSERT_TRUE(d.loadFile(sjis));
    EXPECT_TRUE(d.modified());
    EXPECT_EQ(d.text(), QStringLiteral("テスト\nあ"));
    QString out = dir.filePath(QStringLiteral("out.txt"));
    ASSERT_TRUE(d.saveFile(out));
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QByteArray b = f.readAll();
    EXPECT_EQ(b, QByteArray("\xc6\x30\xb9\x30\xc8\x30\r\0\n\0\x42\x30", 12));
    // Enter belongs to the editor.
    TTextDlg e(nullptr, QStringLiteral("Tag v2 ジャンルリストの編集"));
    EXPECT_EQ(e.windowTitle(), QStringLiteral("Tag v2 ジャンルリストの編集"));
    QTest::keyClicks(e.editor(), QStringLiteral("a"));
    QTest::keyClick(e.editor(), Qt::Key_Return);
    QTest::keyClicks(e.editor(), QStringLiteral("b"));
    EXPECT_EQ(e.text(), QStringLiteral("a\nb"));
    EXPECT_TRUE(e.modified());
}

TEST(Dialogs, TextBoxesTakeJapaneseInput)
{
    TInputDlg input(nullptr, QString(), 3, QStringLiteral("ジャンル"));
    std::unique_ptr<TInputBoxWidDlg> box(TInputBoxWidDlg::input(nullptr, QString(), QString(), QString()));
    TTextDlg text(nullptr);
    TMsgYesNoDlg yesNo(nullptr, QString(), QString());
    QList<QWidget*> edits{input.comboBox()->lineEdit(), box->edit(), text.editor(), yesNo.numberBox()};
    for (QWidget* w : edits) {
        EXPECT_TRUE(w->testAttribute(Qt::WA_InputMethodEnabled)) << w->objectName().toStdString();
        EXPECT_FALSE(w->inputMethodHints() & Qt::ImhLatinOnly);
    }
}
