// Shows the main window on a folder and each small dialog on the display it is given
// (scripts/screenshot runs it under Xvfb) and saves a PNG of each.
//
// usage: quillory_screens OUTPUT_DIR MUSIC_DIR
#include "app/CloseQuery.h"
#include "app/HandOver.h"
#include "app/ui/InputDlg.h"
#include "app/ui/ListView.h"
#include "app/ui/MainWindow.h"
#include "app/EditorState.h"
#include "app/FieldEditing.h"
#include "app/ui/EditPanels.h"
#include "app/ui/GuiPrompt.h"
#include "app/ui/MessageDlg.h"
#include "app/ui/MsgCancelDlg.h"
#include "app/ui/MsgYesNoDlg.h"
#include "app/ui/TextDlg.h"
#include "gather/AddSources.h"

#include <QAction>
#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

using namespace quillory;

namespace {

QString g_out;

void settle(int ms = 300)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

// Xvfb has no window manager to draw title bars: the caption is drawn above the
// window's picture so that it can be read too.
QImage withTitleBar(const QImage& body, const QString& title)
{
    if (title.isEmpty())
        return body;
    QFont f = QApplication::font();
    f.setBold(true);
    QFontMetrics fm(f);
    const int bar = fm.height() + 10;
    QImage out(std::max(body.width(), fm.horizontalAdvance(title) + 20), body.height() + bar, QImage::Format_RGB32);
    out.fill(QColor(0x3C, 0x4A, 0x6A));
    QPainter p(&out);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(10, 0, out.width() - 20, bar), Qt::AlignVCenter | Qt::AlignLeft, title);
    p.drawImage(0, bar, body);
    return out;
}

void save(QWidget* w, const QString& name)
{
    w->show();
    w->raise();
    settle();
    QString path = g_out + QLatin1Char('/') + name + QStringLiteral(".png");
    QImage shot = w->grab().toImage();
    if (w->isWindow() && !qobject_cast<QMenu*>(w) && w->windowType() != Qt::ToolTip)
        shot = withTitleBar(shot, w->windowTitle());
    if (!shot.save(path))
        std::fprintf(stderr, "could not save %s\n", qPrintable(path));
    else
        std::printf("%s\n", qPrintable(path));
}

