// The real main window on the offscreen platform: start-up with a command line, the
// walk and its placeholders, the background workers, the list's own commands, the
// close query, the single-instance hand-over and the settings round trip.
#include "GuiTestSupport.h"

#include "app/CloseQuery.h"
#include "app/GenreLists.h"
#include "app/HandOver.h"
#include "app/Settings.h"
#include "app/ui/ListModel.h"
#include "app/ui/ListView.h"
#include "app/ui/SingleInstance.h"
#include "app/ui/StatusBar.h"
#include "gather/AddSources.h"
#include "platform/SettingsStore.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace quillory;
using namespace quillory::test;

namespace {

QStringList rowPaths(RowStore& s)
{
    QStringList out;
    for (int i = 0; i < s.count(); ++i)
        out << s.row(i).path();
    return out;
}

bool isPlaceholder(const ListRow& r)
{
    QString name = r.path().mid(r.path().lastIndexOf(QLatin1Char('/')) + 1);
    return r.caption.isEmpty() && r.sub[ColTitle] == name && r.sub[ColArtist] == kFetchingText;
}

QString uniqueInstanceName()
{
    static int n = 0;
    return QStringLiteral("Quillory-guitest-%1-%2").arg(QCoreApplication::applicationPid()).arg(++n);
}

} // namespace

TEST(MainWindow, CommandLineWithAFolderAndAFileAddsThemInWalkOrder)
{
    QTemporaryDir lib;
    QDir().mkpath(lib.filePath(QStringLiteral("music/sub")));
    writeMp3(lib.filePath(QStringLiteral("music/b.mp3")), QStringLiteral("ビー"), QStringLiteral("歌手B"));
    writeMp3(lib.filePath(QStringLiteral("music/a.mp3")), QStringLiteral("エー"), QStringLiteral("歌手A"));
    writeMp3(lib.filePath(QStringLiteral("music/sub/c.mp3")), QStringLiteral("シー"), QStringLiteral("歌手C"));
    QFile(lib.filePath(QStringLiteral("music/notes.txt"))).open(QIODevice::WriteOnly);
    writeMp3(lib.filePath(QStringLiteral("single.mp3")), QStringLiteral("単曲"), QStringLiteral("歌手S"));

    WindowHarness h({lib.filePath(QStringLiteral("music")), lib.filePath(QStringLiteral("single.mp3"))});
    h.showAndSettle();
    RowStore& s = h.window().rowStore();
    ASSERT_TRUE(waitUntil([&] { return h.window().gatheringsRun() == 1; }));
    EXPECT_EQ(rowPaths(s), (QStringList{lib.filePath(QStringLiteral("music/a.mp3")),
                                        lib.filePath(QStringLiteral("music/b.mp3")),
                                        lib.filePath(QStringLiteral("music/sub/c.mp3")),
                                        lib.filePath(QStringLiteral("single.mp3"))}));
    EXPECT_EQ(h.window().listModel()->rowCount(), 4);
    for (int i = 0; i < s.count(); ++i) {
        EXPECT_EQ(s.row(i).sub[ColNumber], QStringLiteral("%1").arg(i, 7, 10, QLatin1Char('0')));
        // Each row is still a placeholder, or the fetcher has read it already.
        EXPECT_TRUE(isPlaceholder(s.row(i)) || s.row(i).isRead()) << i;
    }
    ASSERT_TRUE(h.waitForFetch());
    EXPECT_EQ(s.row(0).sub[ColTitle], QStringLiteral("エー"));
    EXPECT_EQ(s.row(2).sub[ColArtist], QStringLiteral("歌手C"));
    EXPECT_EQ(s.row(3).sub[ColTagKind], QStringLiteral("v2.3"));
    for (int i = 0; i < s.count(); ++i)
        EXPECT_EQ(s.row(i).caption, QString::number(i + 1));
    EXPECT_EQ(h.window().statusPanels()->panel0(), QStringLiteral("4"));
    EXPECT_FALSE(h.window().progressBar2()->isVisible());
    EXPECT_TRUE(h.prompt().messages.isEmpty());
}

