#include "gather/Gather.h"

#include "app/UserPrompt.h"
#include "platform/Limits.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quillory;

namespace {

// Records what the walk reports and cancels on request.
class RecordingPrompt : public UserPrompt {
public:
    int max = -1;
    int progressCalls = 0;
    int steps = 0;
    int pumps = 0;
    int polls = 0;
    int cancelAfterSteps = -1; // -1: never

    void ShowMessage(const QString&, const QString&, PromptIcon) override { ADD_FAILURE() << "no message expected"; }
    Answer Ask(Question&) override
    {
        ADD_FAILURE() << "no question expected";
        return Answer::Cancel;
    }
    void Progress(int m) override
    {
        max = m;
        ++progressCalls;
    }
    void Step(int n) override { steps += n; }
    bool Cancelled() override
    {
        ++polls;
        return cancelAfterSteps >= 0 && steps >= cancelAfterSteps;
    }
    void PumpEvents() override { ++pumps; }
};

// Lists compared as one readable line, so that a failure shows the paths.
std::string joined(const QStringList& l)
{
    return l.join(QStringLiteral(" | ")).toStdString();
}

class GatherTest : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    RowStore store;
    GatherOptions options;

    void SetUp() override { options.playerMusicFolder = QString(); }

    QString root() const { return QDir::cleanPath(tmp.path()); }
    QString path(const QString& rel) const { return root() + QLatin1Char('/') + rel; }

    QString touch(const QString& rel, const QByteArray& content = QByteArray("x"))
    {
        const QString p = path(rel);
        EXPECT_TRUE(QDir().mkpath(QFileInfo(p).absolutePath()));
        QFile f(p);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly)) << p.toStdString();
        f.write(content);
        return p;
    }
    QString mkdir(const QString& rel)
    {
        EXPECT_TRUE(QDir().mkpath(path(rel)));
        return path(rel);
    }
    void link(const QString& target, const QString& rel)
    {
        ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(path(rel)).constData()), 0);
    }

    // Paths of the rows relative to the temporary folder.
    QStringList rows() const
    {
        QStringList out;
        for (int i = 0; i < store.count(); ++i) {
            QString p = store.row(i).path();
            out.push_back(p.startsWith(root() + QLatin1Char('/')) ? p.mid(root().size() + 1) : p);
        }
        return out;
    }

    int gatherFolders(const QStringList& folders, UserPrompt* prompt = nullptr)
    {
        return GatherPaths(store, QString(), folders, options, prompt);
    }
    int gatherText(const QStringList& paths, UserPrompt* prompt = nullptr)
    {
        return GatherPaths(store, paths.join(QStringLiteral("\r\n")), {}, options, prompt);
    }
};

TEST_F(GatherTest, FilesFirstThenSubfoldersAndTheCountCoversEveryFile)
{
    touch(QStringLiteral("a.mp3"));
    touch(QStringLiteral("b.txt"));
    touch(QStringLiteral("sub/c.wav"));
    RecordingPrompt prompt;
    EXPECT_EQ(gatherFolders({root()}, &prompt), 2);
    EXPECT_EQ(joined(rows()), joined((QStringList{QStringLiteral("a.mp3"), QStringLiteral("sub/c.wav")})));
    EXPECT_EQ(prompt.max, 3);
    EXPECT_EQ(prompt.progressCalls, 1);
    EXPECT_EQ(prompt.steps, 3);
    EXPECT_GE(prompt.pumps, 2); // at least at each folder
    EXPECT_GT(prompt.polls, 0);
}

TEST_F(GatherTest, PlaceholderRowsCarryPathNameAndNumber)
{
    const QString a = touch(QStringLiteral("曲 1.mp3"));
    gatherFolders({root()});
    ASSERT_EQ(store.count(), 1);
    const ListRow& r = store.row(0);
    EXPECT_EQ(r.path(), a);
    EXPECT_EQ(r.sub[ColTitle], QStringLiteral("曲 1.mp3"));
    EXPECT_EQ(r.sub[ColArtist], kFetchingText);
    EXPECT_FALSE(r.isRead());
    EXPECT_FALSE(r.ghosted);
}

