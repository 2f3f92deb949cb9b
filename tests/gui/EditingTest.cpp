// Editing in the real main window: the edit boxes over the selection, the
// confirmation across artists, the ID3v1/ID3v2 view switch, the write buttons' run
// (read-only files, "中止", "Stamp"), the tag copy between the two tags, the input
// box and the in-place editor, the current column, the multi-line editors and the
// artist list.
#include "GuiTestSupport.h"

#include "app/EditorState.h"
#include "app/FieldEditing.h"
#include "app/DataFiles.h"
#include "app/ui/CellEditor.h"
#include "app/ui/EditPanels.h"
#include "app/ui/ListView.h"
#include "app/ui/TextDlg.h"
#include "app/ui/TextEditorLauncher.h"
#include "media/Genres.h"
#include "media/TagCopy.h"
#include "tags/Loader.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QAction>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace quillory;
using namespace quillory::test;

namespace {

// The file's fields as a fresh load reads them (v2 side shown).
ListRow readBack(const QString& path)
{
    RowStore s;
    TagOptions o;
    GenreTable g;
    TagLoader loader(o, &g);
    s.AddPlaceholderRow(path, QFileInfo(path).fileName(), false);
    loader.LoadRow(s, 0, path, false, true, true);
    return s.row(0);
}

struct Song {
    QString title;
    QString artist;
};

class Editing : public ::testing::Test {
protected:
    void open(const std::vector<Song>& songs)
    {
        for (std::size_t i = 0; i < songs.size(); ++i) {
            QString p = lib_.filePath(QStringLiteral("f%1.mp3").arg(i));
            writeMp3(p, songs[i].title, songs[i].artist, QStringLiteral("v1title%1").arg(i));
            paths_ << p;
        }
        h_ = std::make_unique<WindowHarness>(QStringList{lib_.path()});
        h_->showAndSettle();
        ASSERT_TRUE(waitUntil([&] { return win().gatheringsRun() == 1; }));
        ASSERT_TRUE(h_->waitForFetch());
        ASSERT_EQ(store().count(), int(songs.size()));
        win().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&win()));
    }

    TDU3ZiruVozivDlg& win() { return h_->window(); }
    RowStore& store() { return win().rowStore(); }
    RecordingPrompt& prompt() { return h_->prompt(); }
    QWidget* box(EditBox b) { return win().editPanels()->widget(b); }

    // Focus into the box, then the whole text replaced at once (as a paste).
    void paste(EditBox b, const QString& text)
    {
        QWidget* w = box(b);
        ASSERT_NE(w, nullptr);
        ASSERT_TRUE(w->isEnabled());
        w->setFocus(Qt::OtherFocusReason);
        ASSERT_TRUE(w->hasFocus());
        if (auto* e = qobject_cast<QLineEdit*>(w)) {
            e->selectAll();
            e->insert(text);
        } else if (auto* c = qobject_cast<QComboBox*>(w)) {
            c->lineEdit()->selectAll();
            c->lineEdit()->insert(text);
        } else if (auto* m = qobject_cast<QPlainTextEdit*>(w)) {
            m->selectAll();
            m->insertPlainText(text);
        }
    }
    // Typing key by key into an empty box.
    void type(EditBox b, const QString& text)
    {
        QWidget* w = box(b);
        w->setFocus(Qt::OtherFocusReason);
        ASSERT_TRUE(w->hasFocus());
        QWidget* target = w;
        if (auto* c = qobject_cast<QComboBox*>(w))
            target = c->lineEdit();
        if (auto* e = qobject_cast<QLineEdit*>(target))
            e->clear();
        // Key events carrying their text, so that letters outside ASCII are typed too.
        for (QChar ch : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
            QApplication::sendEvent(target, &press);
            QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(ch));
            QApplication::sendEvent(target, &release);
        }
    }
    void leaveBoxes() { win().listView()->setFocus(Qt::OtherFocusReason); }

    bool v2Changed(int i) { return store().row(i).sub[ColChangedV2] != QLatin1String("0"); }

    QTemporaryDir lib_;
    QStringList paths_;
    std::unique_ptr<WindowHarness> h_;
};

} // namespace

TEST_F(Editing, ArtistTypedWithThreeRowsSelectedChangesAllThreeAndEnablesTheV2Buttons)
{
    open({{QStringLiteral("曲1"), QStringLiteral("歌手")}, {QStringLiteral("曲2"), QStringLiteral("歌手")},
          {QStringLiteral("曲3"), QStringLiteral("歌手")}, {QStringLiteral("曲4"), QStringLiteral("歌手")}});
    EXPECT_FALSE(win().writeButton(2)->isEnabled());
    win().selectRows({0, 1, 2});
    type(EditBox::V2Artist, QStringLiteral("Beyoncé"));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(store().row(i).sub[ColArtist], QStringLiteral("Beyoncé")) << i;
        EXPECT_EQ(store().row(i).image, kImageEdited) << i;
        EXPECT_TRUE(v2Changed(i)) << i;
    }
    EXPECT_EQ(store().row(3).sub[ColArtist], QStringLiteral("歌手"));
    EXPECT_FALSE(v2Changed(3));
    EXPECT_TRUE(win().writeButton(2)->isEnabled());
    EXPECT_FALSE(win().writeButton(1)->isEnabled());
}