TEST(MainWindow, PlaceholdersShowTheFileNameUntilTheFetcherReadsThem)
{
    QTemporaryDir lib;
    makeFiles(lib.filePath(QStringLiteral("m")), 300);
    WindowHarness h;
    h.showAndSettle();
    h.window().background().setNamesDialogOpen(true); // 1 ms after each row: the walk is slow
    h.window().GatherPaths(lib.filePath(QStringLiteral("m")));
    RowStore& s = h.window().rowStore();
    ASSERT_EQ(s.count(), 300);
    int placeholders = 0;
    for (int i = 0; i < s.count(); ++i)
        placeholders += isPlaceholder(s.row(i)) ? 1 : 0;
    EXPECT_GT(placeholders, 200);
    EXPECT_TRUE(isPlaceholder(s.row(299)));
    EXPECT_TRUE(h.window().background().fetchBusy());
    EXPECT_TRUE(h.window().progressBar2()->isVisible());
    EXPECT_FALSE(h.window().action(Cmd::Refresh)->isEnabled());
    h.window().background().setNamesDialogOpen(false);
    ASSERT_TRUE(h.waitForFetch());
    EXPECT_EQ(s.row(299).sub[ColTitle], QStringLiteral("曲 299"));
    EXPECT_TRUE(h.window().action(Cmd::Refresh)->isEnabled());
}

TEST(MainWindow, ScrollingToTheMiddleReadsTheVisibleRowsFirst)
{
    QTemporaryDir lib;
    makeFiles(lib.filePath(QStringLiteral("m")), 2000);
    WindowHarness h;
    h.showAndSettle();
    h.window().background().setNamesDialogOpen(true);
    h.window().GatherPaths(lib.filePath(QStringLiteral("m")));
    RowStore& s = h.window().rowStore();
    ASSERT_EQ(s.count(), 2000);
    TMyListView* list = h.window().listView();
    QApplication::processEvents();
    list->scrollTo(h.window().listModel()->index(1000, 0), QAbstractItemView::PositionAtTop);
    ASSERT_TRUE(waitUntil([&] { return list->visibleRange().first >= 990; }, 5000));
    auto range = list->visibleRange();
    ASSERT_GE(range.first, 990);
    ASSERT_LE(range.first, 1000);
    ASSERT_TRUE(waitUntil([&] {
        for (int i = range.first; i <= range.second; ++i)
            if (!s.row(i).isRead())
                return false;
        return true;
    }));
    // The fetcher, walking from the top, is far from there and from the end.
    EXPECT_FALSE(s.row(1999).isRead());
    EXPECT_LT(h.window().background().fetcherIndex(), 1000);
    EXPECT_EQ(s.row(range.first).caption, QString::number(range.first + 1));
    h.window().background().setNamesDialogOpen(false);
    ASSERT_TRUE(h.waitForFetch());
}

TEST(MainWindow, DeletingWhileFetchingRestartsTheFetcher)
{
    QTemporaryDir lib;
    QStringList files = makeFiles(lib.filePath(QStringLiteral("m")), 600);
    WindowHarness h;
    h.showAndSettle();
    h.window().background().setNamesDialogOpen(true);
    h.window().GatherPaths(lib.filePath(QStringLiteral("m")));
    RowStore& s = h.window().rowStore();
    ASSERT_TRUE(waitUntil([&] { return s.row(20).isRead(); }));
    std::vector<int> doomed = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 300, 599};
    h.window().selectRows(doomed);
    EXPECT_EQ(s.selectedCount(), 12);
    h.window().Delete1Click();
    EXPECT_EQ(s.count(), 588);
    EXPECT_EQ(h.window().listModel()->rowCount(), 588);
    EXPECT_EQ(s.selectedCount(), 0);
    EXPECT_TRUE(h.window().background().fetchBusy());
    EXPECT_EQ(s.row(0).caption, QStringLiteral("1"));
    QStringList left = rowPaths(s);
    for (int i : doomed)
        EXPECT_FALSE(left.contains(files[i])) << i;
    h.window().background().setNamesDialogOpen(false);
    ASSERT_TRUE(h.waitForFetch());
    EXPECT_EQ(s.row(587).sub[ColTitle], QStringLiteral("曲 598"));
    EXPECT_EQ(h.window().statusPanels()->panel0(), QStringLiteral("588"));
    // Deleting with nothing selected does nothing; deleting everything empties the boxes.
    h.window().Delete1Click();
    EXPECT_EQ(s.count(), 588);
    std::vector<int> all(588);
    for (int i = 0; i < 588; ++i)
        all[std::size_t(i)] = i;
    h.window().selectRows(all);
    h.window().Delete1Click();
    EXPECT_EQ(s.count(), 0);
    EXPECT_EQ(h.window().v1GenreBox()->currentIndex(), -1);
    EXPECT_TRUE(QFile::exists(files[0])); // files are never touched
}

