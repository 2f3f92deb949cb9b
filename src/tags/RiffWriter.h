#pragma once
// Writing RIFF MP3 and WAVE files: the LIST/INFO sub-chunks, the IID3 sub-chunk that
// holds an ID3v1 block, and wrapping a plain MP3 into a RIFF MP3. Only the parts that
// change are held in memory; the audio stays a range of the original file.
#include "platform/Bytes.h"
#include "platform/FileWriter.h"
#include "tags/Id3v1.h"
#include "tags/Riff.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <string_view>

namespace quillory {
class FileReader;
}

namespace quillory::riff {

// A RIFF file as it is to be written: head, original bytes before the LIST chunk,
// the LIST chunk (with the zero pad byte put in front of a chunk made at an odd
// offset), original bytes after it, and a plain ID3v1 block after the RIFF.
struct RiffImage {
    Form form = Form::None;
    Bytes head;                   // "RIFF", size, form (a wrapped file: also "data" and its size)
    std::uint64_t preFrom = 0, preLength = 0;
    std::uint8_t listPad = 0;     // zero bytes in front of a LIST chunk made here
    Bytes list;                   // "LIST", size, "INFO", sub-chunks; empty: none
    std::uint64_t postFrom = 0, postLength = 0;
    Bytes trailing;               // plain ID3v1 block after the RIFF data (empty: none)

    // As read, to tell what changed and how the RIFF size moves.
    Bytes originalHead, originalList, originalTrailing;
    std::uint32_t originalRiffSize = 0;
    bool fromFile = true; // false for a wrapped plain MP3 (everything but the audio is new)
};

// Reads the head, the LIST/INFO chunk found by FindRiffChunks (none: one will be made
// at the end of the data, before a trailing ID3v1 block) and a trailing ID3v1 block.
// nullopt when the file is no RIFF or its LIST chunk is too large to hold.
std::optional<RiffImage> OpenRiff(FileReader& file, const ChunkOffsets& chunks);

// Replaces, adds or (empty text) removes the sub-chunk; the text is written as
// Shift-JIS with its terminator and pad byte. A new entry goes before IID3, else after
// the last entry. Returns whether anything changed.
bool SetInfoText(RiffImage& image, std::string_view entryId, const QString& text);

// The ID3v1 block of the file: a plain one after the RIFF or the data of IID3.
std::optional<V1Block> GetV1Block(const RiffImage& image);
// Stores the block where the file has one; a new block goes into an IID3 sub-chunk
// when inside (only for RMP3) and else after the RIFF.
void PutV1Block(RiffImage& image, const V1Block& block, bool inside);

// Wraps a plain MP3 of fileSize bytes (hadV1: its last 128 bytes are an ID3v1 block)
// as RIFF MP3: 20-byte header with the data chunk of the audio, a pad byte when the
// audio ends at an odd offset, an empty LIST/INFO chunk. block: the ID3v1 block to
// keep (inside: as IID3, else after the RIFF).
RiffImage WrapAsRiffMp3(std::uint64_t fileSize, bool hadV1, const std::optional<V1Block>& block, bool inside);

// Size field of the LIST chunk (0 when there is none).
std::uint32_t ListSize(const RiffImage& image);
// The file as it is to be written.
FilePlan RenderRiff(const RiffImage& image);

} // namespace quillory::riff