TEST_F(Editing, TitleTrackAndLyricsApplyOnlyWithExactlyOneRowSelected)
{
    open({{QStringLiteral("曲1"), QStringLiteral("歌手")}, {QStringLiteral("曲2"), QStringLiteral("歌手")}});
    struct Case {
        EditBox box;
        int column;
        QString text;
    } cases[] = {{EditBox::V2Title, ColTitle, QStringLiteral("新しい題")},
                 {EditBox::V2Track, ColTrack, QStringLiteral("7")},
                 {EditBox::Lyrics, ColLyrics, QStringLiteral("歌詞\r\n二行目")}};
    win().SpeedButton12Click(); // the lyrics box is on "その他"
    for (const Case& c : cases) {
        win().selectRows({0, 1});
        paste(c.box, c.text);
        EXPECT_NE(store().row(0).sub[std::size_t(c.column)], c.text) << int(c.box);
        EXPECT_NE(store().row(1).sub[std::size_t(c.column)], c.text) << int(c.box);
        leaveBoxes();
        win().selectRows({1});
        paste(c.box, c.text);
        EXPECT_EQ(store().row(1).sub[std::size_t(c.column)].remove(QLatin1Char('\r')),
                  QString(c.text).remove(QLatin1Char('\r')))
            << int(c.box);
        EXPECT_NE(store().row(0).sub[std::size_t(c.column)], c.text) << int(c.box);
        leaveBoxes();
    }
}

TEST_F(Editing, TheV1BoxesKeepOnlyWhatTheirFieldsHold)
{
    open({{QStringLiteral("曲1"), QStringLiteral("歌手")}});
    win().IDTagChkBoxMouseDown(1);
    ASSERT_EQ(store().side(), PrimarySide::V1);
    win().selectRows({0});
    paste(EditBox::V1Track, QStringLiteral("999"));
    EXPECT_EQ(qobject_cast<QLineEdit*>(box(EditBox::V1Track))->text(), QStringLiteral("255"));
    EXPECT_EQ(store().row(0).sub[ColTrack], QStringLiteral("255"));
    // 16 double-byte characters are 32 Shift-JIS bytes: the box keeps 15.
    paste(EditBox::V1Album, QString(16, QChar(0x3042)));
    EXPECT_EQ(store().row(0).sub[ColAlbum], QString(15, QChar(0x3042)));
}

TEST_F(Editing, ConfirmationAcrossArtistsFollowsEachAnswer)
{
    struct Case {
        Answer answer;
        bool secondChanged;
        bool thirdChanged;
    } cases[] = {
        {Answer::Yes, true, false},  // the third row has yet another artist: asked again, refused by default
        {Answer::All, true, true},
        {Answer::No, false, false},  // then the third row is asked and refused too
        {Answer::Cancel, false, false},
    };
    open({{QStringLiteral("曲1"), QStringLiteral("歌手A")}, {QStringLiteral("曲2"), QStringLiteral("歌手B")},
          {QStringLiteral("曲3"), QStringLiteral("歌手C")}});
    win().settings().listCheck = true;
    int n = 0;
    for (const Case& c : cases) {
        const QString album = QStringLiteral("アルバム%1").arg(++n);
        prompt().questions.clear();
        prompt().answers = {c.answer, Answer::No};
        win().selectRows({0, 1, 2});
        paste(EditBox::V2Album, album);
        ASSERT_FALSE(prompt().questions.isEmpty());
        EXPECT_EQ(prompt().questions.front().title, kConfirmTitle);
        EXPECT_TRUE(prompt().questions.front().text.contains(QStringLiteral("他のアーティストも変更の対象になっています。")));
        EXPECT_EQ(store().row(0).sub[ColAlbum], album);
        EXPECT_EQ(store().row(1).sub[ColAlbum] == album, c.secondChanged) << int(c.answer);
        EXPECT_EQ(store().row(2).sub[ColAlbum] == album, c.thirdChanged) << int(c.answer);
        if (c.answer == Answer::Cancel) {
            // The boxes show the first row again.
            EXPECT_EQ(qobject_cast<QLineEdit*>(box(EditBox::V2Album))->text(), store().row(0).sub[ColAlbum]);
        }
        leaveBoxes();
    }
}