// A menu is a window of its own: grab it where it pops up.
void saveMenu(QMenu* m, const QPoint& at, const QString& name)
{
    m->popup(at);
    settle();
    save(m, name);
    m->hide();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: quillory_screens OUTPUT_DIR MUSIC_DIR\n");
        return 2;
    }
    g_out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(g_out);
    const QString music = QString::fromLocal8Bit(argv[2]);

    QTemporaryDir home;
    TDU3ZiruVozivDlg::StartOptions o;
    o.settingsPath = home.filePath(QStringLiteral("Quillory.ini"));
    o.folders = ComputeFolders(home.filePath(QStringLiteral("bin")), home.filePath(QStringLiteral("data")),
                               QStringLiteral("demo"));
    TDU3ZiruVozivDlg w(o);
    w.show();
    settle(500);

    // The busy dialog as it shows while files are added.
    {
        bool cancel = false;
        TMsgCancelDlg busy(&w, &cancel);
        busy.setWindowTitle(kAddFilesTitle);
        busy.setMessage(kGatherMessage);
        busy.progressBar()->setRange(0, 100);
        busy.progressBar()->setValue(40);
        save(&busy, QStringLiteral("dialog-busy-add-files"));
    }

    bool fetched = false;
    QObject::connect(&w, &TDU3ZiruVozivDlg::fetchFinished, &w, [&] { fetched = true; });
    w.GatherPaths(music);
    QElapsedTimer t;
    t.start();
    while (!fetched && t.elapsed() < 30000)
        settle(50);
    w.selectRows({0});
    settle(600);
    save(&w, QStringLiteral("main-window"));

    // With the tool bar and the comment box, and rows edited.
    w.action(Cmd::ShowToolBar)->trigger();
    w.action(Cmd::ShowCommentTagBox)->trigger();
    if (w.rowStore().count() > 2) {
        w.rowStore().row(1).sub[ColChangedV2] = QStringLiteral("16384");
        w.rowStore().row(1).image = kImageEdited;
    }
    w.listView()->viewport()->update();
    save(&w, QStringLiteral("main-window-toolbar-comment"));

    // Rows edited through the artist box: three rows marked, the v2 write button on.
    if (w.rowStore().count() > 3) {
        w.selectRows({0, 1, 2});
        settle(100);
        QWidget* artist = w.editPanels()->widget(EditBox::V2Artist);
        artist->setFocus(Qt::OtherFocusReason);
        if (!artist->hasFocus()) {
            QFocusEvent in(QEvent::FocusIn, Qt::OtherFocusReason);
            QApplication::sendEvent(artist, &in);
        }
        if (auto* c = qobject_cast<QComboBox*>(artist)) {
            c->lineEdit()->selectAll();
            c->lineEdit()->insert(QStringLiteral("Beyoncé"));
        }
        w.listView()->setFocus(Qt::OtherFocusReason);
        settle(200);
        save(&w, QStringLiteral("main-window-edited-rows"));
    }
    // The "その他" panel over the main tag box.
    w.SpeedButton12Click();
    settle(100);
    save(&w, QStringLiteral("main-window-extra-panel"));
    w.SpeedButton12Click();
    // The confirmation of an edit that spreads over other artists, as the window asks it.
    {
        GuiPrompt gp(&w);
        Question q;
        q.title = kConfirmTitle;
        q.text = ConfirmQuestionText(true, QStringLiteral("2"), QStringLiteral("スピッツ"),
                                     QStringLiteral("森山直太朗"),
                                     ConfirmQuestionTail(ColAlbum, QStringLiteral("ベスト")));
        q.buttons = {Answer::All, Answer::Yes, Answer::No, Answer::Cancel};
        QTimer::singleShot(400, &w, [] {
            if (QWidget* m = QApplication::activeModalWidget()) {
                save(m, QStringLiteral("dialog-edit-confirmation"));
                m->close();
            }
        });
        gp.Ask(q);
    }

    w.PopupMenu1Popup();
    saveMenu(w.popupMenu(), w.mapToGlobal(QPoint(200, 150)), QStringLiteral("menu-list-popup"));
    for (QAction* a : w.menuBar()->actions()) {
        if (QMenu* m = a->menu())
            saveMenu(m, w.mapToGlobal(QPoint(10, 30)), QStringLiteral("menu-") + QString::number(w.menuBar()->actions().indexOf(a)));
    }

    {
        TMyMessageDlg d(&w, QString(), QStringLiteral("「桜.mp3」は読み取り専用です。\n上書きしますか？"),
                        QStringLiteral("変更確認"));
        d.showCheckBox(false);
        save(&d, QStringLiteral("dialog-message"));
    }
    {
        TInputDlg d(&w, QStringLiteral("スピッツ"), 1, QStringLiteral("アーティスト"));
        d.setChoices(QStringLiteral("スピッツ\n森山直太朗\n美空ひばり\nドビュッシー"));
        save(&d, QStringLiteral("dialog-input"));
    }
    {
        std::unique_ptr<TInputBoxWidDlg> d(TInputBoxWidDlg::question(
            &w, kApplicationTitle,
            QStringLiteral("管理者として実行して下さい。\nこのまま実行した場合、環境設定やファイル等の操作を\n正しく行うことが出来ない場合が有ります。")));
        save(d.get(), QStringLiteral("dialog-inputbox-question"));
    }
    {
        std::unique_ptr<TInputBoxWidDlg> d(TInputBoxWidDlg::input(&w, QStringLiteral("入力"),
                                                                  QStringLiteral("フォルダ名を入力して下さい"),
                                                                  QStringLiteral("新しいフォルダ")));
        save(d.get(), QStringLiteral("dialog-inputbox-input"));
    }
    {
        bool cancel = false;
        TMsgCancelDlg d(&w, &cancel);
        d.setMessage(QStringLiteral("ファイルをコピーしています。"));
        d.progressBar()->setValue(60);
        save(&d, QStringLiteral("dialog-progress-cancel"));
    }
    {
        TMsgYesNoDlg d(&w, kApplicationTitle, TMsgYesNoDlg::TrackQuestion(QStringLiteral("1")));
        save(&d, QStringLiteral("dialog-yes-no-number"));
    }
    {
        TTextDlg d(&w, QStringLiteral("Tag v2 ジャンルリストの編集"));
        d.setText(QStringLiteral("アニソン\nボカロ\nJ-POP\n演歌（日本）"));
        d.showButtons(true);
        save(&d, QStringLiteral("dialog-text-genre-list"));
    }
    {
        QMessageBox box(QMessageBox::Question, CloseQueryCaption(kApplicationTitle), CloseQueryText(3),
                        QMessageBox::Yes | QMessageBox::No, &w);
        box.button(QMessageBox::Yes)->setText(QStringLiteral("はい(&Y)"));
        box.button(QMessageBox::No)->setText(QStringLiteral("いいえ(&N)"));
        save(&box, QStringLiteral("dialog-close-query"));
    }
    {
        QMessageBox box(QMessageBox::Information, kApplicationTitle, AlreadyRunningMessage(kApplicationTitle),
                        QMessageBox::Ok, &w);
        save(&box, QStringLiteral("dialog-already-running"));
    }
    {
        CellHint hint(&w);
        hint.showOver(QRect(w.mapToGlobal(QPoint(100, 100)), QSize(10, 10)),
                      QStringLiteral("とても長いタイトルが列に入りきらないときの全文表示"), w.listView()->font());
        save(&hint, QStringLiteral("cell-hint"));
    }
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top != &w)
            top->hide();
    // Nothing is to be written: the close must not ask.
    for (int i = 0; i < w.rowStore().count(); ++i) {
        w.rowStore().row(i).sub[ColChangedV2] = QStringLiteral("0");
        w.rowStore().row(i).sub[ColChangedV1] = QStringLiteral("0");
    }
    w.close();
    return 0;
}