TEST_F(GatherTest, NamesInTheOrderAWindowsFileSystemListsThem)
{
    for (const char* n : {"c.MP3", "B.mp3", "a.mp3", "A.mp3", "_x.mp3", "10.mp3", "9.mp3", "z/1.mp3", "Y/1.mp3"})
        touch(QString::fromUtf8(n));
    gatherFolders({root()});
    // Upper-cased comparison puts "_" (0x5F) after the letters; equal names in exact order.
    EXPECT_EQ(joined(rows()), joined((QStringList{"10.mp3", "9.mp3", "A.mp3", "a.mp3", "B.mp3", "c.MP3", "_x.mp3", "Y/1.mp3", "z/1.mp3"})));
}

struct ExtensionCase {
    const char* name;
    bool accepted;
};

TEST_F(GatherTest, ExtensionsMatchWholeAfterLowerCasing)
{
    const ExtensionCase cases[] = {
        {"x.MP3", true},     {"x.Wma", true},  {"x.rmp", true},     {"x.wav", true},  {"x.mp3.bak", false},
        {"x.flac", false},   {"x.mp", false},  {"mp3", false},      {"x.mp3x", false}, {"x.m3u", false},
        {"x.wav.mp3", true}, {"x.", false},    {"noext", false},
    };
    for (const ExtensionCase& c : cases) {
        SCOPED_TRACE(c.name);
        const QString p = touch(QStringLiteral("ext/") + QString::fromUtf8(c.name));
        EXPECT_EQ(IsAcceptedFile(p, options.extensions), c.accepted);
    }
    RecordingPrompt prompt;
    gatherFolders({path(QStringLiteral("ext"))}, &prompt);
    EXPECT_EQ(store.count(), 5);
    EXPECT_EQ(prompt.max, int(std::size(cases)));
    EXPECT_FALSE(IsAcceptedFile(mkdir(QStringLiteral("folder.mp3")), options.extensions));
    EXPECT_FALSE(IsAcceptedFile(path(QStringLiteral("missing.mp3")), options.extensions));
}

TEST_F(GatherTest, WithoutWmaInTheListWmaFilesAreNeitherCountedAsAcceptedNorAdded)
{
    const QString w = touch(QStringLiteral("x.wma"));
    options.extensions = {QStringLiteral(".mp3"), QStringLiteral(".rmp"), QStringLiteral(".wav")};
    RecordingPrompt prompt;
    EXPECT_EQ(gatherText({w}, &prompt), 0);
    EXPECT_EQ(prompt.max, 0);
}

TEST_F(GatherTest, DotFoldersAreNotEnteredAndHiddenFilesAreGhosted)
{
    touch(QStringLiteral(".cache/x.mp3"));
    touch(QStringLiteral(".hidden.mp3"));
    touch(QStringLiteral("shown.mp3"));
    gatherFolders({root()});
    ASSERT_EQ(joined(rows()), joined((QStringList{QStringLiteral(".hidden.mp3"), QStringLiteral("shown.mp3")})));
    EXPECT_TRUE(store.row(0).ghosted);
    EXPECT_FALSE(store.row(1).ghosted);
    // Named directly, a dot folder is walked and a hidden file ghosted.
    store.clear();
    gatherText({path(QStringLiteral(".cache")), path(QStringLiteral(".hidden.mp3"))});
    EXPECT_EQ(joined(rows()), joined((QStringList{QStringLiteral(".cache/x.mp3"), QStringLiteral(".hidden.mp3")})));
    EXPECT_TRUE(store.row(1).ghosted);
}