TEST_F(Editing, TheV1ViewSwitchPressedTwiceSwapsOnce)
{
    open({{QStringLiteral("曲1"), QStringLiteral("歌手")}});
    const QString v2Title = store().row(0).sub[ColTitle];
    QCheckBox* v1 = win().tagViewBox(1);
    QCheckBox* v2 = win().tagViewBox(2);
    QTest::mousePress(v1, Qt::LeftButton);
    QTest::mouseRelease(v1, Qt::LeftButton);
    EXPECT_EQ(store().side(), PrimarySide::V1);
    EXPECT_EQ(store().row(0).sub[ColTitle], QStringLiteral("v1title0"));
    EXPECT_EQ(store().row(0).sub[ColTitleV1], v2Title);
    EXPECT_TRUE(v1->isChecked());
    EXPECT_FALSE(v2->isChecked());
    // A press on the checked box changes nothing.
    QTest::mousePress(v1, Qt::LeftButton);
    QTest::mouseRelease(v1, Qt::LeftButton);
    EXPECT_EQ(store().side(), PrimarySide::V1);
    EXPECT_EQ(store().row(0).sub[ColTitle], QStringLiteral("v1title0"));
    EXPECT_TRUE(v1->isChecked());
    EXPECT_TRUE(box(EditBox::V1Title)->isEnabled());
    EXPECT_FALSE(box(EditBox::V2Title)->isEnabled());
    // Back through the compact layout's button.
    win().SpeedButton8Click();
    EXPECT_EQ(store().side(), PrimarySide::V2);
    EXPECT_EQ(store().row(0).sub[ColTitle], v2Title);
}

TEST_F(Editing, TheV2WriteButtonWritesTheChangedRowsAndClearsTheirMarks)
{
    open({{QStringLiteral("曲1"), QStringLiteral("歌手")}, {QStringLiteral("曲2"), QStringLiteral("歌手")},
          {QStringLiteral("曲3"), QStringLiteral("歌手")}});
    const QByteArray untouched = [&] {
        QFile f(paths_[2]);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    win().selectRows({0, 1});
    paste(EditBox::V2Artist, QStringLiteral("Beyoncé 🎤"));
    leaveBoxes();
    QTest::mouseClick(win().writeButton(2), Qt::LeftButton);
    for (int i = 0; i < 2; ++i) {
        EXPECT_FALSE(v2Changed(i)) << i;
        EXPECT_NE(store().row(i).image, kImageEdited) << i;
        EXPECT_EQ(readBack(paths_[i]).sub[ColArtist], QStringLiteral("Beyoncé 🎤")) << i;
    }
    QFile f(paths_[2]);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), untouched);
    EXPECT_FALSE(win().writeButton(2)->isEnabled());
    EXPECT_FALSE(win().cancelSwitch()->isVisible());
}

TEST_F(Editing, AReadOnlyFileFollowsTheAnswerToTheWriteQuestion)
{
    struct Case {
        Answer answer;
        bool check;
        bool readOnlyWritten;
        bool laterRowWritten;
    } cases[] = {
        {Answer::Yes, true, true, true},
        {Answer::Yes, false, false, true},
        {Answer::No, false, false, true},
        {Answer::Cancel, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.answer) * 10 + c.check);
        lib_.remove();
        ASSERT_TRUE(QDir().mkpath(lib_.path()));
        paths_.clear();
        h_.reset();
        open({{QStringLiteral("曲1"), QStringLiteral("歌手")}, {QStringLiteral("曲2"), QStringLiteral("歌手")}});
        ::chmod(QFile::encodeName(paths_[0]).constData(), 0444);
        win().selectRows({0, 1});
        paste(EditBox::V2Album, QStringLiteral("盤"));
        leaveBoxes();
        // The prompt ticks "読み取り専用も処理する" when the case says so.
        struct TickingPrompt : RecordingPrompt {
            bool tick = false;
            Answer Ask(Question& q) override
            {
                q.checkBoxChecked = tick;
                return RecordingPrompt::Ask(q);
            }
        } p;
        p.tick = c.check;
        p.answers = {c.answer};
        win().setPrompt(&p);
        win().WriteButtonClick(2);
        win().setPrompt(&prompt());
        ASSERT_EQ(p.questions.size(), 1);
        EXPECT_EQ(p.questions[0].title, QStringLiteral("ファイルの書き出し"));
        EXPECT_EQ(readBack(paths_[0]).sub[ColAlbum] == QStringLiteral("盤"), c.readOnlyWritten);
        EXPECT_EQ(readBack(paths_[1]).sub[ColAlbum] == QStringLiteral("盤"), c.laterRowWritten);
        EXPECT_EQ(v2Changed(0), !c.readOnlyWritten);
        // A lifted permission is put back.
        EXPECT_FALSE(QFile::permissions(paths_[0]) & QFileDevice::WriteOwner);
        ::chmod(QFile::encodeName(paths_[0]).constData(), 0644);
        prompt().answers = {Answer::Yes};
    }
}

