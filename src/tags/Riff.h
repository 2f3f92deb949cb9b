#pragma once
// RIFF MP3 (form "RMP3") and WAVE files: the chunk walk, the LIST/INFO chunk and
// its sub-chunks (zero-terminated Shift-JIS texts).
#include "platform/Bytes.h"
#include "platform/FileAccess.h"

#include <QString>
#include <cstdint>
#include <string_view>

namespace quillory::riff {

enum class Form { None, Rmp3, Wave };
// Form of a file from its first 12 bytes ("RIFF" and "RMP3"/"WAVE").
Form FormOf(ByteView first12);

struct ChunkOffsets {
    long long data = -1; // offset of the "data" chunk header
    long long list = -1; // offset of the "LIST" chunk header of type "INFO"
    // The single answer most callers want: LIST when found, else data, else -1.
    long long result() const { return list >= 0 ? list : data; }
};
enum class Find { Both = 0, DataOnly = 1, ListOnly = 2 };
// Walks the top-level chunks of the RIFF file, then falls back to the byte scan
// ("data" from offset 36 in the first 64 bytes, "LIST" of type "INFO" in the last
// 256 bytes) when the walk found neither; a file that is not RIFF gives -1 for both.
ChunkOffsets FindRiffChunks(FileReader& file, Find what = Find::Both);

// Offset of the first "LIST" in the buffer when its type is "INFO", else -1.
long FindListInfo(ByteView buffer);
// Offset of sub-chunk id within a buffer that begins at "LIST", or -1.
long FindInfoEntry(ByteView list, std::string_view id);
// Text of sub-chunk id (Shift-JIS up to its size or first zero), empty otherwise.
QString GetInfoText(ByteView list, std::string_view id);
// INFO id of a field named by its ID3v2.3 frame id (INAM, IART, ...; others unchanged).
std::string_view InfoIdFor(std::string_view frameId23);

} // namespace quillory::riff
