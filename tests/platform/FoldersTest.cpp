#include "platform/Folders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace quillory;

namespace {

void writeFile(const QString& path, const QByteArray& content)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

struct XdgCase {
    const char* xdg;
    QString expectedShared;
};

TEST(ComputeFolders, DerivesEveryFolderFromTheDataHome)
{
    const QString home = QDir::homePath();
    const XdgCase cases[] = {
        {"/srv/data", QStringLiteral("/srv/data/Morva/Quillory")},
        {"/srv/data/", QStringLiteral("/srv/data/Morva/Quillory")},
        {"", home + QStringLiteral("/.local/share/Morva/Quillory")},
        {"relative/path", home + QStringLiteral("/.local/share/Morva/Quillory")},
    };
    for (const XdgCase& c : cases) {
        SCOPED_TRACE(c.xdg);
        Folders f = ComputeFolders(QStringLiteral("/opt/quillory/bin/"), QString::fromUtf8(c.xdg),
                                   QStringLiteral("山田"));
        EXPECT_EQ(f.program, QStringLiteral("/opt/quillory/bin"));
        EXPECT_EQ(f.sharedData, c.expectedShared);
        EXPECT_EQ(f.data, c.expectedShared + QStringLiteral("/data"));
        EXPECT_EQ(f.userData, c.expectedShared + QStringLiteral("/data/山田"));
        EXPECT_EQ(f.work, c.expectedShared + QStringLiteral("/data/work"));
        EXPECT_EQ(f.pictureTemp, c.expectedShared + QStringLiteral("/data/swf_tmp.swf"));
    }
}

TEST(ComputeFolders, ThisProcessUsesItsExecutableAndUser)
{
    Folders f = ComputeFolders();
    EXPECT_TRUE(QFileInfo(f.program).isDir());
    EXPECT_EQ(f.program, QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).absolutePath());
    const QString user = CurrentUserName();
    EXPECT_FALSE(user.isEmpty());
    EXPECT_FALSE(user.contains(QLatin1Char('/')));
    EXPECT_TRUE(f.userData.endsWith(QLatin1Char('/') + user));
}

class PrepareFoldersTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    Folders f;
    void SetUp() override
    {
        f = ComputeFolders(dir.filePath(QStringLiteral("bin")), dir.filePath(QStringLiteral("xdg")),
                           QStringLiteral("tester"));
    }
};

TEST_F(PrepareFoldersTest, CreatesUserDataAndWork)
{
    ASSERT_TRUE(PrepareFolders(f));
    EXPECT_TRUE(QFileInfo(f.userData).isDir());
    EXPECT_TRUE(QFileInfo(f.work).isDir());
    // A second start finds them there.
    EXPECT_TRUE(PrepareFolders(f));
}

TEST_F(PrepareFoldersTest, FailsWhenTheUserFolderCannotBeMade)
{
    writeFile(f.data, "a file where the data folder should be");
    EXPECT_FALSE(PrepareFolders(f));
}

struct MigrationCase {
    const char* file;
    bool fromShared; // else from the data folder
};

TEST_F(PrepareFoldersTest, MovesOldDataFilesIntoTheUserFolder)
{
    const MigrationCase cases[] = {{"artist.txt", true}, {"Genre.txt", false}, {"urllist.txt", false}};
    for (const MigrationCase& c : cases) {
        const QString old = (c.fromShared ? f.sharedData : f.data) + QLatin1Char('/') + QLatin1String(c.file);
        writeFile(old, QByteArray("old ") + c.file);
    }
    // An artist list in the wrong older place is not taken.
    writeFile(f.data + QStringLiteral("/artist.txt"), "not this one");
    ASSERT_TRUE(PrepareFolders(f));
    for (const MigrationCase& c : cases) {
        SCOPED_TRACE(c.file);
        const QString old = (c.fromShared ? f.sharedData : f.data) + QLatin1Char('/') + QLatin1String(c.file);
        EXPECT_EQ(readFile(f.userData + QLatin1Char('/') + QLatin1String(c.file)), QByteArray("old ") + c.file);
        EXPECT_FALSE(QFileInfo::exists(old));
    }
    EXPECT_EQ(readFile(f.data + QStringLiteral("/artist.txt")), QByteArray("not this one"));
}

TEST_F(PrepareFoldersTest, KeepsTheUsersOwnFiles)
{
    writeFile(f.sharedData + QStringLiteral("/artist.txt"), "old");
    writeFile(f.data + QStringLiteral("/Genre.txt"), "old");
    writeFile(f.userData + QStringLiteral("/artist.txt"), "mine");
    writeFile(f.userData + QStringLiteral("/Genre.txt"), "mine");
    ASSERT_TRUE(PrepareFolders(f));
    EXPECT_EQ(readFile(f.userData + QStringLiteral("/artist.txt")), QByteArray("mine"));
    EXPECT_EQ(readFile(f.userData + QStringLiteral("/Genre.txt")), QByteArray("mine"));
    EXPECT_EQ(readFile(f.sharedData + QStringLiteral("/artist.txt")), QByteArray("old"));
}

TEST_F(PrepareFoldersTest, RemoveWorkFolderDeletesContentsButNotWhatLinksPointTo)
{
    ASSERT_TRUE(PrepareFolders(f));
    const QString outside = dir.filePath(QStringLiteral("precious"));
    writeFile(outside + QStringLiteral("/keep.jpg"), "picture");
    writeFile(f.work + QStringLiteral("/prep1.jpg"), "tmp");
    writeFile(f.work + QStringLiteral("/nested/prep2.png"), "tmp");
    ASSERT_EQ(::symlink(QFile::encodeName(outside).constData(),
                        QFile::encodeName(f.work + QStringLiteral("/link")).constData()),
              0);
    EXPECT_TRUE(RemoveWorkFolder(f));
    EXPECT_FALSE(QFileInfo::exists(f.work));
    EXPECT_EQ(readFile(outside + QStringLiteral("/keep.jpg")), QByteArray("picture"));
    EXPECT_TRUE(QFileInfo(f.userData).isDir());
}

TEST_F(PrepareFoldersTest, AWorkFolderThatIsALinkLosesOnlyTheLink)
{
    const QString outside = dir.filePath(QStringLiteral("elsewhere"));
    writeFile(outside + QStringLiteral("/keep.txt"), "keep");
    ASSERT_TRUE(QDir().mkpath(f.data));
    ASSERT_EQ(::symlink(QFile::encodeName(outside).constData(), QFile::encodeName(f.work).constData()), 0);
    EXPECT_TRUE(RemoveWorkFolder(f));
    EXPECT_FALSE(QFileInfo(f.work).isSymLink());
    EXPECT_EQ(readFile(outside + QStringLiteral("/keep.txt")), QByteArray("keep"));
}

TEST_F(PrepareFoldersTest, RemovingAMissingWorkFolderSucceeds)
{
    EXPECT_TRUE(RemoveWorkFolder(f));
    EXPECT_FALSE(RemoveWorkFolder(Folders{}));
}

} // namespace
