#pragma once
// Tag text encodings: the ID3v2 encoding byte (0 Shift-JIS, 1 UTF-16 with mark,
// 2 UTF-16BE without mark, 3 UTF-8), and the TextCode numbers and names.
#include "platform/Bytes.h"

#include <QString>
#include <QStringView>
#include <optional>

namespace quillory {

enum TextCode : int {
    kCodeSjis = 0,
    kCodeUtf16Be = 1,
    kCodeUtf16BeNoMark = 2,
    kCodeUtf8 = 3,
    kCodeUtf16Le = 5,
    kCodeUnknown = 0x0FFFFFFF, // UTF-16 without mark; also the loader's start value
};

// Mark for newly encoded UTF-16 text.
enum class Utf16Mark { LittleEndian /* FF FE */, BigEndian /* FE FF */, None /* BE, no mark */, Default };

// Decodes the text bytes of a frame (after encoding byte, language, description).
// The text ends at its terminator or the end of the bytes.
QString DecodeFrameText(ByteView text, int encoding);

// UTF-16 with mark and two-byte terminator. Default picks FF FE when littleEndian.
Bytes WideToUtf16(QStringView text, Utf16Mark mark, bool littleEndian = true);
// AnsiToUtf16: Shift-JIS bytes first decoded strictly; nullopt when they are invalid.
std::optional<Bytes> AnsiToUtf16(ByteView sjis, Utf16Mark mark, bool littleEndian = true);
// UTF-8 without mark, with one zero terminator (characters beyond 16 bits as 4 bytes).
Bytes WideToUtf8(QStringView text);
std::optional<Bytes> AnsiToUtf8(ByteView sjis);
// Shift-JIS with zero terminator; unmappable characters become a blank.
Bytes WideToAnsi(QStringView text);

// TextCode of a frame's content (encoding byte first); hasLanguage for COMM/USLT.
int TextCodeOfFrame(ByteView content, bool hasLanguage);
QString TextCodeName(int code);
int TextCodeFromName(const QString& name); // 0, 1, 3 or -1

} // namespace quillory
