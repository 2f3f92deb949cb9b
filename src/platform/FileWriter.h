#pragma once
// Writing files back. A file is described as it is to be written: a sequence of
// pieces, each either new bytes or a range of the original copied as it stands.
// A plan that only overwrites bytes of the same length (and perhaps appends at the
// end) is patched in place; any other plan is written to a new file beside the
// original, flushed, and renamed over it, so that a failure at any step leaves the
// original as it was. Every system call goes through FileOps, which tests replace
// to make a write fail half-way.
#include "platform/Bytes.h"

#include <QString>
#include <cstdint>
#include <sys/stat.h>
#include <sys/types.h>
#include <vector>

namespace quillory {

// The system calls of the writer. Each returns what its POSIX namesake returns and
// leaves errno set on failure.
class FileOps {
public:
    virtual ~FileOps() = default;
    virtual int open(const char* path, int flags, mode_t mode = 0);
    virtual int close(int fd);
    virtual ssize_t pread(int fd, void* buffer, std::size_t count, off_t offset);
    virtual ssize_t pwrite(int fd, const void* buffer, std::size_t count, off_t offset);
    virtual int fsync(int fd);
    virtual int ftruncate(int fd, off_t length);
    virtual int fstat(int fd, struct stat* st);
    virtual int stat(const char* path, struct stat* st);
    virtual int fchmod(int fd, mode_t mode);
    virtual int chmod(const char* path, mode_t mode);
    virtual int fchown(int fd, uid_t uid, gid_t gid);
    virtual int futimens(int fd, const struct timespec times[2]);
    // mkstemp with O_CLOEXEC; the template's X's are replaced.
    virtual int mkstemp(char* pathTemplate);
    virtual int rename(const char* from, const char* to);
    // Fails with EEXIST when `to` exists.
    virtual int renameNoReplace(const char* from, const char* to);
    virtual int unlink(const char* path);

    // The real system.
    static FileOps& system();
};

// One piece of the file to be written.
struct Piece {
    Bytes bytes;               // new bytes (when !original)
    std::uint64_t from = 0;    // range of the original file (when original)
    std::uint64_t length = 0;
    bool original = false;

    static Piece memory(Bytes b)
    {
        Piece p;
        p.bytes = std::move(b);
        return p;
    }
    static Piece source(std::uint64_t from, std::uint64_t length)
    {
        Piece p;
        p.from = from;
        p.length = length;
        p.original = true;
        return p;
    }
    std::uint64_t size() const { return original ? length : std::uint64_t(bytes.size()); }
};
using FilePlan = std::vector<Piece>;

std::uint64_t PlanSize(const FilePlan& plan);
// True when the plan keeps every original range at its own offset, so that it can
// be written by overwriting the new bytes in place (and appending after the end).
// A plan that would make the file shorter is not in place.
bool IsInPlacePlan(const FilePlan& plan, std::uint64_t originalSize);

// What a write must know of the file as it was, and carry over.
struct FileStamp {
    mode_t mode = 0;
    uid_t uid = 0;
    gid_t gid = 0;
    struct timespec atime {};
    struct timespec mtime {};
    std::uint64_t size = 0;
};
// Stats the file (following symbolic links); false with errno in *error.
bool ReadFileStamp(const QString& path, FileStamp& out, int* error, FileOps& ops = FileOps::system());

// Read-only means the owner's write permission is clear.
inline bool IsReadOnly(const FileStamp& s) { return (s.mode & S_IWUSR) == 0; }
// Sets the permission bits of the file at path (e.g. to lift or restore read-only).
bool SetFileMode(const QString& path, mode_t mode, int* error, FileOps& ops = FileOps::system());

enum class WriteWay { None, InPlace, Rewrite };

struct WriteStatus {
    bool ok = false;
    int error = 0; // errno of the step that failed
    WriteWay way = WriteWay::None;
};

struct CommitOptions {
    bool stamp = false;        // keep the time of this write instead of the old one
    bool allowInPlace = true;  // false: always a whole rewrite
};

// Writes the plan over the file at path. A symbolic link is written through to the
// file it names. before: the file as stat'ed before the plan was made (its size is
// the original size the plan refers to; its mode, owner and times are kept).
WriteStatus CommitFilePlan(const QString& path, const FilePlan& plan, const FileStamp& before,
                           const CommitOptions& options, FileOps& ops = FileOps::system());

// Renames a file without replacing an existing one; false with errno in *error
// (EEXIST when the new name is taken).
bool RenameFile(const QString& from, const QString& to, int* error, FileOps& ops = FileOps::system());

} // namespace quillory
