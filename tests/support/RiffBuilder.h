#pragma once
// Byte fixtures for RIFF files: WAVE and RIFF MP3 ("RMP3") with any chunks, LIST/INFO
// sub-chunks, the IID3 sub-chunk, pad bytes, and sizes that lie on purpose.
#include "platform/Bytes.h"

#include <QString>
#include <QTemporaryDir>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillory::test {

// Appends little-endian numbers and ASCII ids to a byte vector.
void appendU16LE(Bytes& out, std::uint16_t v);
void appendU32LE(Bytes& out, std::uint32_t v);
void appendId(Bytes& out, std::string_view id); // exactly the characters given
void appendBytes(Bytes& out, ByteView bytes);

// One chunk: id, size field, data, and a zero pad byte after odd data.
// declaredSize replaces the size field (the data written stays as given).
Bytes riffChunk(std::string_view id, ByteView data, std::optional<std::uint32_t> declaredSize = {},
                bool pad = true);

// The data of a PCM "fmt " chunk (16 bytes).
Bytes pcmFormat(std::uint16_t channels, std::uint32_t sampleRate, std::uint16_t bits,
                std::uint16_t formatTag = 1);

// A LIST chunk (type "INFO" unless changed) with its sub-chunks in the order added.
class InfoListBuilder {
public:
    // A text entry as this program writes it: size = text length + 1, the text, a zero,
    // and a zero pad byte when text length + 1 is odd. text is Shift-JIS (or ASCII).
    InfoListBuilder& entry(std::string_view id, std::string_view text);
    // Any sub-chunk bytes, e.g. with a lying size or without its pad byte.
    InfoListBuilder& raw(ByteView bytes);
    // "IID3", 128, then the 128-byte ID3v1 block.
    InfoListBuilder& iid3(ByteView v1Block);
    InfoListBuilder& listType(std::string_view type);
    // Replaces the LIST size field (normally 4 + the sub-chunks' length).
    InfoListBuilder& declaredSize(std::uint32_t size);

    Bytes build() const; // "LIST", size, type, sub-chunks
    // Length of the sub-chunks added so far.
    std::size_t entriesLength() const { return entries_.size(); }

private:
    Bytes entries_;
    std::string type_ = "INFO";
    std::optional<std::uint32_t> declaredSize_;
};

// A RIFF file: "RIFF", size, form type, the chunks in the order added, then bytes
// outside the RIFF (a plain ID3v1 block).
class RiffBuilder {
public:
    explicit RiffBuilder(std::string_view form = "WAVE");

    RiffBuilder& chunk(std::string_view id, ByteView data);
    RiffBuilder& chunkBytes(ByteView wholeChunk); // a chunk built by riffChunk() or by hand
    RiffBuilder& format(std::uint16_t channels, std::uint32_t sampleRate, std::uint16_t bits);
    RiffBuilder& data(ByteView audio);
    RiffBuilder& list(const InfoListBuilder& info);
    // Bytes after the RIFF data, not counted in the RIFF size.
    RiffBuilder& trailing(ByteView bytes);
    // Replaces the RIFF size field (normally 4 + the chunks' length).
    RiffBuilder& declaredSize(std::uint32_t size);

    Bytes build() const;
    // Offset at which the next chunk added would start.
    std::size_t nextChunkOffset() const { return 12 + body_.size(); }

private:
    std::string form_;
    Bytes body_;
    Bytes trailing_;
    std::optional<std::uint32_t> declaredSize_;
};

// A PCM WAVE file: fmt, data (of the given length of zero samples).
Bytes simpleWave(std::uint16_t channels, std::uint32_t sampleRate, std::uint16_t bits,
                 std::size_t dataBytes = 64);

// A RIFF MP3 as this program builds it: "data" with the MPEG audio at 20, a pad byte
// when 20 + n is odd, the LIST/INFO chunk; v1Block (when given) either as the last
// IID3 entry (inside) or after the RIFF (outside).
Bytes riffMp3(ByteView mpegAudio, InfoListBuilder info = {}, ByteView v1Block = {},
              bool v1Inside = true);

// Files in a temporary folder that lives as long as the object.
class ScratchFolder {
public:
    ScratchFolder();
    bool ok() const { return dir_.isValid(); }
    // Writes bytes to name in the folder and returns the full path.
    QString write(const QString& name, ByteView bytes);
    QString path(const QString& name) const;

private:
    QTemporaryDir dir_;
};

} // namespace quillory::test