TEST_F(GatherTest, PathTextTakesFilesAndFoldersInOrderAndSkipsTheRest)
{
    const QString b = touch(QStringLiteral("b.mp3"));
    touch(QStringLiteral("dir/a.wav"));
    const QString txt = touch(QStringLiteral("notes.txt"));
    const QString text = b + QStringLiteral("\r\n\r\n") + path(QStringLiteral("missing.mp3")) + QStringLiteral("\r\n") +
                         txt + QStringLiteral("\r\n") + path(QStringLiteral("dir/")) + QStringLiteral("\r\n") + b;
    EXPECT_EQ(GatherPaths(store, text, {}, options, nullptr), 3);
    EXPECT_EQ(joined(rows()), joined((QStringList{QStringLiteral("b.mp3"), QStringLiteral("dir/a.wav"), QStringLiteral("b.mp3")})));
}

TEST_F(GatherTest, PendingFoldersWinOverTheText)
{
    touch(QStringLiteral("one/a.mp3"));
    const QString other = touch(QStringLiteral("other.mp3"));
    EXPECT_EQ(GatherPaths(store, other, {path(QStringLiteral("one"))}, options, nullptr), 1);
    EXPECT_EQ(joined(rows()), joined(QStringList{QStringLiteral("one/a.mp3")}));
    EXPECT_EQ(GatherPaths(store, QString(), {}, options, nullptr), 0);
}

TEST_F(GatherTest, DuplicatesAreKeptOrDroppedByTheOption)
{
    touch(QStringLiteral("a.mp3"));
    touch(QStringLiteral("sub/b.mp3"));
    EXPECT_EQ(gatherFolders({root(), root()}), 4);
    EXPECT_EQ(joined(rows()), joined((QStringList{"a.mp3", "sub/b.mp3", "a.mp3", "sub/b.mp3"})));

    store.clear();
    options.removeDuplicates = true;
    EXPECT_EQ(gatherFolders({root(), root()}), 2);
    EXPECT_EQ(joined(rows()), joined((QStringList{"a.mp3", "sub/b.mp3"})));
    // Adding the same folder again changes nothing and keeps the first rows.
    store.row(0).sub[ColComment] = QStringLiteral("first");
    EXPECT_EQ(gatherFolders({root()}), 0);
    EXPECT_EQ(joined(rows()), joined((QStringList{"a.mp3", "sub/b.mp3"})));
    EXPECT_EQ(store.row(0).sub[ColComment], QStringLiteral("first"));
}

TEST_F(GatherTest, RemoveDuplicateRowsKeepsTheFirstOfEachPathInInsertionOrder)
{
    const char* paths[] = {"/m/b.mp3", "/m/a.mp3", "/m/b.mp3", "/m/c.mp3", "/m/a.mp3", "/m/A.mp3"};
    for (const char* p : paths) {
        ListRow& r = store.AddPlaceholderRow(QString::fromUtf8(p), QString(), false);
        r.sub[ColComment] = QString::number(store.count() - 1);
    }
    RemoveDuplicateRows(store);
    ASSERT_EQ(store.count(), 4);
    const char* expected[][2] = {{"/m/b.mp3", "0"}, {"/m/a.mp3", "1"}, {"/m/c.mp3", "3"}, {"/m/A.mp3", "5"}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(store.row(i).path(), QString::fromUtf8(expected[i][0]));
        EXPECT_EQ(store.row(i).sub[ColComment], QString::fromUtf8(expected[i][1]));
    }
}

TEST_F(GatherTest, APlaylistAddsFoldersAndOtherPlaylists)
{
    touch(QStringLiteral("music/x.mp3"));
    touch(QStringLiteral("music/deep/y.wav"));
    const QString z = touch(QStringLiteral("elsewhere/z.mp3"));
    touch(QStringLiteral("lists/inner.m3u"), (z + QStringLiteral("\r\n")).toUtf8());
    const QString outer = touch(QStringLiteral("lists/outer.m3u"), "../music\r\ninner.m3u\r\n");
    EXPECT_EQ(gatherText({outer}), 3);
    EXPECT_EQ(joined(rows()), joined((QStringList{"music/x.mp3", "music/deep/y.wav", "elsewhere/z.mp3"})));
}