TEST_F(Editing, CancelInTheMiddleOfAWriteRunLeavesTheRestPending)
{
    open({{QStringLiteral("曲1"), QStringLiteral("歌手")}, {QStringLiteral("曲2"), QStringLiteral("歌手")},
          {QStringLiteral("曲3"), QStringLiteral("歌手")}});
    win().selectRows({0, 1, 2});
    paste(EditBox::V2Album, QStringLiteral("盤"));
    leaveBoxes();
    int seen = 0;
    win().onRowWritten = [&](int) {
        if (++seen == 1) {
            EXPECT_TRUE(win().cancelSwitch()->isVisible());
            QTest::mouseClick(win().cancelSwitch(), Qt::LeftButton);
        }
    };
    win().WriteButtonClick(2);
    win().onRowWritten = nullptr;
    EXPECT_EQ(readBack(paths_[0]).sub[ColAlbum], QStringLiteral("盤"));
    EXPECT_NE(readBack(paths_[2]).sub[ColAlbum], QStringLiteral("盤"));
    EXPECT_FALSE(v2Changed(0));
    EXPECT_TRUE(v2Changed(2));
    EXPECT_TRUE(win().writeButton(2)->isEnabled());
    EXPECT_FALSE(win().cancelSwitch()->isChecked());
}

TEST_F(Editing, StampDecidesWhetherTheFileKeepsItsTime)
{
    open({{QStringLiteral("曲1"), QStringLiteral("歌手")}, {QStringLiteral("曲2"), QStringLiteral("歌手")}});
    const QDateTime old = QDateTime::fromString(QStringLiteral("2001-02-03T04:05:06"), Qt::ISODate);
    for (const QString& p : paths_) {
        QFile f(p);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(old, QFileDevice::FileModificationTime));
    }
    auto* stamp = win().findChild<QCheckBox*>(QStringLiteral("TimeStampChkBox"));
    ASSERT_NE(stamp, nullptr);
    for (bool on : {false, true}) {
        const int row = on ? 1 : 0;
        stamp->setChecked(on);
        win().selectRows({row});
        paste(EditBox::V2Year, QStringLiteral("1999"));
        leaveBoxes();
        win().WriteButtonClick(2);
        EXPECT_EQ(readBack(paths_[row]).sub[ColYear], QStringLiteral("1999"));
        const QDateTime t = QFileInfo(paths_[row]).lastModified();
        if (on)
            EXPECT_GT(t.toSecsSinceEpoch(), old.addYears(10).toSecsSinceEpoch());
        else
            EXPECT_EQ(t.toSecsSinceEpoch(), old.toSecsSinceEpoch());
    }
}

TEST_F(Editing, TagCopyFillsTheOtherTagWithMarkersAndCutWidths)
{
    const QString longTitle = QString(20, QChar(0x3042)); // 40 Shift-JIS bytes
    open({{longTitle, QStringLiteral("歌手")}, {QStringLiteral("曲2"), QStringLiteral("歌手")}});
    auto* empty = win().findChild<QCheckBox*>(QStringLiteral("EmptyChkBox"));
    ASSERT_NE(empty, nullptr);
    win().selectRows({0, 1});
    // "Empty" on: the v1 titles are filled already, the v1 artists are empty.
    empty->setChecked(true);
    win().ID3TagCopySpBtnClick(1);
    EXPECT_EQ(store().row(0).sub[ColTitleV1], QStringLiteral("v1title0"));
    EXPECT_EQ(store().row(0).sub[ColArtistV1], QStringLiteral("歌手"));
    EXPECT_EQ(store().row(0).sub[ColTagKindV1].right(3), kCopiedFromV2);
    EXPECT_NE(store().row(0).sub[ColChangedV1], QStringLiteral("0"));
    EXPECT_TRUE(win().writeButton(1)->isEnabled());
    // "Empty" off: the titles too, cut to 30 bytes.
    empty->setChecked(false);
    win().ID3TagCopySpBtnClick(1);
    EXPECT_EQ(store().row(0).sub[ColTitleV1], QString(15, QChar(0x3042)));
    EXPECT_EQ(store().row(1).sub[ColTitleV1], QStringLiteral("曲2"));
    // And back: v1 -> v2 marks the v2 side.
    win().selectRows({1});
    win().ID3TagCopySpBtnClick(2);
    EXPECT_TRUE(store().row(1).sub[ColTagKind].endsWith(kCopiedFromV1));
    EXPECT_EQ(store().row(1).sub[ColTitle], QStringLiteral("曲2"));
}

