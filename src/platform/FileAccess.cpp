#include "platform/FileAccess.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillory {

QByteArray nativePath(const QString& path)
{
    return QFile::encodeName(path);
}

QString systemErrorText(int errnum)
{
    char buf[512];
    // GNU strerror_r returns the message pointer.
    const char* msg = strerror_r(errnum, buf, sizeof buf);
    return QString::fromLocal8Bit(msg);
}

bool FileReader::open(const QString& path)
{
    close();
    int fd = ::open(nativePath(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error_ = errno;
        return false;
    }
    struct stat st{};
    if (::fstat(fd, &st) != 0) {
        error_ = errno;
        ::close(fd);
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        error_ = EISDIR;
        ::close(fd);
        return false;
    }
    fd_ = fd;
    size_ = std::uint64_t(st.st_size);
    error_ = 0;
    return true;
}

void FileReader::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    size_ = 0;
    regionCount_ = 0;
}

void FileReader::prefetch(std::uint64_t offset, std::size_t len)
{
    if (fd_ < 0 || offset >= size_ || regionCount_ >= 2)
        return;
    if (len > size_ - offset)
        len = std::size_t(size_ - offset);
    Region& r = regions_[regionCount_];
    r.offset = offset;
    r.bytes.resize(len);
    r.bytes.resize(readUncached(offset, r.bytes.data(), len));
    ++regionCount_;
}

ByteView FileReader::cached(std::uint64_t offset, std::size_t len) const
{
    for (int i = 0; i < regionCount_; ++i) {
        const Region& r = regions_[i];
        if (offset >= r.offset && offset - r.offset <= r.bytes.size() &&
            len <= r.bytes.size() - (offset - r.offset))
            return ByteView(r.bytes.data() + (offset - r.offset), len);
    }
    return {};
}

std::size_t FileReader::readAt(std::uint64_t offset, void* dst, std::size_t len)
{
    if (fd_ < 0 || offset >= size_)
        return 0;
    if (len > size_ - offset)
        len = std::size_t(size_ - offset);
    if (len == 0)
        return 0;
    ByteView hit = cached(offset, len);
    if (!hit.empty()) {
        std::memcpy(dst, hit.data(), len);
        return len;
    }
    return readUncached(offset, dst, len);
}

std::size_t FileReader::readUncached(std::uint64_t offset, void* dst, std::size_t len)
{
    std::size_t done = 0;
    auto* p = static_cast<char*>(dst);
    while (done < len) {
        ssize_t n = ::pread(fd_, p + done, len - done, off_t(offset + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error_ = errno;
            break;
        }
        if (n == 0)
            break;
        done += std::size_t(n);
    }
    return done;
}

bool FileReader::readAt(std::uint64_t offset, std::size_t len, Bytes& out)
{
    if (fd_ < 0 || offset >= size_) {
        out.clear();
        return fd_ >= 0;
    }
    if (len > size_ - offset)
        len = std::size_t(size_ - offset);
    out.resize(len);
    std::size_t n = readAt(offset, out.data(), len);
    out.resize(n);
    return n == len;
}

} // namespace quillory