TEST(MainWindow, MoveButtonsMoveTheSelectionAndRepeatWhileHeld)
{
    QTemporaryDir lib;
    QStringList files = makeFiles(lib.filePath(QStringLiteral("m")), 5);
    WindowHarness h;
    h.showAndSettle();
    h.window().GatherPaths(lib.filePath(QStringLiteral("m")));
    ASSERT_TRUE(h.waitForFetch());
    RowStore& s = h.window().rowStore();

    h.window().selectRows({0, 2});
    h.window().MoveSelectedRowsOnce(-1);
    EXPECT_EQ(rowPaths(s), files) << "the first row selected: nothing moves";
    h.window().selectRows({1, 2});
    h.window().MoveSelectedRowsOnce(1);
    EXPECT_EQ(rowPaths(s), (QStringList{files[0], files[3], files[1], files[2], files[4]}));
    EXPECT_TRUE(s.row(2).selected && s.row(3).selected && !s.row(1).selected);
    EXPECT_TRUE(h.window().listView()->selectionModel()->isRowSelected(3, {}));
    EXPECT_EQ(s.row(2).caption, QStringLiteral("2")) << "captions are not renumbered by a move";

    // A click moves once; holding the button keeps moving until the bottom.
    h.window().selectRows({0});
    h.window().ToolButton15MouseDown(1);
    h.window().ToolButton15MouseUp();
    EXPECT_EQ(s.row(1).path(), files[0]);
    h.window().ToolButton15MouseDown(1);
    ASSERT_TRUE(waitUntil([&] { return s.row(4).path() == files[0]; }, 5000));
    h.window().ToolButton15MouseUp();
    EXPECT_EQ(s.row(4).path(), files[0]);
    EXPECT_TRUE(s.row(4).selected);
    h.window().MoveSelectedRowsOnce(1);
    EXPECT_EQ(s.row(4).path(), files[0]) << "the last row selected: nothing moves";
}

TEST(MainWindow, CloseQueryCountsTheEditedRows)
{
    QTemporaryDir lib;
    makeFiles(lib.filePath(QStringLiteral("m")), 5);
    WindowHarness h;
    h.showAndSettle();
    h.window().GatherPaths(lib.filePath(QStringLiteral("m")));
    ASSERT_TRUE(h.waitForFetch());
    RowStore& s = h.window().rowStore();
    s.row(0).sub[ColChangedV2] = QStringLiteral("32768");
    s.row(2).sub[ColChangedV1] = QStringLiteral("16384");
    s.row(4).sub[ColChangedV2] = QStringLiteral("1");
    h.prompt().answers = {Answer::No};
    EXPECT_FALSE(h.close());
    EXPECT_TRUE(h.window().isVisible());
    ASSERT_EQ(h.prompt().questions.size(), 1);
    const Question& q = h.prompt().questions.first();
    EXPECT_EQ(q.title, QStringLiteral("Quillory 終了確認"));
    EXPECT_EQ(q.text, QStringLiteral("3 個のリストが変更されています。 \n変更した内容を破棄しますか？"));
    EXPECT_EQ(q.buttons, (QList<Answer>{Answer::Yes, Answer::No}));
    EXPECT_EQ(q.icon, PromptIcon::Question);
    EXPECT_EQ(h.window().progressBar1()->value(), 0);
    h.prompt().answers = {Answer::Yes};
    EXPECT_TRUE(h.close());
    EXPECT_FALSE(h.window().isVisible());
}

