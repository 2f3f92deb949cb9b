#pragma once
// Reading ID3v2.2/2.3/2.4 tags: header, extended header, unsynchronisation, the
// frame walk and the look-up of one field's text by its ID3v2.3 frame id.
#include "platform/Bytes.h"
#include "tags/TextEncoding.h"

#include <QString>
#include <cstdint>
#include <string_view>

namespace quillory {
class GenreTable;
}

namespace quillory::id3v2 {

inline constexpr std::uint8_t kFlagUnsync = 0x80;
inline constexpr std::uint8_t kFlagExtended = 0x40;
inline constexpr std::uint8_t kFlagFooter = 0x10;

struct Header {
    int version = 0;        // major version byte
    std::uint8_t flags = 0;
    std::uint32_t size = 0; // syncsafe size: everything after the 10-byte header
};

// True when the bytes begin with "ID3" and hold a 10-byte header.
bool ParseHeader(ByteView bytes, Header& out);

std::uint32_t SyncsafeToInt(const std::uint8_t* p);
void IntToSyncsafe(std::uint8_t* p, std::uint32_t n);
// Size field of a frame header minus 1 (the content after the encoding byte):
// 3 bytes big-endian for 2.2, 4 for 2.3, syncsafe for 2.4. The caller has checked
// that the field is at least 1.
std::uint32_t FrameContentSize(const std::uint8_t* sizeField, int version);

// Length of the extended header (0 when absent or version < 3), for a buffer that
// begins with the tag header. v3Padding receives the 2.3 padding size when given.
std::uint32_t ExtendedHeaderLength(ByteView tag, std::uint32_t* v3Padding = nullptr);

// Removes the 00 of FF 00 when the next byte is 0 or >= 0xE0 (whole buffer).
void Deunsynchronise(Bytes& buffer);
// The same over the part after header and extended header of a full tag buffer; the
// header's size becomes the new size, its unsync flag stays.
void DeunsynchroniseTag(Bytes& tag);

// Frame id validity: all characters but the last A-Z, the last A-Z or 0-9.
bool IsValidFrameId(const std::uint8_t* p, int length);
// Position of the frame after the one at pos, or -1 when no valid id stands there.
long NextFrame(ByteView buffer, long pos, int version);
// Positions in a buffer that begins with the tag header.
long FramesEnd(ByteView tag);
long PaddingSize(ByteView tag);

// The id a version uses for an ID3v2.3 id (2.2 table, TYER -> TDRC for 2.4; other
// ids unchanged).
std::string_view MapFrameId(std::string_view id23, int version);

struct FrameText {
    QString text;                 // decoded text ("" when absent, empty or damaged)
    long position = -1;           // frame position in the buffer, -1 when not found
    int textCode = kCodeUnknown;  // TextCode of the frame found
    QString pictureDescription;   // APIC only
};

// Looks up one field by its ID3v2.3 id in a tag buffer (the body after header and
// extended header, or a buffer that begins with "ID3"). For APIC the text is the
// picture's data size as decimal text. 2.4 per-frame unsynchronisation, data length
// indicators and zlib-compressed frames (2.3 and 2.4) are undone before decoding.
FrameText GetFrameText(ByteView buffer, int version, std::string_view id23);

// Cuts the first APIC/PIC frame of a non-empty size out of the body (header and
// data) and returns whether one was found; description receives its description.
bool CutFirstPicture(Bytes& body, int version, QString* description);

// "(17)" -> genre name of 17, "(17)(24)" -> both names, "(17)Rock" -> name + " Rock".
QString ExpandGenreReferences(const QString& text, const GenreTable* genres);

} // namespace quillory::id3v2
