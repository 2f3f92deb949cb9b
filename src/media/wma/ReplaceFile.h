#pragma once
// Whole-file rewrite that never leaves a half-written file behind: the new contents
// go to a fresh file in the same folder, which is flushed and then renamed over the
// original. A failure at any step leaves the original as it was.
#include "platform/Bytes.h"

#include <QString>
#include <cstdint>

namespace quillory {

class FileReader;

struct ReplaceResult {
    bool ok = false;
    int error = 0; // errno of the failed step
};

// The new file is head followed by count bytes of source from offset from. It gets
// the original's permission bits and, unless stamp is set, its access and
// modification times. A path that is a symbolic link is written through to the file
// it names. A file whose owner write bit is clear is refused (EACCES).
ReplaceResult ReplaceFileWith(const QString& path, ByteView head, FileReader& source, std::uint64_t from,
                              std::uint64_t count, bool stamp);

} // namespace quillory
