#include "platform/FileWriter.h"

#include "support/RiffBuilder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillory {
namespace {

using test::ScratchFolder;

Bytes readAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray b = f.readAll();
    return Bytes(b.begin(), b.end());
}

Bytes sequence(std::size_t n, std::uint8_t seed = 1)
{
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = std::uint8_t(seed + i * 7);
    return b;
}

FileStamp stampOf(const QString& path)
{
    FileStamp s;
    int error = 0;
    EXPECT_TRUE(ReadFileStamp(path, s, &error)) << error;
    return s;
}

void setOldTime(const QString& path)
{
    struct timespec times[2] = {{1000000000, 123}, {1000000000, 456}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

QStringList entriesOf(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// Fails writes once a byte budget is used up, and optionally a chosen later step.
class FailingOps : public FileOps {
public:
    std::size_t budget = SIZE_MAX; // bytes pwrite may still write; then ENOSPC
    int failPwriteCall = -1;       // this pwrite call (0-based) fails once with EIO
    bool failFsync = false;
    bool failRename = false;
    int pwriteCalls = 0;

    ssize_t pwrite(int fd, const void* buffer, std::size_t count, off_t offset) override
    {
        if (pwriteCalls++ == failPwriteCall) {
            errno = EIO;
            return -1;
        }
        if (budget == 0) {
            errno = ENOSPC;
            return -1;
        }
        const std::size_t n = std::min(count, budget);
        const ssize_t w = FileOps::pwrite(fd, buffer, n, offset);
        if (w > 0)
            budget -= std::size_t(w);
        return w;
    }
    int fsync(int fd) override
    {
        if (failFsync) {
            errno = EIO;
            return -1;
        }
        return FileOps::fsync(fd);
    }
    int rename(const char* from, const char* to) override
    {
        if (failRename) {
            errno = EXDEV;
            return -1;
        }
        return FileOps::rename(from, to);
    }
};

struct InPlaceCase {
    const char* name;
    FilePlan plan;
    std::uint64_t size;
    bool inPlace;
};

class InPlacePlanTest : public ::testing::TestWithParam<InPlaceCase> {};

TEST_P(InPlacePlanTest, TellsOverwritesFromRewrites)
{
    EXPECT_EQ(IsInPlacePlan(GetParam().plan, GetParam().size), GetParam().inPlace);
}

INSTANTIATE_TEST_SUITE_P(
    Plans, InPlacePlanTest,
    ::testing::Values(
        InPlaceCase{"SameLengthHead", {Piece::memory(Bytes(10)), Piece::source(10, 90)}, 100, true},
        InPlaceCase{"AppendAtEnd", {Piece::source(0, 100), Piece::memory(Bytes(128))}, 100, true},
        InPlaceCase{"OverwriteTail", {Piece::source(0, 72), Piece::memory(Bytes(128))}, 200, true},
        InPlaceCase{"LongerHeadShiftsAudio", {Piece::memory(Bytes(11)), Piece::source(10, 90)}, 100, false},
        InPlaceCase{"ShorterHeadShiftsAudio", {Piece::memory(Bytes(9)), Piece::source(10, 90)}, 100, false},
        InPlaceCase{"FileGetsShorter", {Piece::source(0, 50)}, 100, false},
        InPlaceCase{"GapInTheMiddle", {Piece::source(0, 10), Piece::memory(Bytes(5)), Piece::source(20, 80)}, 100,
                    false}),
    [](const auto& info) { return std::string(info.param.name); });

class FileWriterTest : public ::testing::Test {
protected:
    ScratchFolder dir;
    Bytes original = sequence(5000);
    QString path;

    void SetUp() override
    {
        ASSERT_TRUE(dir.ok());
        path = dir.write(QStringLiteral("song.mp3"), original);
        setOldTime(path);
    }
    QString folder() const { return QFileInfo(path).absolutePath(); }
};

TEST_F(FileWriterTest, PatchesInPlaceAndKeepsTheOldTime)
{
    const FileStamp before = stampOf(path);
    FilePlan plan{Piece::memory(Bytes(10, 0xAA)), Piece::source(10, 4990), Piece::memory(Bytes(128, 0xBB))};
    const WriteStatus s = CommitFilePlan(path, plan, before, {});
    ASSERT_TRUE(s.ok) << s.error;
    EXPECT_EQ(s.way, WriteWay::InPlace);

    Bytes want = original;
    std::fill_n(want.begin(), 10, 0xAA);
    want.insert(want.end(), 128, 0xBB);
    EXPECT_EQ(readAll(path), want);
    const FileStamp after = stampOf(path);
    EXPECT_EQ(after.mtime.tv_sec, before.mtime.tv_sec);
    EXPECT_EQ(after.mtime.tv_nsec, before.mtime.tv_nsec);
}

TEST_F(FileWriterTest, RewritesThroughANewFileKeepingModeAndTime)
{
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);
    setOldTime(path);
    const FileStamp before = stampOf(path);
    FilePlan plan{Piece::memory(Bytes(300, 0x11)), Piece::source(100, 4900)};
    const WriteStatus s = CommitFilePlan(path, plan, before, {});
    ASSERT_TRUE(s.ok) << s.error;
    EXPECT_EQ(s.way, WriteWay::Rewrite);

    Bytes want(300, 0x11);
    want.insert(want.end(), original.begin() + 100, original.end());
    EXPECT_EQ(readAll(path), want);
    const FileStamp after = stampOf(path);
    EXPECT_EQ(after.mode & 07777, 0640u);
    EXPECT_EQ(after.mtime.tv_sec, before.mtime.tv_sec);
    EXPECT_EQ(after.mtime.tv_nsec, before.mtime.tv_nsec);
    EXPECT_EQ(entriesOf(folder()), QStringList{QStringLiteral("song.mp3")}) << "no temporary file left";
}

TEST_F(FileWriterTest, StampGivesTheTimeOfTheWrite)
{
    const FileStamp before = stampOf(path);
    for (bool inPlace : {true, false}) {
        setOldTime(path);
        CommitOptions options;
        options.stamp = true;
        options.allowInPlace = inPlace;
        FilePlan plan{Piece::memory(Bytes(10, 0x22)), Piece::source(10, 4990)};
        ASSERT_TRUE(CommitFilePlan(path, plan, before, options).ok);
        EXPECT_GT(stampOf(path).mtime.tv_sec, before.mtime.tv_sec) << (inPlace ? "in place" : "rewrite");
    }
}

TEST_F(FileWriterTest, WritesThroughASymbolicLink)
{
    const QString link = dir.path(QStringLiteral("link.mp3"));
    ASSERT_TRUE(QFile::link(path, link));
    const FileStamp before = stampOf(link);
    FilePlan plan{Piece::memory(Bytes(20, 0x33)), Piece::source(10, 4990)};
    ASSERT_TRUE(CommitFilePlan(link, plan, before, {}).ok);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(readAll(path).size(), 5010u);
    EXPECT_EQ(readAll(path)[0], 0x33);
}

TEST_F(FileWriterTest, FailureHalfWayLeavesTheOriginalUntouched)
{
    const FileStamp before = stampOf(path);
    FilePlan plan{Piece::memory(Bytes(300, 0x44)), Piece::source(100, 4900)};
    FailingOps ops;
    ops.budget = PlanSize(plan) / 2;
    const WriteStatus s = CommitFilePlan(path, plan, before, {}, ops);
    EXPECT_FALSE(s.ok);
    EXPECT_EQ(s.error, ENOSPC);
    EXPECT_EQ(readAll(path), original);
    EXPECT_EQ(entriesOf(folder()), QStringList{QStringLiteral("song.mp3")});
    const FileStamp after = stampOf(path);
    EXPECT_EQ(after.mtime.tv_sec, before.mtime.tv_sec);
}

TEST_F(FileWriterTest, FailedFlushOrRenameLeavesTheOriginalUntouched)
{
    const FileStamp before = stampOf(path);
    FilePlan plan{Piece::memory(Bytes(300, 0x55)), Piece::source(100, 4900)};
    for (int step = 0; step < 2; ++step) {
        FailingOps ops;
        ops.failFsync = step == 0;
        ops.failRename = step == 1;
        const WriteStatus s = CommitFilePlan(path, plan, before, {}, ops);
        EXPECT_FALSE(s.ok);
        EXPECT_EQ(s.error, step == 0 ? EIO : EXDEV);
        EXPECT_EQ(readAll(path), original);
        EXPECT_EQ(entriesOf(folder()), QStringList{QStringLiteral("song.mp3")});
    }
}

TEST_F(FileWriterTest, FailedInPlacePatchIsRolledBack)
{
    const FileStamp before = stampOf(path);
    // Head overwrite succeeds, the appended block fails: both are undone.
    FilePlan plan{Piece::memory(Bytes(10, 0x66)), Piece::source(10, 4990), Piece::memory(Bytes(128, 0x77))};
    FailingOps ops;
    ops.failPwriteCall = 1;
    const WriteStatus s = CommitFilePlan(path, plan, before, {}, ops);
    EXPECT_FALSE(s.ok);
    EXPECT_EQ(s.way, WriteWay::InPlace);
    EXPECT_EQ(readAll(path), original);
}

TEST_F(FileWriterTest, PlanReachingPastTheOriginalFails)
{
    const FileStamp before = stampOf(path);
    FilePlan plan{Piece::memory(Bytes(3)), Piece::source(4000, 2000)};
    const WriteStatus s = CommitFilePlan(path, plan, before, {});
    EXPECT_FALSE(s.ok);
    EXPECT_EQ(readAll(path), original);
}

TEST_F(FileWriterTest, RenameNeverReplacesAnotherFile)
{
    const QString other = dir.write(QStringLiteral("song.rmp"), Bytes{1, 2, 3});
    int error = 0;
    EXPECT_FALSE(RenameFile(path, other, &error));
    EXPECT_EQ(error, EEXIST);
    EXPECT_EQ(readAll(other), (Bytes{1, 2, 3}));
    EXPECT_EQ(readAll(path), original);

    const QString fresh = dir.path(QStringLiteral("fresh.rmp"));
    EXPECT_TRUE(RenameFile(path, fresh, &error)) << error;
    EXPECT_EQ(readAll(fresh), original);
    EXPECT_FALSE(QFileInfo::exists(path));
}

TEST_F(FileWriterTest, ReadOnlyIsTheOwnerWriteBit)
{
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
    EXPECT_TRUE(IsReadOnly(stampOf(path)));
    int error = 0;
    ASSERT_TRUE(SetFileMode(path, 0644, &error));
    EXPECT_FALSE(IsReadOnly(stampOf(path)));
}

} // namespace
} // namespace quillory
