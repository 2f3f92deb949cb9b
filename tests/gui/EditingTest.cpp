// Editing in the real main window: the edit boxes over the selection, the
// confirmation across artists, the ID3v1/ID3v2 view switch, the write buttons' run
// (read-only files, "中止", "Stamp") and the tag copy between the two tags.
#include "GuiTestSupport.h"

#include "app/EditorState.h"
#include "app/FieldEditing.h"
#include "app/ui/EditPanels.h"
#include "app/ui/ListView.h"
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
#include <QPushButton>
#include <QTest>
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