TEST(MainWindow, ClosingWhileFetchingEndsEveryWorkerQuietly)
{
    QTemporaryDir lib;
    makeFiles(lib.filePath(QStringLiteral("m")), 1500);
    WindowHarness h;
    h.showAndSettle();
    h.window().background().setNamesDialogOpen(true);
    h.window().GatherPaths(lib.filePath(QStringLiteral("m")));
    ASSERT_TRUE(waitUntil([&] { return h.window().rowStore().row(30).isRead(); }));
    h.window().listView()->scrollTo(h.window().listModel()->index(800, 0));
    QApplication::processEvents();
    ASSERT_TRUE(h.window().background().fetchBusy());
    EXPECT_TRUE(h.close());
    EXPECT_FALSE(h.window().background().fetcherExists());
    EXPECT_FALSE(h.window().background().uiUpdaterRunning());
    EXPECT_TRUE(h.prompt().messages.isEmpty());
    EXPECT_TRUE(h.prompt().questions.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(h.folders().work)) << "the work folder goes at shut-down";
}

TEST(MainWindow, ASecondStartHandsItsPathsToTheRunningWindow)
{
    QTemporaryDir lib;
    QStringList files = makeFiles(lib.filePath(QStringLiteral("m")), 3);
    QString name = uniqueInstanceName();
    WindowHarness h({}, name);
    h.showAndSettle();
    ASSERT_TRUE(InstanceRunning(name));

    // A second start from another thread, the way a second process talks.
    std::optional<std::uint32_t> reply;
    QThread* sender = QThread::create([&] {
        reply = SendCopyData(name, {kHandOverDataId, EncodeWidePayload(JoinArguments({files[0], files[1]}))});
    });
    sender->start();
    ASSERT_TRUE(waitUntil([&] { return sender->isFinished(); }, 10000));
    delete sender;
    EXPECT_EQ(reply, std::optional<std::uint32_t>(kCopyDataReply));
    ASSERT_TRUE(waitUntil([&] { return h.window().rowStore().count() == 2; }));
    EXPECT_EQ(rowPaths(h.window().rowStore()), (QStringList{files[0], files[1]}));

    // The real program as the second start.
    int expected = 2;
    QString bin = qEnvironmentVariable("QUILLORY_BIN");
    if (!bin.isEmpty()) {
        QProcess second;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QUILLORY_INSTANCE"), name);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        second.setProcessEnvironment(env);
        second.start(bin, {files[2]});
        ASSERT_TRUE(waitUntil([&] { return second.state() == QProcess::NotRunning; }, 20000));
        EXPECT_EQ(second.exitCode(), 0);
        ASSERT_TRUE(waitUntil([&] { return h.window().rowStore().count() == 3; }));
        EXPECT_EQ(h.window().rowStore().row(2).path(), files[2]);
        expected = 3;
    }
    // Other messages are answered but do nothing.
    std::optional<std::uint32_t> other;
    QThread* t = QThread::create([&] { other = SendCopyData(name, {12, QByteArray("xx")}); });
    t->start();
    ASSERT_TRUE(waitUntil([&] { return t->isFinished(); }, 10000));
    delete t;
    EXPECT_EQ(other, std::optional<std::uint32_t>(kCopyDataReply));
    QApplication::processEvents();
    EXPECT_EQ(h.window().rowStore().count(), expected);
}

