#pragma once
// Code page 932 (Shift-JIS as Japanese Windows writes it) through glibc iconv's
// "CP932" table: 0x8160 <-> U+FF5E, 0x815F <-> U+FF3C, 0x817C <-> U+FF0D and the
// NEC/IBM extensions. The tables are built once from iconv and then used without locks.
#include "platform/Bytes.h"

#include <QString>
#include <QStringView>
#include <optional>
#include <string>

namespace quillory::CodePage {

// Character shown for bytes that form no CP932 character (what Japanese Windows shows).
inline constexpr char16_t kUndecodable = u'\u30FB';

// Decodes the bytes; an invalid or cut sequence becomes kUndecodable per bad byte.
// Decoding stops at nothing: callers cut at a zero byte where the format says so.
QString toUnicode(ByteView bytes);
// Decodes only when every byte sequence is valid CP932 (the strict conversion).
std::optional<QString> toUnicodeStrict(ByteView bytes);

// Encodes to CP932. A character CP932 cannot hold (including every character outside
// the basic plane) becomes `replacement`; `lossless` tells whether that happened.
std::string fromUnicode(QStringView text, char replacement = ' ', bool* lossless = nullptr);
// True when every character of the text has a CP932 form.
bool canEncode(QStringView text);
// Length in CP932 bytes, counting an unmappable character as one byte.
int encodedLength(QStringView text);

// True when byte b starts a double-byte CP932 character.
constexpr bool isLeadByte(std::uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// Largest prefix of CP932 bytes of at most maxBytes that does not split a double-byte
// character (the bytes are assumed to be CP932 text).
std::size_t cutAtCharBoundary(ByteView bytes, std::size_t maxBytes);

} // namespace quillory::CodePage
