#include "media/wma/ReplaceFile.h"

#include "platform/FileAccess.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace quillory {

namespace {

constexpr std::size_t kCopyChunk = 1u << 20;

bool writeAll(int fd, const std::uint8_t* p, std::size_t n)
{
    while (n > 0) {
        ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += w;
        n -= std::size_t(w);
    }
    return true;
}

void syncFolder(const std::string& dir)
{
    int d = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (d >= 0) {
        ::fsync(d);
        ::close(d);
    }
}

} // namespace

ReplaceResult ReplaceFileWith(const QString& path, ByteView head, FileReader& source, std::uint64_t from,
                              std::uint64_t count, bool stamp)
{
    ReplaceResult r;
    char resolved[PATH_MAX];
    if (!::realpath(nativePath(path).constData(), resolved)) {
        r.error = errno;
        return r;
    }
    const std::string target(resolved);
    struct stat st{};
    if (::stat(target.c_str(), &st) != 0) {
        r.error = errno;
        return r;
    }
    if (!S_ISREG(st.st_mode)) {
        r.error = EINVAL;
        return r;
    }
    if ((st.st_mode & S_IWUSR) == 0 || ::access(target.c_str(), W_OK) != 0) {
        r.error = EACCES;
        return r;
    }

    std::size_t slash = target.rfind('/');
    std::string dir = slash == std::string::npos ? std::string(".") : target.substr(0, slash == 0 ? 1 : slash);
    std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string tmp = (dir == "/" ? std::string() : dir) + "/." + base + ".qwork-XXXXXX";
    int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
    if (fd < 0) {
        r.error = errno;
        return r;
    }

    auto fail = [&](int err) {
        ::close(fd);
        ::unlink(tmp.c_str());
        r.error = err;
        return r;
    };

    if (!writeAll(fd, head.data(), head.size()))
        return fail(errno);
    Bytes chunk(std::size_t(std::min<std::uint64_t>(count, kCopyChunk)));
    std::uint64_t done = 0;
    while (done < count) {
        std::size_t want = std::size_t(std::min<std::uint64_t>(count - done, kCopyChunk));
        std::size_t got = source.readAt(from + done, chunk.data(), want);
        if (got != want)
            return fail(source.error() ? source.error() : EIO);
        if (!writeAll(fd, chunk.data(), got))
            return fail(errno);
        done += got;
    }

    ::fchmod(fd, st.st_mode & 07777);
    // Keeping the owner only works for a privileged user; anyone else becomes the owner.
    [[maybe_unused]] int owned = ::fchown(fd, st.st_uid, st.st_gid);
    if (!stamp) {
        struct timespec times[2] = {st.st_atim, st.st_mtim};
        if (::futimens(fd, times) != 0)
            return fail(errno);
    }
    if (::fsync(fd) != 0)
        return fail(errno);
    if (::close(fd) != 0) {
        int err = errno;
        ::unlink(tmp.c_str());
        r.error = err;
        return r;
    }
    if (::rename(tmp.c_str(), target.c_str()) != 0) {
        int err = errno;
        ::unlink(tmp.c_str());
        r.error = err;
        return r;
    }
    syncFolder(dir);
    r.ok = true;
    return r;
}

} // namespace quillory
