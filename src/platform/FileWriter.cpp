#include "platform/FileWriter.h"

#include "platform/FileAccess.h"

#include <QByteArray>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillory {

namespace {

// Copy buffer of a whole rewrite: large enough that copying audio is not dominated
// by system calls, small enough to stay out of the way.
constexpr std::size_t kCopyChunk = 1u << 20;

struct Fd {
    FileOps& ops;
    int fd = -1;
    explicit Fd(FileOps& o, int f = -1) : ops(o), fd(f) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    void reset()
    {
        if (fd >= 0)
            ops.close(fd);
        fd = -1;
    }
    // Closes and reports the result (a failed close after writing loses data).
    int closeChecked()
    {
        int rc = fd >= 0 ? ops.close(fd) : 0;
        fd = -1;
        return rc;
    }
};

int errnoOr(int fallback) { return errno != 0 ? errno : fallback; }

bool writeAll(FileOps& ops, int fd, const std::uint8_t* p, std::size_t n, std::uint64_t at, int& error)
{
    while (n > 0) {
        errno = 0;
        const ssize_t w = ops.pwrite(fd, p, n, off_t(at));
        if (w < 0) {
            if (errno == EINTR)
                continue;
            error = errnoOr(EIO);
            return false;
        }
        if (w == 0) {
            error = ENOSPC; // a write that makes no progress would loop forever
            return false;
        }
        p += w;
        n -= std::size_t(w);
        at += std::uint64_t(w);
    }
    return true;
}

bool readAll(FileOps& ops, int fd, std::uint8_t* p, std::size_t n, std::uint64_t at, int& error)
{
    while (n > 0) {
        errno = 0;
        const ssize_t r = ops.pread(fd, p, n, off_t(at));
        if (r < 0) {
            if (errno == EINTR)
                continue;
            error = errnoOr(EIO);
            return false;
        }
        if (r == 0) {
            error = EIO; // the original became shorter while we were writing
            return false;
        }
        p += r;
        n -= std::size_t(r);
        at += std::uint64_t(r);
    }
    return true;
}

// The file a path names, through symbolic links, so that a rename replaces the file
// and not the link.
QByteArray resolvedPath(const QString& path)
{
    const QByteArray native = nativePath(path);
    char buf[PATH_MAX];
    if (::realpath(native.constData(), buf))
        return QByteArray(buf);
    return native;
}

void splitPath(const QByteArray& path, QByteArray& dir, QByteArray& name)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0) {
        dir = ".";
        name = path;
    } else {
        dir = slash == 0 ? QByteArray("/") : path.left(slash);
        name = path.mid(slash + 1);
    }
}

WriteStatus failed(int error, WriteWay way)
{
    WriteStatus s;
    s.ok = false;
    s.error = error;
    s.way = way;
    return s;
}

WriteStatus patchInPlace(const QByteArray& path, const FilePlan& plan, const FileStamp& before,
                         const CommitOptions& options, FileOps& ops)
{
    Fd fd(ops, ops.open(path.constData(), O_RDWR | O_CLOEXEC));
    if (fd.fd < 0)
        return failed(errnoOr(EIO), WriteWay::InPlace);

    // Keep what each patch overwrites, so that a failure can put it back.
    struct Saved {
        std::uint64_t at;
        Bytes bytes;
    };
    std::vector<Saved> saved;
    int error = 0;
    std::uint64_t pos = 0;
    for (const Piece& p : plan) {
        if (!p.original && !p.bytes.empty() && pos < before.size) {
            Saved s;
            s.at = pos;
            s.bytes.resize(std::size_t(std::min<std::uint64_t>(p.bytes.size(), before.size - pos)));
            if (!readAll(ops, fd.fd, s.bytes.data(), s.bytes.size(), pos, error))
                return failed(error, WriteWay::InPlace);
            saved.push_back(std::move(s));
        }
        pos += p.size();
    }

    auto rollBack = [&] {
        int ignored = 0;
        for (const Saved& s : saved)
            writeAll(ops, fd.fd, s.bytes.data(), s.bytes.size(), s.at, ignored);
        ops.ftruncate(fd.fd, off_t(before.size));
        if (!options.stamp) {
            const struct timespec times[2] = {before.atime, before.mtime};
            ops.futimens(fd.fd, times);
        }
    };

    pos = 0;
    for (const Piece& p : plan) {
        if (!p.original && !p.bytes.empty() && !writeAll(ops, fd.fd, p.bytes.data(), p.bytes.size(), pos, error)) {
            rollBack();
            return failed(error, WriteWay::InPlace);
        }
        pos += p.size();
    }
    // No flush here: an overwrite inside the file is as durable as any write, and a
    // flush per file would make a batch crawl.
    if (!options.stamp) {
        const struct timespec times[2] = {before.atime, before.mtime};
        ops.futimens(fd.fd, times);
    }
    if (fd.closeChecked() != 0)
        return failed(errnoOr(EIO), WriteWay::InPlace);
    WriteStatus ok;
    ok.ok = true;
    ok.way = WriteWay::InPlace;
    return ok;
}