TEST_F(Editing, ClosingWithUnsavedEditsAsksAndNoKeepsTheWindow)
{
    open({{QStringLiteral("曲1"), QStringLiteral("歌手")}});
    win().selectRows({0});
    paste(EditBox::V2Album, QStringLiteral("盤"));
    leaveBoxes();
    prompt().questions.clear();
    prompt().answers = {Answer::No};
    EXPECT_FALSE(h_->close());
    EXPECT_TRUE(win().isVisible());
    ASSERT_EQ(prompt().questions.size(), 1);
}

// Driven by tests/interop/test_edit_window.py: edits the files of QUILLORY_EDIT_DIR
// through the window and writes them, for mutagen to read back.
TEST(EditWindowEndToEnd, EditsTheFolderThroughTheWindowAndWrites)
{
    const QString dir = qEnvironmentVariable("QUILLORY_EDIT_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "run by tests/interop/test_edit_window.py";
    WindowHarness h({dir});
    h.showAndSettle();
    TDU3ZiruVozivDlg& w = h.window();
    ASSERT_TRUE(waitUntil([&] { return w.gatheringsRun() == 1; }));
    ASSERT_TRUE(h.waitForFetch());
    ASSERT_GE(w.rowStore().count(), 2);
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    auto pasteInto = [&](EditBox b, const QString& text) {
        QWidget* box = w.editPanels()->widget(b);
        box->setFocus(Qt::OtherFocusReason);
        QLineEdit* e = qobject_cast<QLineEdit*>(box);
        if (auto* c = qobject_cast<QComboBox*>(box))
            e = c->lineEdit();
        ASSERT_NE(e, nullptr);
        e->selectAll();
        e->insert(text);
        w.listView()->setFocus(Qt::OtherFocusReason);
    };
    std::vector<int> all;
    for (int i = 0; i < w.rowStore().count(); ++i)
        all.push_back(i);
    w.selectRows(all);
    pasteInto(EditBox::V2Artist, QStringLiteral("Beyoncé 🎤"));
    pasteInto(EditBox::V2Album, QStringLiteral("窓から"));
    w.selectRows({0});
    pasteInto(EditBox::V2Title, QStringLiteral("新しい題"));
    ASSERT_TRUE(w.writeButton(2)->isEnabled());
    QTest::mouseClick(w.writeButton(2), Qt::LeftButton);
    EXPECT_FALSE(w.writeButton(2)->isEnabled());
    // Then the v2 fields over to ID3v1 and that tag written too.
    w.selectRows(all);
    w.findChild<QCheckBox*>(QStringLiteral("EmptyChkBox"))->setChecked(false);
    w.ID3TagCopySpBtnClick(1);
    ASSERT_TRUE(w.writeButton(1)->isEnabled());
    QTest::mouseClick(w.writeButton(1), Qt::LeftButton);
    for (int i = 0; i < w.rowStore().count(); ++i)
        EXPECT_FALSE(w.rowStore().row(i).isEdited()) << i;
}

TEST_F(Editing, TheInputBoxCommitsOverTheSelectionAndCancelChangesNothing)
{
    open({{QStringLiteral("曲1"), QStringLiteral("歌手")}, {QStringLiteral("曲2"), QStringLiteral("歌手")}});
    win().selectRows({0, 1});
    win().editorState().currentColumn = ColAlbum;
    std::optional<QString> reply;
    QString shown;
    win().answerInputBox = [&](int field, const QString& text) {
        EXPECT_EQ(field, int(ColAlbum));
        shown = text;
        return reply;
    };
    const QString before = store().row(0).sub[ColAlbum];
    reply.reset(); // Cancel
    win().OpenInputBox(0);
    EXPECT_EQ(shown, before);
    EXPECT_FALSE(v2Changed(0));
    EXPECT_FALSE(win().writeButton(2)->isEnabled());
    reply = QStringLiteral("入力の盤");
    win().OpenInputBox(0);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(store().row(i).sub[ColAlbum], QStringLiteral("入力の盤")) << i;
        EXPECT_TRUE(v2Changed(i)) << i;
    }
    EXPECT_TRUE(win().writeButton(2)->isEnabled());
    win().answerInputBox = nullptr;
}