TEST(MainWindow, SettingsSurviveARestartExactly)
{
    WindowHarness h;
    QDir().mkpath(h.root() + QStringLiteral("/music/a"));
    Settings s;
    s.windowWH = PackWindowSize(900, 520);
    s.mp3InfoPath = h.root() + QStringLiteral("/music");
    s.fileDir = h.root() + QStringLiteral("/music/a");
    s.playlistDir = h.root() + QStringLiteral("/music");
    s.toolBar = true;
    s.mainTagBox = false;
    s.commentTagBox = true;
    s.tagAdd = 0x201; // composer and tag size
    s.verId = 3;
    s.lngId = 2;
    s.backNo = 3;
    s.listBack = true;
    s.listLine = true;
    s.fontSizeUp = true;
    s.tconSortV1 = true;
    s.genre = false;
    s.str0 = QStringLiteral("＋");
    s.itemStr = QStringLiteral("a\nb");
    s.paddig = 4096;
    s.printOpt = {1, 0, 1, 7};
    s.listTitleName = {0, 1, 2, 4};
    s.setMog3 = QStringLiteral("そのまま");
    s.csvDub = true;
    s.list1 = QStringLiteral("一覧");
    {
        SettingsStore store(h.settingsPath());
        ASSERT_TRUE(WriteSettings(store, s));
        ASSERT_TRUE(store.sync());
    }
    h.reopen();
    h.showAndSettle();
    TDU3ZiruVozivDlg& w = h.window();
    EXPECT_EQ(w.size(), QSize(900, 520));
    EXPECT_TRUE(w.toolBar()->isVisible());
    EXPECT_FALSE(w.mainTagBox()->isVisible());
    EXPECT_TRUE(w.commentTagBox()->isVisible());
    EXPECT_TRUE(w.action(Cmd::ShowCommentTagBox)->isChecked());
    EXPECT_FALSE(w.listView()->isColumnHidden(columnOfSubItem(ColComposer)));
    EXPECT_FALSE(w.listView()->isColumnHidden(columnOfSubItem(ColTagSize)));
    EXPECT_TRUE(w.listView()->isColumnHidden(columnOfSubItem(ColLyricist)));
    EXPECT_EQ(w.v1GenreBox()->itemText(0), QStringLiteral("Blues")); // English, in number order
    ASSERT_TRUE(h.close());

    Settings back;
    SettingsStore store(h.settingsPath());
    ReadSettings(store, back, h.folders());
    for (const SettingInfo& info : SettingTable()) {
        if (!info.readBack)
            continue;
        EXPECT_EQ(FormatSetting(back, info.name), FormatSetting(s, info.name)) << info.name.toStdString();
    }

    // What the user changes in the window comes back the next time.
    h.reopen();
    h.showAndSettle();
    h.window().action(Cmd::ShowToolBar)->trigger();
    h.window().action(Cmd::ShowMainTagBox)->trigger();
    h.window().resize(950, 500);
    QApplication::processEvents();
    ASSERT_TRUE(h.close());
    Settings after;
    ReadSettings(SettingsStore(h.settingsPath()), after, h.folders());
    EXPECT_FALSE(after.toolBar);
    EXPECT_TRUE(after.mainTagBox);
    ASSERT_TRUE(after.windowWH.has_value());
    EXPECT_EQ(WindowWidth(*after.windowWH), 950);
    EXPECT_EQ(WindowHeight(*after.windowWH), 500);
    h.reopen();
    h.showAndSettle();
    EXPECT_EQ(h.window().size(), QSize(950, 500));
    EXPECT_FALSE(h.window().toolBar()->isVisible());
    EXPECT_TRUE(h.window().mainTagBox()->isVisible());
}

TEST(MainWindow, DroppedAndPastedFilesAreAddedExactly)
{
    QTemporaryDir lib;
    QStringList files = makeFiles(lib.filePath(QStringLiteral("m")), 4);
    WindowHarness h;
    h.showAndSettle();
    h.window().GatherPaths(lib.filePath(QStringLiteral("m")));
    ASSERT_EQ(h.window().rowStore().count(), 4);
    h.window().DropFiles({files[3], files[1]});
    EXPECT_EQ(rowPaths(h.window().rowStore()).mid(4), (QStringList{files[3], files[1]}));

    QClipboard* cb = QApplication::clipboard();
    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(files[2])});
    cb->setMimeData(data);
    if (!cb->mimeData() || !cb->mimeData()->hasUrls())
        GTEST_SKIP() << "no clipboard on this platform";
    h.window().selectRows({0});
    h.window().PopupMenu1Popup();
    EXPECT_TRUE(h.window().action(Cmd::Paste)->isVisible());
    h.window().Paste1Click();
    EXPECT_EQ(h.window().rowStore().count(), 7);
    EXPECT_EQ(h.window().rowStore().row(6).path(), files[2]);
    cb->clear();
    h.window().PopupMenu1Popup();
    EXPECT_FALSE(h.window().action(Cmd::Paste)->isVisible());
}