WriteStatus rewriteWhole(const QByteArray& path, const FilePlan& plan, const FileStamp& before,
                         const CommitOptions& options, FileOps& ops)
{
    QByteArray dir, name;
    splitPath(path, dir, name);

    Fd src(ops);
    bool needsSource = std::any_of(plan.begin(), plan.end(), [](const Piece& p) { return p.original && p.length; });
    if (needsSource) {
        src.fd = ops.open(path.constData(), O_RDONLY | O_CLOEXEC);
        if (src.fd < 0)
            return failed(errnoOr(EIO), WriteWay::Rewrite);
    }

    QByteArray tmpl = dir + "/." + name + ".quillory-XXXXXX";
    Fd out(ops, ops.mkstemp(tmpl.data()));
    if (out.fd < 0)
        return failed(errnoOr(EIO), WriteWay::Rewrite);

    int error = 0;
    auto abandon = [&](int err) {
        out.reset();
        ops.unlink(tmpl.constData());
        return failed(err, WriteWay::Rewrite);
    };

    std::uint64_t at = 0;
    Bytes buffer;
    for (const Piece& p : plan) {
        if (!p.original) {
            if (!writeAll(ops, out.fd, p.bytes.data(), p.bytes.size(), at, error))
                return abandon(error);
            at += p.bytes.size();
            continue;
        }
        if (p.from > before.size || p.length > before.size - p.from)
            return abandon(EIO); // a plan that reaches past the original is a bug, never a short copy
        if (buffer.empty() && p.length)
            buffer.resize(std::size_t(std::min<std::uint64_t>(kCopyChunk, before.size)));
        std::uint64_t done = 0;
        while (done < p.length) {
            const std::size_t n = std::size_t(std::min<std::uint64_t>(buffer.size(), p.length - done));
            if (!readAll(ops, src.fd, buffer.data(), n, p.from + done, error) ||
                !writeAll(ops, out.fd, buffer.data(), n, at, error))
                return abandon(error);
            done += n;
            at += n;
        }
    }
    if (ops.fsync(out.fd) != 0)
        return abandon(errnoOr(EIO));
    if (ops.fchmod(out.fd, before.mode & 07777) != 0)
        return abandon(errnoOr(EIO));
    // Only the superuser may give a file away; a file of our own keeps its owner anyway.
    if (ops.fchown(out.fd, before.uid, before.gid) != 0)
        ops.fchown(out.fd, uid_t(-1), before.gid);
    if (!options.stamp) {
        const struct timespec times[2] = {before.atime, before.mtime};
        if (ops.futimens(out.fd, times) != 0)
            return abandon(errnoOr(EIO));
    }
    if (out.closeChecked() != 0) {
        ops.unlink(tmpl.constData());
        return failed(errnoOr(EIO), WriteWay::Rewrite);
    }
    src.reset();
    if (ops.rename(tmpl.constData(), path.constData()) != 0) {
        error = errnoOr(EIO);
        ops.unlink(tmpl.constData());
        return failed(error, WriteWay::Rewrite);
    }
    // The new file was flushed before the rename, so after a crash the name holds either
    // the old or the new contents, never a part; the folder itself is not flushed.
    WriteStatus ok;
    ok.ok = true;
    ok.way = WriteWay::Rewrite;
    return ok;
}

} // namespace