TEST_F(Editing, TheInPlaceEditorCommitsOnEnterAndOnFocusLossAndCancelsOnEscape)
{
    open({{QStringLiteral("曲1"), QStringLiteral("歌手")}, {QStringLiteral("曲2"), QStringLiteral("歌手")},
          {QStringLiteral("曲3"), QStringLiteral("歌手")}});
    win().settings().directEdit = true;
    win().selectRows({0, 1});
    win().setCurrentColumn(ColAlbum);
    CellEditor* ed = win().cellEditor();
    const QString before = store().row(0).sub[ColAlbum];

    // Escape: nothing applied, the control gone.
    win().EditCellClick(0);
    ASSERT_TRUE(ed->isOpen());
    ASSERT_NE(ed->lineEdit(), nullptr);
    EXPECT_EQ(ed->lineEdit()->text(), before);
    EXPECT_EQ(ed->lineEdit()->selectedText(), before);
    EXPECT_TRUE(ed->control()->hasFocus());
    ed->lineEdit()->insert(QStringLiteral("取り消す盤"));
    QTest::keyClick(ed->lineEdit(), Qt::Key_Escape);
    EXPECT_FALSE(ed->isOpen());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(store().row(i).sub[ColAlbum], before) << i;
        EXPECT_FALSE(v2Changed(i)) << i;
    }
    EXPECT_TRUE(win().editorState().captured.empty());

    // Enter: the captured rows change, the others do not.
    win().EditCellClick(0);
    ASSERT_TRUE(ed->isOpen());
    const int narrow = ed->control()->width();
    ed->lineEdit()->insert(QStringLiteral("とても長い名前の新しいアルバム"));
    EXPECT_GT(ed->control()->width(), narrow); // widens to its text
    EXPECT_LE(ed->control()->geometry().right(), win().listView()->viewport()->width());
    ed->lineEdit()->selectAll();
    ed->lineEdit()->insert(QStringLiteral("新しい盤"));
    QTest::keyClick(ed->lineEdit(), Qt::Key_Return);
    EXPECT_FALSE(ed->isOpen());
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(store().row(i).sub[ColAlbum], QStringLiteral("新しい盤")) << i;
        EXPECT_TRUE(v2Changed(i)) << i;
    }
    EXPECT_EQ(store().row(2).sub[ColAlbum], before);
    EXPECT_FALSE(v2Changed(2));
    EXPECT_TRUE(win().writeButton(2)->isEnabled());
    EXPECT_EQ(win().editPanels()->text(EditBox::V2Album), QStringLiteral("新しい盤"));
}

TEST_F(Editing, TheInPlaceEditorEndsAfterTheFocusLeftAndKeepsToItsOwnCell)
{
    open({{QStringLiteral("曲1"), QStringLiteral("歌手")}, {QStringLiteral("曲2"), QStringLiteral("歌手")}});
    win().settings().directEdit = true;
    win().selectRows({0});
    win().setCurrentColumn(ColAlbum);
    CellEditor* ed = win().cellEditor();
    win().EditCellClick(0);
    ASSERT_TRUE(ed->isOpen());
    ed->lineEdit()->insert(QStringLiteral("離れた盤"));
    // The title box takes the focus and makes the title current; the text still
    // belongs to the album cell.
    box(EditBox::V2Title)->setFocus(Qt::OtherFocusReason);
    EXPECT_TRUE(ed->isOpen()); // Timer3 has not run yet
    ASSERT_TRUE(waitUntil([&] { return !ed->isOpen(); }, 2000));
    EXPECT_EQ(store().row(0).sub[ColAlbum], QStringLiteral("離れた盤"));
    EXPECT_EQ(store().row(0).sub[ColTitle], QStringLiteral("曲1"));
    EXPECT_EQ(store().row(1).sub[ColAlbum], readBack(paths_[1]).sub[ColAlbum]);
}

TEST_F(Editing, TheInPlaceEditorUsesAComboForArtistsAndTheInputBoxWithoutDirectEdit)
{
    open({{QStringLiteral("曲1"), QStringLiteral("歌手")}});
    win().selectRows({0});
    win().setCurrentColumn(ColArtist);
    int inputBoxes = 0;
    win().answerInputBox = [&](int, const QString&) -> std::optional<QString> {
        ++inputBoxes;
        return std::nullopt;
    };
    win().EditCellClick(0);
    EXPECT_EQ(inputBoxes, 1);
    EXPECT_FALSE(win().cellEditor()->isOpen());

    win().settings().directEdit = true;
    win().EditCellClick(0);
    EXPECT_EQ(inputBoxes, 1);
    ASSERT_TRUE(win().cellEditor()->isOpen());
    ASSERT_NE(win().cellEditor()->comboBox(), nullptr);
    EXPECT_EQ(win().cellEditor()->comboBox()->currentText(), QStringLiteral("歌手"));
    // The picture column and no column at all open nothing.
    QTest::keyClick(win().cellEditor()->lineEdit(), Qt::Key_Escape);
    for (int field : {-1, int(ColPicture)}) {
        win().setCurrentColumn(field);
        win().EditCellClick(0);
        EXPECT_FALSE(win().cellEditor()->isOpen()) << field;
    }
    win().answerInputBox = nullptr;
}

