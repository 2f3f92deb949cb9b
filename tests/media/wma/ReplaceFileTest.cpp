#include "media/wma/ReplaceFile.h"

#include "platform/FileAccess.h"
#include "support/Id3v2Builder.h"
#include "support/RiffBuilder.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillory {
namespace {

using namespace quillory::test;

Bytes readAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QByteArray a = f.readAll();
    return Bytes(a.begin(), a.end());
}

struct stat statOf(const QString& path)
{
    struct stat st{};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st;
}

class ReplaceFileTest : public ::testing::Test {
protected:
    ScratchFolder folder;

    QString original()
    {
        const QString p = folder.write(QStringLiteral("song.wma"), bytes("HEADERbody-bytes-after"));
        ::chmod(QFile::encodeName(p).constData(), 0604);
        struct timespec t[2] = {{900'000'000, 0}, {1'000'000'000, 0}};
        ::utimensat(AT_FDCWD, QFile::encodeName(p).constData(), t, 0);
        return p;
    }
    // Only the file itself may be in the folder afterwards: no work file is left.
    QStringList entries() const
    {
        return QDir(folder.path(QString())).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }
};

TEST_F(ReplaceFileTest, WritesHeadAndCopiedRestKeepingModeAndTime)
{
    const QString p = original();
    FileReader src;
    ASSERT_TRUE(src.open(p));
    ReplaceResult r = ReplaceFileWith(p, bytes("NEWHEAD"), src, 6, src.size() - 6, false);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(readAll(p), bytes("NEWHEADbody-bytes-after"));
    EXPECT_EQ(statOf(p).st_mode & 07777, 0604u);
    EXPECT_EQ(statOf(p).st_mtime, 1'000'000'000);
    EXPECT_EQ(entries(), QStringList{QStringLiteral("song.wma")});
}

TEST_F(ReplaceFileTest, StampGivesTheCurrentTime)
{
    const QString p = original();
    FileReader src;
    ASSERT_TRUE(src.open(p));
    ASSERT_TRUE(ReplaceFileWith(p, bytes("H"), src, 6, 4, true).ok);
    EXPECT_GT(statOf(p).st_mtime, 1'000'000'000);
}

TEST_F(ReplaceFileTest, FailuresLeaveTheOriginalAlone)
{
    const QString p = original();
    const Bytes before = readAll(p);
    FileReader src;
    ASSERT_TRUE(src.open(p));

    // More bytes asked for than the source holds (the file shrank meanwhile).
    ReplaceResult shortRead = ReplaceFileWith(p, bytes("NEW"), src, 6, 1000, false);
    EXPECT_FALSE(shortRead.ok);
    EXPECT_NE(shortRead.error, 0);

    // A read-only file is refused.
    ::chmod(QFile::encodeName(p).constData(), 0444);
    ReplaceResult readOnly = ReplaceFileWith(p, bytes("NEW"), src, 6, 4, false);
    EXPECT_FALSE(readOnly.ok);
    EXPECT_EQ(readOnly.error, EACCES);

    ReplaceResult missing = ReplaceFileWith(folder.path(QStringLiteral("gone.wma")), bytes("X"), src, 0, 0, false);
    EXPECT_EQ(missing.error, ENOENT);

    EXPECT_EQ(readAll(p), before);
    EXPECT_EQ(entries(), QStringList{QStringLiteral("song.wma")});
}

TEST_F(ReplaceFileTest, WritesThroughASymbolicLink)
{
    const QString target = original();
    const QString link = folder.path(QStringLiteral("link.wma"));
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()), 0);
    FileReader src;
    ASSERT_TRUE(src.open(link));
    ASSERT_TRUE(ReplaceFileWith(link, bytes("L"), src, 6, 4, false).ok);
    struct stat st{};
    ASSERT_EQ(::lstat(QFile::encodeName(link).constData(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(readAll(target), bytes("Lbody"));
}

} // namespace
} // namespace quillory
