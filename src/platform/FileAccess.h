#pragma once
// POSIX file access for readers: one descriptor per file, positioned reads that
// never read past the end, and the system's error text.
#include "platform/Bytes.h"

#include <QString>
#include <cstdint>

namespace quillory {

class FileReader {
public:
    FileReader() = default;
    ~FileReader() { close(); }
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;
    
    // Opens for reading; false with error() set (errno) when it fails.
    bool open(const QString& path);
    void close();
    bool isOpen() const { return fd_ >= 0; }
    std::uint64_t size() const { return size_; }
    int error() const { return error_; }

    // Reads up to len bytes at offset into dst; returns the count read (short at the
    // end of the file, 0 on error or past the end).
    std::size_t readAt(std::uint64_t offset, void* dst, std::size_t len);
    // Reads [offset, offset+len) clipped to the file into out (resized to what was read).
    bool readAt(std::uint64_t offset, std::size_t len, Bytes& out);

    // Reads a region once and serves later reads that fall inside it from memory,
    // so that the several small readers of one file cost one system call. Up to two
    // regions (the head and the tail of a file) are kept until close().
    void prefetch(std::uint64_t offset, std::size_t len);
    // Bytes of a prefetched region starting at offset, or an empty view.
    ByteView cached(std::uint64_t offset, std::size_t len) const;

private:
    struct Region {
        std::uint64_t offset = 0;
        Bytes bytes;
    };
    std::size_t readUncached(std::uint64_t offset, void* dst, std::size_t len);
    Region regions_[2];
    int regionCount_ = 0;
    int fd_ = -1;
    std::uint64_t size_ = 0;
    int error_ = 0;
};

// Path as bytes for the system calls.
QByteArray nativePath(const QString& path);
// "path: error text" in the user's language, the way failures are shown.
QString systemErrorText(int errnum);

} // namespace quillory