TEST(MainWindow, PopupEntriesFollowTheSelection)
{
    QTemporaryDir lib;
    makeFiles(lib.filePath(QStringLiteral("m")), 3);
    WindowHarness h;
    h.showAndSettle();
    h.window().GatherPaths(lib.filePath(QStringLiteral("m")));
    h.window().selectRows({});
    h.window().PopupMenu1Popup();
    for (Cmd id : {Cmd::Explorer, Cmd::DeleteRows, Cmd::CopyMenu, Cmd::TitleCopy, Cmd::TagFromFileName})
        EXPECT_FALSE(h.window().action(id)->isVisible()) << int(id);
    h.window().selectRows({1});
    h.window().PopupMenu1Popup();
    EXPECT_TRUE(h.window().action(Cmd::Explorer)->isVisible());
    EXPECT_TRUE(h.window().action(Cmd::Explorer)->isEnabled());
    EXPECT_TRUE(h.window().action(Cmd::DeleteRows)->isEnabled());
    // A feature this build does not carry stays visible but disabled.
    EXPECT_TRUE(h.window().action(Cmd::StringConvert)->isVisible());
    EXPECT_FALSE(h.window().action(Cmd::StringConvert)->isEnabled());
    EXPECT_FALSE(h.window().action(Cmd::SendToAnalogClock)->isEnabled());
    EXPECT_FALSE(h.window().action(Cmd::MakeEqual)->isVisible());
    h.window().selectRows({0, 1});
    h.window().PopupMenu1Popup();
    // It goes with "編集(&E)", which needs a current column.
    EXPECT_FALSE(h.window().action(Cmd::MakeEqual)->isVisible());
    h.window().setCurrentColumn(ColAlbum);
    h.window().PopupMenu1Popup();
    EXPECT_TRUE(h.window().action(Cmd::MakeEqual)->isVisible());
}

TEST(MainWindow, ToolButtonsCarryTheirHintsAndFollowTheSelection)
{
    QTemporaryDir lib;
    makeFiles(lib.filePath(QStringLiteral("m")), 2);
    WindowHarness h;
    h.showAndSettle();
    TDU3ZiruVozivDlg& w = h.window();
    EXPECT_EQ(w.toolButton(Cmd::Print)->toolTip(), QStringLiteral("印刷"));
    EXPECT_EQ(w.toolButton(Cmd::AddFolder)->toolTip(), QStringLiteral("フォルダから検索して追加"));
    EXPECT_EQ(w.toolButton(Cmd::AddFolder)->statusTip(), QStringLiteral("フォルダ内のファイルをリストに追加します。"));
    EXPECT_EQ(w.toolButton(Cmd::MoveUp)->statusTip(), QStringLiteral("選択したリストを上に移動する"));
    EXPECT_EQ(w.action(Cmd::FileRename)->statusTip(), QStringLiteral("選択リストのファイル名を変更"));
    EXPECT_EQ(w.action(Cmd::Help)->statusTip(), QStringLiteral("キーボードの F1 ボタンでも可能"));
    w.UpdateUiState();
    EXPECT_FALSE(w.toolButton(Cmd::DeleteRows)->isEnabled());
    EXPECT_FALSE(w.toolButton(Cmd::SelectAll)->isEnabled());
    w.GatherPaths(lib.filePath(QStringLiteral("m")));
    w.selectRows({0});
    w.UpdateUiState();
    EXPECT_TRUE(w.toolButton(Cmd::DeleteRows)->isEnabled());
    EXPECT_TRUE(w.toolButton(Cmd::MoveDown)->isEnabled());
    EXPECT_FALSE(w.toolButton(Cmd::Print)->isEnabled()) << "printing is not in this build";
    EXPECT_TRUE(w.toolButton(Cmd::FitToWindow)->isEnabled());
    // Hidden by default: the box buttons mirror the menu checks.
    w.action(Cmd::ShowCommentTagBox)->trigger();
    EXPECT_TRUE(w.toolButton(Cmd::ShowCommentTagBox)->isChecked());
    EXPECT_TRUE(w.commentTagBox()->isVisible());
}