TEST_F(Editing, ThePressedColumnAndTheArrowKeysSetTheCurrentColumn)
{
    open({{QStringLiteral("曲1"), QStringLiteral("歌手")}, {QStringLiteral("曲2"), QStringLiteral("歌手")}});
    TMyListView* list = win().listView();
    const struct {
        int column;
        int field;
    } presses[] = {{1, ColTitle}, {3, ColAlbum}, {6, ColYear}, {0, -1}};
    for (const auto& p : presses) {
        SCOPED_TRACE(p.column);
        const QRect cell = list->visualRect(list->model()->index(1, p.column));
        ASSERT_TRUE(cell.isValid());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
        EXPECT_EQ(win().editorState().currentColumn, p.field);
        EXPECT_EQ(list->currentColumn(), p.field);
    }
    EXPECT_TRUE(store().row(1).selected);

    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(0, 3)).center());
    list->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(list, Qt::Key_Right);
    EXPECT_EQ(win().editorState().currentColumn, int(ColGenre));
    QTest::keyClick(list, Qt::Key_Left);
    QTest::keyClick(list, Qt::Key_Left);
    QTest::keyClick(list, Qt::Key_Left);
    EXPECT_EQ(win().editorState().currentColumn, int(ColTitle));
    QTest::keyClick(list, Qt::Key_Left); // nothing before the title
    EXPECT_EQ(win().editorState().currentColumn, int(ColTitle));
    EXPECT_EQ(list->currentColumn(), int(ColTitle));
    // The arrows moved the column, not the selection.
    EXPECT_TRUE(store().row(0).selected);
    EXPECT_FALSE(store().row(1).selected);
    // Enter opens the input box on the current column.
    int asked = -2;
    win().answerInputBox = [&](int field, const QString&) -> std::optional<QString> {
        asked = field;
        return std::nullopt;
    };
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(asked, int(ColTitle));
    win().answerInputBox = nullptr;
}

TEST_F(Editing, TheEditEntryOfThePopupFollowsTheColumnAndTheSelection)
{
    open({{QStringLiteral("曲1"), QStringLiteral("歌手")}, {QStringLiteral("曲2"), QStringLiteral("歌手")}});
    const struct {
        std::vector<int> selected;
        int column;
        bool visible;
        bool enabled;
    } cases[] = {
        {{0, 1}, ColAlbum, true, true},  {{0, 1}, ColTitle, true, false}, {{0}, ColTitle, true, true},
        {{0, 1}, ColTrack, true, false}, {{0}, -1, false, true},          {{}, ColAlbum, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.column);
        win().selectRows(c.selected);
        win().setCurrentColumn(c.column);
        win().PopupMenu1Popup();
        QAction* edit = win().action(Cmd::EditCell);
        EXPECT_EQ(edit->isVisible(), c.visible);
        if (c.visible)
            EXPECT_EQ(edit->isEnabled(), c.enabled);
    }
}