TEST_F(GatherTest, PlaylistsThatListThemselvesEnd)
{
    touch(QStringLiteral("a.mp3"));
    touch(QStringLiteral("b.m3u"), "a.m3u\r\nb.mp3\r\n");
    touch(QStringLiteral("b.mp3"));
    const QString self = touch(QStringLiteral("a.m3u"), "a.m3u\r\nA.M3U\r\nb.m3u\r\na.mp3\r\n");
    EXPECT_EQ(gatherText({self}), 2);
    EXPECT_EQ(joined(rows()), joined((QStringList{"b.mp3", "a.mp3"})));
}

TEST_F(GatherTest, DeeplyNestedPlaylistsStopAtTheLimit)
{
    // p0 lists p1, ..., each also naming a file; only the first levels are followed.
    const int levels = limits::kMaxPlaylistDepth + 4;
    for (int i = 0; i < levels; ++i) {
        touch(QStringLiteral("f%1.mp3").arg(i));
        touch(QStringLiteral("p%1.m3u").arg(i), QStringLiteral("f%1.mp3\r\np%2.m3u\r\n").arg(i).arg(i + 1).toUtf8());
    }
    gatherText({path(QStringLiteral("p0.m3u"))});
    EXPECT_EQ(store.count(), limits::kMaxPlaylistDepth);
}

TEST_F(GatherTest, WindowsSeparatorsInPlaylistsFindTheFile)
{
    touch(QStringLiteral("Artist/Song.mp3"));
    const QString list = touch(QStringLiteral("list.m3u"), "\xEF\xBB\xBF#EXTM3U\r\n#EXTINF:001,Song\r\nArtist\\Song.mp3");
    EXPECT_EQ(gatherText({list}), 1);
    EXPECT_EQ(joined(rows()), joined(QStringList{QStringLiteral("Artist/Song.mp3")}));
}

TEST_F(GatherTest, ExpandPlaylistsResolvesAgainstThePlaylistFolder)
{
    const QString list = touch(QStringLiteral("pl/list.m3u"), "rel.mp3\r\n/abs/x.mp3\r\nsub/../y.wav\r\n");
    const QStringList out = ExpandPlaylists({QStringLiteral("/keep/me"), list}, options, nullptr);
    EXPECT_EQ(out, (QStringList{QStringLiteral("/keep/me"), path(QStringLiteral("pl/rel.mp3")),
                                QStringLiteral("/abs/x.mp3"), path(QStringLiteral("pl/y.wav"))}));
}

TEST_F(GatherTest, CancelKeepsTheRowsSoFar)
{
    for (int i = 0; i < 10; ++i)
        touch(QStringLiteral("f%1.mp3").arg(i, 2, 10, QLatin1Char('0')));
    RecordingPrompt prompt;
    prompt.cancelAfterSteps = 4;
    EXPECT_EQ(gatherFolders({root()}, &prompt), 4);
    EXPECT_EQ(joined(rows()), joined((QStringList{"f00.mp3", "f01.mp3", "f02.mp3", "f03.mp3"})));
    EXPECT_EQ(prompt.max, 10);
}

TEST_F(GatherTest, CancelStillRunsTheDuplicateCheck)
{
    touch(QStringLiteral("a.mp3"));
    touch(QStringLiteral("b.mp3"));
    store.AddPlaceholderRow(path(QStringLiteral("a.mp3")), QString(), false);
    store.AddPlaceholderRow(path(QStringLiteral("a.mp3")), QString(), false);
    options.removeDuplicates = true;
    RecordingPrompt prompt;
    prompt.cancelAfterSteps = 1;
    gatherFolders({root()}, &prompt);
    EXPECT_EQ(joined(rows()), joined(QStringList{QStringLiteral("a.mp3")}));
}

