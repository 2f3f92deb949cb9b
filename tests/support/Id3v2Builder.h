#pragma once
// Builds ID3v2.2/2.3/2.4 tags byte by byte for tests: header flags, extended header,
// frames with any flags (compressed, grouped, unsynchronised, lying sizes), text,
// COMM/USLT, WXXX and APIC frames, raw garbage, padding and unsynchronisation.
//
//   Bytes tag = Id3v2Builder(3).text("TIT2", 1, u"Title").padding(64).build();
//
// Texts are encoded here with Qt's own UTF codecs and the code page, never with the
// encoders under test.
#include "platform/Bytes.h"

#include <QString>
#include <QStringView>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillory::test {

enum class Utf16Order { Little, Big };

// Bytes from a list of values 0-255 (hex fixtures).
Bytes bytes(std::initializer_list<int> values);
// Bytes of an ASCII/byte string, no terminator.
Bytes bytes(std::string_view s);
Bytes concat(std::initializer_list<ByteView> parts);

// Text in an ID3v2 encoding without terminator: 0 Shift-JIS (CP932), 1 UTF-16 with a
// mark in the given order, 2 UTF-16 big-endian without mark, 3 UTF-8.
Bytes encodeText(int encoding, QStringView text, Utf16Order order = Utf16Order::Little);
// The terminator of the encoding: one zero byte, two for UTF-16.
Bytes terminator(int encoding);

// Frame contents (what follows the frame header), each with its encoding byte.
Bytes textContent(int encoding, QStringView text, Utf16Order order = Utf16Order::Little,
                  bool terminated = true);
// COMM/USLT: encoding, language, description + terminator, text + terminator.
Bytes commentContent(int encoding, std::string_view language, QStringView description, QStringView text,
                     Utf16Order order = Utf16Order::Little);
// WXXX: encoding, description + terminator, the URL in plain bytes.
Bytes urlContent(int encoding, QStringView description, std::string_view url,
                 Utf16Order order = Utf16Order::Little);
// APIC (mimeOrFormat zero-terminated) or, with threeLetterFormat, 2.2 PIC (3 bytes).
Bytes pictureContent(int encoding, std::string_view mimeOrFormat, std::uint8_t pictureType,
                     QStringView description, ByteView data, bool threeLetterFormat = false,
                     Utf16Order order = Utf16Order::Little);

Bytes zlibCompress(ByteView data);
// Unsynchronisation as the standard writes it: a 00 after every FF that is followed
// by 00 or a byte of E0 or more.
Bytes unsynchronise(ByteView data);

struct FrameOptions {
    std::uint16_t flags = 0;                  // flag bits written as given (2.3/2.4)
    bool compress = false;                    // zlib with the version's size prefix and flag
    bool unsync = false;                      // 2.4 per-frame unsynchronisation (flag 0x0002)
    bool dataLength = false;                  // 2.4 data length indicator (flag 0x0001)
    std::optional<std::uint8_t> group{};      // grouping byte and its flag
    std::optional<std::uint32_t> claimedSize{}; // decompressed size / data length to write
    std::optional<std::uint32_t> sizeField{};   // size field to write instead of the real one
};

class Id3v2Builder {
public:
    explicit Id3v2Builder(int version = 3);

    int version() const { return version_; }

    Id3v2Builder& headerFlags(std::uint8_t flags);
    // A standard extended header: 2.3 with a padding field (10 bytes of data), 2.4 the
    // 6-byte minimum.
    Id3v2Builder& extendedHeader(std::uint32_t v3Padding = 0);
    // Extended header bytes as given (the flag is set).
    Id3v2Builder& rawExtendedHeader(Bytes bytes);

    Id3v2Builder& frame(std::string_view id, ByteView content, const FrameOptions& options = {});
    Id3v2Builder& text(std::string_view id, int encoding, QStringView text,
                       Utf16Order order = Utf16Order::Little);
    Id3v2Builder& comment(std::string_view id, int encoding, std::string_view language, QStringView description,
                          QStringView text, Utf16Order order = Utf16Order::Little);
    // WXXX, or WXX in a 2.2 tag.
    Id3v2Builder& url(int encoding, QStringView description, std::string_view url,
                      Utf16Order order = Utf16Order::Little);
    // APIC, or PIC with the first three letters of mime as image format in a 2.2 tag.
    Id3v2Builder& picture(int encoding, std::string_view mime, std::uint8_t pictureType, QStringView description,
                          ByteView data, Utf16Order order = Utf16Order::Little);
    // Bytes placed as they are between the frames (garbage, hand-made headers).
    Id3v2Builder& raw(ByteView bytes);
    Id3v2Builder& padding(std::size_t count);
    // 2.2/2.3: the whole tag after the (extended) header; 2.4: every frame by its own
    // flag. The header flag is set in both cases.
    Id3v2Builder& unsynchronised(bool on = true);
    // Size field of the header instead of the real size.
    Id3v2Builder& declaredSize(std::uint32_t size);

    // Header, extended header, frames and padding.
    Bytes build() const;
    // The same without the 10-byte header and the extended header.
    Bytes body() const;

private:
    struct Piece {
        std::string id; // empty for raw bytes
        Bytes content;
        FrameOptions options;
    };
    Bytes renderFrame(const Piece& piece) const;

    int version_;
    std::uint8_t flags_ = 0;
    bool unsync_ = false;
    std::optional<Bytes> extended_;
    std::vector<Piece> pieces_;
    std::size_t padding_ = 0;
    std::optional<std::uint32_t> declaredSize_;
};

} // namespace quillory::test