int FileOps::open(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }
int FileOps::close(int fd) { return ::close(fd); }
ssize_t FileOps::pread(int fd, void* buffer, std::size_t count, off_t offset)
{
    return ::pread(fd, buffer, count, offset);
}
ssize_t FileOps::pwrite(int fd, const void* buffer, std::size_t count, off_t offset)
{
    return ::pwrite(fd, buffer, count, offset);
}
int FileOps::fsync(int fd) { return ::fsync(fd); }
int FileOps::ftruncate(int fd, off_t length) { return ::ftruncate(fd, length); }
int FileOps::fstat(int fd, struct stat* st) { return ::fstat(fd, st); }
int FileOps::stat(const char* path, struct stat* st) { return ::stat(path, st); }
int FileOps::fchmod(int fd, mode_t mode) { return ::fchmod(fd, mode); }
int FileOps::chmod(const char* path, mode_t mode) { return ::chmod(path, mode); }
int FileOps::fchown(int fd, uid_t uid, gid_t gid) { return ::fchown(fd, uid, gid); }
int FileOps::futimens(int fd, const struct timespec times[2]) { return ::futimens(fd, times); }
int FileOps::mkstemp(char* pathTemplate) { return ::mkostemp(pathTemplate, O_CLOEXEC); }
int FileOps::rename(const char* from, const char* to) { return ::rename(from, to); }
int FileOps::renameNoReplace(const char* from, const char* to)
{
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return -1;
    // File systems without RENAME_NOREPLACE: a hard link refuses an existing name.
    if (::link(from, to) == 0)
        return ::unlink(from);
    if (errno == EEXIST)
        return -1;
    struct stat st{};
    if (::lstat(to, &st) == 0) {
        errno = EEXIST;
        return -1;
    }
    return ::rename(from, to);
}
int FileOps::unlink(const char* path) { return ::unlink(path); }

FileOps& FileOps::system()
{
    static FileOps ops;
    return ops;
}

std::uint64_t PlanSize(const FilePlan& plan)
{
    std::uint64_t n = 0;
    for (const Piece& p : plan)
        n += p.size();
    return n;
}

bool IsInPlacePlan(const FilePlan& plan, std::uint64_t originalSize)
{
    std::uint64_t pos = 0;
    for (const Piece& p : plan) {
        if (p.original && p.length != 0 && p.from != pos)
            return false;
        pos += p.size();
    }
    return pos >= originalSize;
}

bool ReadFileStamp(const QString& path, FileStamp& out, int* error, FileOps& ops)
{
    struct stat st{};
    if (ops.stat(nativePath(path).constData(), &st) != 0) {
        if (error)
            *error = errnoOr(EIO);
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        if (error)
            *error = EISDIR;
        return false;
    }
    out.mode = st.st_mode;
    out.uid = st.st_uid;
    out.gid = st.st_gid;
    out.atime = st.st_atim;
    out.mtime = st.st_mtim;
    out.size = std::uint64_t(st.st_size);
    return true;
}

bool SetFileMode(const QString& path, mode_t mode, int* error, FileOps& ops)
{
    if (ops.chmod(nativePath(path).constData(), mode & 07777) == 0)
        return true;
    if (error)
        *error = errnoOr(EIO);
    return false;
}

WriteStatus CommitFilePlan(const QString& path, const FilePlan& plan, const FileStamp& before,
                           const CommitOptions& options, FileOps& ops)
{
    const QByteArray target = resolvedPath(path);
    errno = 0;
    if (options.allowInPlace && IsInPlacePlan(plan, before.size))
        return patchInPlace(target, plan, before, options, ops);
    return rewriteWhole(target, plan, before, options, ops);
}

bool RenameFile(const QString& from, const QString& to, int* error, FileOps& ops)
{
    if (ops.renameNoReplace(nativePath(from).constData(), nativePath(to).constData()) == 0)
        return true;
    if (error)
        *error = errnoOr(EIO);
    return false;
}

} // namespace quillory