TEST_F(GatherTest, CancelBeforeTheWalkAddsNothing)
{
    touch(QStringLiteral("a.mp3"));
    RecordingPrompt prompt;
    prompt.cancelAfterSteps = 0;
    EXPECT_EQ(gatherFolders({root()}, &prompt), 0);
    EXPECT_EQ(store.count(), 0);
}

TEST_F(GatherTest, TheUntaggedFilterDecidesForFilesInFolders)
{
    touch(QStringLiteral("keep.mp3"));
    touch(QStringLiteral("drop.mp3"));
    QStringList asked;
    options.untaggedFilter = [&](const QString& p) {
        asked.push_back(QFileInfo(p).fileName());
        return p.endsWith(QStringLiteral("keep.mp3"));
    };
    gatherFolders({root()});
    EXPECT_EQ(joined(rows()), joined(QStringList{QStringLiteral("keep.mp3")}));
    EXPECT_EQ(asked, (QStringList{QStringLiteral("drop.mp3"), QStringLiteral("keep.mp3")}));
}

TEST_F(GatherTest, LinkLoopsEndAndEachFolderIsWalkedOnce)
{
    touch(QStringLiteral("top/a.mp3"));
    touch(QStringLiteral("top/sub/b.mp3"));
    link(path(QStringLiteral("top")), QStringLiteral("top/sub/loop"));
    link(path(QStringLiteral("top/sub")), QStringLiteral("top/again"));
    link(path(QStringLiteral("top/a.mp3")), QStringLiteral("top/sub/linked.mp3"));
    link(path(QStringLiteral("nowhere.mp3")), QStringLiteral("top/broken.mp3"));
    RecordingPrompt prompt;
    gatherFolders({path(QStringLiteral("top"))}, &prompt);
    EXPECT_EQ(joined(rows()), joined((QStringList{"top/a.mp3", "top/again/b.mp3", "top/again/linked.mp3"})));
    EXPECT_EQ(prompt.max, prompt.steps);
}

TEST_F(GatherTest, OnlyRegularFilesBecomeRows)
{
    touch(QStringLiteral("real.mp3"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(path(QStringLiteral("pipe.mp3"))).constData(), 0600), 0);
    RecordingPrompt prompt;
    gatherFolders({root()}, &prompt);
    EXPECT_EQ(joined(rows()), joined(QStringList{QStringLiteral("real.mp3")}));
    EXPECT_EQ(prompt.max, 2);
    EXPECT_EQ(prompt.steps, 2);
    EXPECT_FALSE(IsAcceptedFile(path(QStringLiteral("pipe.mp3")), options.extensions));
}

TEST_F(GatherTest, UnreadableFoldersAreSkippedSilently)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every folder";
    touch(QStringLiteral("open/a.mp3"));
    touch(QStringLiteral("shut/b.mp3"));
    ASSERT_EQ(::chmod(QFile::encodeName(path(QStringLiteral("shut"))).constData(), 0), 0);
    gatherFolders({root()});
    ::chmod(QFile::encodeName(path(QStringLiteral("shut"))).constData(), 0700);
    EXPECT_EQ(joined(rows()), joined(QStringList{QStringLiteral("open/a.mp3")}));
}

TEST_F(GatherTest, DeepTreesStopAtTheDepthLimit)
{
    QString rel = QStringLiteral("d");
    for (int i = 0; i < limits::kMaxFolderDepth + 5; ++i)
        rel += QStringLiteral("/d");
    touch(rel + QStringLiteral("/deep.mp3"));
    touch(QStringLiteral("d/shallow.mp3"));
    gatherFolders({path(QStringLiteral("d"))});
    EXPECT_EQ(joined(rows()), joined(QStringList{QStringLiteral("d/shallow.mp3")}));
}