TEST_F(Editing, ADoubleClickOnTheLyricsOpensTheTextDialogAndOkAppliesTheText)
{
    open({{QStringLiteral("曲1"), QStringLiteral("歌手")}, {QStringLiteral("曲2"), QStringLiteral("歌手")}});
    win().selectRows({0});
    auto* memo = qobject_cast<QPlainTextEdit*>(box(EditBox::Lyrics));
    ASSERT_NE(memo, nullptr);
    // The memo sits on the "その他" panel.
    win().SpeedButton12Click();
    ASSERT_TRUE(memo->isVisible());
    struct Answer {
        QString typed;
        bool ok;
    };
    const Answer answers[] = {{QStringLiteral("取り消す歌詞"), false}, {QStringLiteral("一行目\n二行目"), true}};
    for (const Answer& a : answers) {
        SCOPED_TRACE(a.ok);
        QString caption;
        QTimer::singleShot(0, &win(), [&] {
            auto* d = qobject_cast<TTextDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(d, nullptr);
            caption = d->windowTitle();
            d->editor()->selectAll();
            d->editor()->insertPlainText(a.typed);
            if (a.ok)
                d->okButton()->click();
            else
                d->reject();
        });
        QTest::mouseDClick(memo->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
        EXPECT_TRUE(caption.contains(QStringLiteral("歌詞")));
        if (a.ok) {
            EXPECT_EQ(memo->toPlainText(), a.typed);
            EXPECT_EQ(store().row(0).sub[ColLyrics], a.typed);
            EXPECT_TRUE(v2Changed(0));
        } else {
            EXPECT_TRUE(memo->toPlainText().isEmpty());
            EXPECT_FALSE(v2Changed(0));
        }
    }
    EXPECT_FALSE(v2Changed(1));
}

TEST_F(Editing, TheUsersEditorEditsTheCommentWhenItChangesTheFile)
{
    open({{QStringLiteral("曲1"), QStringLiteral("歌手")}});
    win().selectRows({0});
    win().settings().notepadEdit = true;
    QTemporaryDir bin;
    const QString script = bin.filePath(QStringLiteral("ed.sh"));
    const struct {
        QByteArray body;    // the editor; empty: one that cannot start
        QString expected;   // the comment afterwards
        bool changed;
    } cases[] = {
        {"#!/bin/sh\nexit 0\n", QString(), false},
        {{}, QString(), false},
        {"#!/bin/sh\nprintf 'Beyonc\\303\\251 \\360\\237\\216\\265\\n' > \"$1\"\n", QStringLiteral("Beyoncé 🎵"), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected.toStdString());
        if (c.body.isEmpty()) {
            qputenv("VISUAL", bin.filePath(QStringLiteral("missing-editor")).toLocal8Bit());
        } else {
            QFile f(script);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(c.body);
            f.close();
            ASSERT_TRUE(f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
            qputenv("VISUAL", script.toLocal8Bit());
        }
        EXPECT_EQ(win().EditMultiLineBox(EditBox::V2Comment), c.changed);
        EXPECT_EQ(win().editPanels()->text(EditBox::V2Comment), c.expected);
        EXPECT_EQ(store().row(0).sub[ColComment], c.expected);
        EXPECT_EQ(v2Changed(0), c.changed);
    }
    qunsetenv("VISUAL");
    // The file in the work folder is gone again.
    EXPECT_TRUE(QDir(win().folders().work).entryList({QStringLiteral("*.txt")}, QDir::Files).isEmpty());
}

TEST_F(Editing, TypedArtistsJoinTheArtistListWhichIsSavedAtClose)
{
    open({{QStringLiteral("曲1"), QStringLiteral("歌手")}, {QStringLiteral("曲2"), QStringLiteral("歌手")}});
    const int before = int(win().artistList().size());
    win().selectRows({0});
    type(EditBox::V2Artist, QStringLiteral("新人"));
    leaveBoxes();
    win().selectRows({1});
    type(EditBox::V2Artist, QStringLiteral("新人"));
    leaveBoxes();
    EXPECT_EQ(int(win().artistList().size()), before + 1);
    EXPECT_EQ(win().artistList().count(QStringLiteral("新人")), 1);
    auto* v2 = qobject_cast<QComboBox*>(box(EditBox::V2Artist));
    auto* v1 = qobject_cast<QComboBox*>(box(EditBox::V1Artist));
    ASSERT_NE(v2, nullptr);
    ASSERT_NE(v1, nullptr);
    EXPECT_GE(v2->findText(QStringLiteral("新人")), 0);
    EXPECT_GE(v1->findText(QStringLiteral("新人")), 0);

    const QString file = h_->folders().userData + QLatin1Char('/') + kArtistFileName;
    prompt().answers = {Answer::Yes};
    ASSERT_TRUE(h_->close());
    EXPECT_TRUE(ReadArtistFile(file).contains(QStringLiteral("新人")));
}

TEST(TextEditorLauncher, VisualComesBeforeEditorAndXdgOpenIsTheLastResort)
{
    const struct {
        const char* visual;
        const char* editor;
        QStringList expected;
    } cases[] = {
        {"gvim -f", "nano", {QStringLiteral("gvim"), QStringLiteral("-f"), QStringLiteral("/w/歌詞.txt")}},
        {"", "'my editor' --wait", {QStringLiteral("my editor"), QStringLiteral("--wait"), QStringLiteral("/w/歌詞.txt")}},
        {"\"ed \\\"x\\\"\" my\\ ed", "", {QStringLiteral("ed \"x\""), QStringLiteral("my ed"), QStringLiteral("/w/歌詞.txt")}},
        {"   ", "kate", {QStringLiteral("kate"), QStringLiteral("/w/歌詞.txt")}},
        {"", "", {QStringLiteral("xdg-open"), QStringLiteral("/w/歌詞.txt")}},
    };
    const QByteArray oldVisual = qgetenv("VISUAL"), oldEditor = qgetenv("EDITOR");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.visual);
        qputenv("VISUAL", c.visual);
        qputenv("EDITOR", c.editor);
        EXPECT_EQ(TextEditorLauncher::CommandFor(QStringLiteral("/w/歌詞.txt")), c.expected);
    }
    qputenv("VISUAL", oldVisual);
    qputenv("EDITOR", oldEditor);
    // A title never leaves the work folder.
    EXPECT_EQ(TextEditorLauncher(QStringLiteral("/w")).FileFor(QStringLiteral("../a/b")),
              QStringLiteral("/w/.._a_b.txt"));
}