TEST(MainWindow, BusyStateShowsCancelAndRefusesToClose)
{
    WindowHarness h;
    h.showAndSettle();
    TDU3ZiruVozivDlg& w = h.window();
    w.SetBusyState(true);
    EXPECT_TRUE(w.cancelSwitch()->isVisible());
    EXPECT_FALSE(w.action(Cmd::FileMenu)->isEnabled());
    EXPECT_FALSE(w.toolBar()->isEnabled());
    EXPECT_FALSE(w.findChild<QPushButton*>(QStringLiteral("SpeedButton2"))->isVisible());
    EXPECT_FALSE(w.background().uiUpdaterRunning());
    EXPECT_FALSE(h.close());
    ASSERT_EQ(h.prompt().messages.size(), 1);
    EXPECT_TRUE(h.prompt().messages.first().endsWith(BusyCloseMessage()));
    w.SetBusyState(false);
    EXPECT_FALSE(w.cancelSwitch()->isVisible());
    EXPECT_TRUE(w.action(Cmd::FileMenu)->isEnabled());
    EXPECT_TRUE(w.findChild<QPushButton*>(QStringLiteral("SpeedButton2"))->isVisible());
    EXPECT_TRUE(w.background().uiUpdaterRunning());
    EXPECT_TRUE(h.close());
}

TEST(MainWindow, RefreshRereadsEveryRowAndDropsVanishedFiles)
{
    QTemporaryDir lib;
    QStringList files = makeFiles(lib.filePath(QStringLiteral("m")), 3);
    WindowHarness h;
    h.showAndSettle();
    h.window().GatherPaths(lib.filePath(QStringLiteral("m")));
    ASSERT_TRUE(h.waitForFetch());
    QFile::remove(files[1]);
    writeMp3(files[2], QStringLiteral("新しい題"), QStringLiteral("歌手"));
    h.window().rowStore().row(0).sub[ColChangedV2] = QStringLiteral("32768");
    h.window().RefreshMenuClick();
    RowStore& s = h.window().rowStore();
    ASSERT_EQ(s.count(), 2);
    EXPECT_EQ(s.row(1).sub[ColTitle], QStringLiteral("新しい題"));
    EXPECT_EQ(s.row(0).sub[ColChangedV2], QStringLiteral("0"));
    EXPECT_EQ(h.window().listModel()->rowCount(), 2);
}

TEST(MainWindow, GenreListsFillTheBoxesAndTheEditorWritesGenreTxt)
{
    WindowHarness h;
    h.showAndSettle();
    TDU3ZiruVozivDlg& w = h.window();
    GenreTable ja(GenreLanguage::Japanese);
    ASSERT_TRUE(waitUntil([&] { return w.v1GenreBox()->count() > 0; }));
    EXPECT_EQ(w.v1GenreBox()->count(), ja.v1ListNames(false).size());
    EXPECT_EQ(w.v2GenreBox()->count(), ja.defaultV2List(false).size());
    w.editGenreText = [](const QString& text) -> std::optional<QString> {
        EXPECT_TRUE(text.contains(QStringLiteral("童謡（日本）")));
        return QStringLiteral("アニソン\nボカロ\n");
    };
    w.SwitchButton2Click();
    EXPECT_EQ(ReadGenreFile(w.folders().userData + QStringLiteral("/Genre.txt")),
              (QStringList{QStringLiteral("アニソン"), QStringLiteral("ボカロ")}));
    ASSERT_EQ(w.v2GenreBox()->count(), 2);
    EXPECT_EQ(w.v2GenreBox()->itemText(1), QStringLiteral("ボカロ"));
    // A cancelled edit changes nothing.
    w.editGenreText = [](const QString&) -> std::optional<QString> { return std::nullopt; };
    w.SwitchButton2Click();
    EXPECT_EQ(w.v2GenreBox()->count(), 2);
    // The next start reads the list back.
    h.reopen();
    h.showAndSettle();
    ASSERT_TRUE(waitUntil([&] { return h.window().v2GenreBox()->count() == 2; }));
}