TEST_F(GatherTest, ManyFilesInOneFolderKeepTheWindowServed)
{
    for (int i = 0; i < 300; ++i)
        touch(QStringLiteral("many/%1.mp3").arg(i, 3, 10, QLatin1Char('0')));
    RecordingPrompt prompt;
    EXPECT_EQ(gatherFolders({path(QStringLiteral("many"))}, &prompt), 300);
    EXPECT_GE(prompt.pumps, 300 / 51);
    EXPECT_EQ(store.row(299).path(), path(QStringLiteral("many/299.mp3")));
}

// A fake device table: the label link, the device node and the mount table.
class PlayerFolderTest : public GatherTest {
protected:
    QString byLabel, mounts, device;
    void SetUp() override
    {
        GatherTest::SetUp();
        byLabel = mkdir(QStringLiteral("dev/disk/by-label"));
        device = touch(QStringLiteral("dev/sdz1"));
        mounts = path(QStringLiteral("mounts"));
    }
    void writeMounts(const QByteArray& text) { touch(QStringLiteral("mounts"), text); }
};

TEST_F(PlayerFolderTest, FindsTheMusicFolderOfTheLabelledVolume)
{
    link(QStringLiteral("../../sdz1"), QStringLiteral("dev/disk/by-label/WALKMAN"));
    const QString mountPoint = mkdir(QStringLiteral("media/My WALKMAN"));
    mkdir(QStringLiteral("media/My WALKMAN/MUSIC"));
    writeMounts("/dev/sda1 / ext4 rw 0 0\n" + QFile::encodeName(device) + " " +
                QFile::encodeName(mountPoint).replace(" ", "\\040") + " vfat rw 0 0\n");
    EXPECT_EQ(PlayerMusicFolder(byLabel, mounts), mountPoint + QStringLiteral("/MUSIC"));
}

TEST_F(PlayerFolderTest, NothingWithoutLabelMountOrMusicFolder)
{
    const QString mountPoint = mkdir(QStringLiteral("media/WALKMAN"));
    writeMounts(QFile::encodeName(device) + " " + QFile::encodeName(mountPoint) + " vfat rw 0 0\n");
    EXPECT_EQ(PlayerMusicFolder(byLabel, mounts), QString()); // no label
    link(QStringLiteral("../../sdz1"), QStringLiteral("dev/disk/by-label/WALKMAN"));
    EXPECT_EQ(PlayerMusicFolder(byLabel, mounts), QString()); // no MUSIC folder
    mkdir(QStringLiteral("media/WALKMAN/MUSIC"));
    EXPECT_EQ(PlayerMusicFolder(byLabel, mounts), mountPoint + QStringLiteral("/MUSIC"));
    writeMounts("/dev/other /mnt vfat rw 0 0\n");
    EXPECT_EQ(PlayerMusicFolder(byLabel, mounts), QString()); // not mounted
    EXPECT_EQ(PlayerMusicFolder(byLabel, path(QStringLiteral("no-such-table"))), QString());
}

TEST_F(GatherTest, PeerSamplesGatherEveryAcceptedFile)
{
    const QString samples = QStringLiteral(QUILLORY_PEER_SAMPLES);
    if (!QFileInfo(samples).isDir())
        GTEST_SKIP() << "no peer samples";
    int expected = 0, files = 0;
    QDirIterator it(samples, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString p = it.next();
        // The walk does not enter folders whose names begin with a dot.
        const QString rel = p.mid(samples.size());
        if (rel.left(rel.lastIndexOf(QLatin1Char('/'))).contains(QStringLiteral("/.")))
            continue;
        ++files;
        const QString ext = QLatin1Char('.') + QFileInfo(p).suffix().toLower();
        expected += options.extensions.contains(ext) ? 1 : 0;
    }
    RecordingPrompt prompt;
    gatherFolders({samples}, &prompt);
    EXPECT_EQ(store.count(), expected);
    EXPECT_EQ(prompt.max, files);
    for (int i = 0; i < store.count(); ++i)
        EXPECT_TRUE(QFileInfo(store.row(i).path()).isFile());
}

} // namespace
