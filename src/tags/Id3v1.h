#pragma once
// The 128-byte ID3v1 block at the end of a file (1.0 and 1.1).
#include "platform/Bytes.h"

#include <QString>
#include <array>
#include <string_view>

namespace quillory {

class GenreTable;

using V1Block = std::array<std::uint8_t, 128>;

struct TAGDATA {
    QString title, artist, album, year, comment; // decoded from Shift-JIS
    unsigned track = 0;
    QString genre;                               // name of byte 127
    std::uint8_t genreByte = 255;
};

bool IsV1Block(ByteView block); // begins with "TAG" and holds 128 bytes
// Parses a block that begins with "TAG"; genres may be null (no names then).
TAGDATA ParseV1Block(ByteView block, const GenreTable* genres);
// Writes one field, named by its ID3v2.3 id (TIT2 TPE1 TALB TYER COMM TCON TRCK);
// TCON and TRCK take decimal text. The text is cut at a Shift-JIS character boundary.
void SetV1Field(V1Block& block, std::string_view frameId, const QString& text);
V1Block NewV1Block();
// One field again by its ID3v2.3 id (TRCK: the track byte when byte 125 or 126 is set).
QString V1FieldText(ByteView block, std::string_view frameId, const GenreTable* genres);
// Number for a genre column text: GenreNumber, or -1 (stored as 255).
int V1GenreNumber(const QString& genreText, const GenreTable* genres);

} // namespace quillory