TEST(MainWindow, EveryTextBoxTakesJapaneseInput)
{
    WindowHarness h;
    h.showAndSettle();
    int boxes = 0;
    auto check = [&](QWidget* w) {
        ++boxes;
        EXPECT_TRUE(w->testAttribute(Qt::WA_InputMethodEnabled)) << w->objectName().toStdString();
        Qt::InputMethodHints hints = w->inputMethodHints();
        EXPECT_FALSE(hints & (Qt::ImhLatinOnly | Qt::ImhHiddenText | Qt::ImhSensitiveData))
            << w->objectName().toStdString();
    };
    for (QLineEdit* e : h.window().findChildren<QLineEdit*>())
        check(e);
    for (QPlainTextEdit* e : h.window().findChildren<QPlainTextEdit*>())
        check(e->viewport()->parentWidget());
    EXPECT_GT(boxes, 15);
}

TEST(MainWindow, StatusBarShowsTheCountThePathAndTheEmptyListHint)
{
    QTemporaryDir lib;
    QStringList files = makeFiles(lib.filePath(QStringLiteral("m")), 3);
    WindowHarness h;
    h.showAndSettle();
    TDU3ZiruVozivDlg& w = h.window();
    w.UpdateUiState();
    EXPECT_EQ(w.listView()->viewport()->toolTip(), kEmptyListHint);
    int asked = 0;
    w.chooseFolder = [&](const QString&) {
        ++asked;
        return lib.filePath(QStringLiteral("m"));
    };
    Q_EMIT w.listView()->emptyDoubleClicked();
    EXPECT_EQ(asked, 1);
    ASSERT_EQ(w.rowStore().count(), 3);
    EXPECT_EQ(w.statusPanels()->panel0(), QStringLiteral("3"));
    EXPECT_EQ(w.statusPanels()->hintAt(10), QStringLiteral("ファイル数|3 files"));
    EXPECT_EQ(w.statusPanels()->hintAt(80), QString());
    w.selectRows({2});
    EXPECT_EQ(w.statusPanels()->panel1(), files[2]);
    EXPECT_TRUE(w.statusPanels()->panel1IsPath());
    w.UpdateUiState();
    EXPECT_EQ(w.listView()->viewport()->toolTip(), QString());
    EXPECT_EQ(w.settings().mp3InfoPath, w.folders().sharedData) << "settings change only at close";
}

TEST(MainWindow, PeerSamplesAreGatheredAndReadWithoutAHang)
{
    QString samples = QStringLiteral(QUILLORY_PEER_SAMPLES);
    if (!QFileInfo(samples).isDir())
        GTEST_SKIP() << "no peer samples";
    WindowHarness h;
    h.showAndSettle();
    h.window().GatherPaths(samples);
    RowStore& s = h.window().rowStore();
    ASSERT_GT(s.count(), 10);
    ASSERT_TRUE(h.waitForFetch(120000));
    for (int i = 0; i < s.count(); ++i)
        EXPECT_FALSE(s.row(i).sub[ColTagKind].isEmpty()) << s.row(i).path().toStdString();
    // Scrolling over the read list loads nothing more and asks nothing.
    h.window().listView()->scrollToBottom();
    QApplication::processEvents();
    EXPECT_FALSE(h.window().background().fetchBusy());
    EXPECT_TRUE(h.close());
}
