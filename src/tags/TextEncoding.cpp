#include "tags/TextEncoding.h"

#include "platform/CodePage.h"

#include <algorithm>

namespace quillory {
namespace {

constexpr char16_t kReplacementChar = u'\uFFFD';

ByteView untilZeroByte(ByteView bytes)
{
    auto zero = std::find(bytes.begin(), bytes.end(), std::uint8_t(0));
    return bytes.first(std::size_t(zero - bytes.begin()));
}

// Code units up to the first zero unit; a lone trailing byte is no unit.
QString decodeUtf16(ByteView bytes, bool bigEndian)
{
    QString out;
    const std::size_t units = bytes.size() / 2;
    std::size_t n = 0;
    while (n < units && (bytes[2 * n] | bytes[2 * n + 1]) != 0)
        ++n;
    out.resize(qsizetype(n));
    char16_t* dst = reinterpret_cast<char16_t*>(out.data());
    for (std::size_t i = 0; i < n; ++i)
        dst[i] = bigEndian ? readU16BE(&bytes[2 * i]) : readU16LE(&bytes[2 * i]);
    return out;
}

// Continuation bytes are taken as they come (only their low six bits count), as
// the tags of this program have always been read; a zero byte ends the text first.
QString decodeUtf8(ByteView bytes)
{
    if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF)
        bytes = bytes.subspan(3);
    bytes = untilZeroByte(bytes);
    QString out;
    out.reserve(qsizetype(bytes.size()));
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::uint8_t b = bytes[i];
        std::size_t len;
        if (b < 0x80)
            len = 1;
        else if ((b & 0xE0) == 0xC0)
            len = 2;
        else if ((b & 0xF8) == 0xF0)
            len = 4;
        else
            len = 3;
        if (i + len > bytes.size())
            break; // a sequence cut by the end of the frame
        char32_t c;
        switch (len) {
        case 1: c = b; break;
        case 2: c = (char32_t(b & 0x1F) << 6) | (bytes[i + 1] & 0x3F); break;
        case 3:
            c = (char32_t(b & 0x0F) << 12) | (char32_t(bytes[i + 1] & 0x3F) << 6) | (bytes[i + 2] & 0x3F);
            break;
        default:
            c = (char32_t(b & 0x07) << 18) | (char32_t(bytes[i + 1] & 0x3F) << 12) |
                (char32_t(bytes[i + 2] & 0x3F) << 6) | (bytes[i + 3] & 0x3F);
            break;
        }
        i += len;
        if (c >= 0x10000) {
            if (c > 0x10FFFF) {
                out.append(QChar(kReplacementChar));
            } else {
                out.append(QChar(QChar::highSurrogate(c)));
                out.append(QChar(QChar::lowSurrogate(c)));
            }
        } else {
            out.append(QChar(char16_t(c)));
        }
    }
    return out;
}

void appendUnit(Bytes& out, char16_t u, bool bigEndian)
{
    if (bigEndian) {
        out.push_back(std::uint8_t(u >> 8));
        out.push_back(std::uint8_t(u & 0xFF));
    } else {
        out.push_back(std::uint8_t(u & 0xFF));
        out.push_back(std::uint8_t(u >> 8));
    }
}

// A C string of Shift-JIS bytes: the caller's terminator, when present, ends it.
std::optional<QString> sjisToWideStrict(ByteView sjis)
{
    return CodePage::toUnicodeStrict(untilZeroByte(sjis));
}

} // namespace

QString DecodeFrameText(ByteView text, int encoding)
{
    switch (encoding) {
    case 1:
        if (text.size() >= 2 && text[0] == 0xFF && text[1] == 0xFE)
            return decodeUtf16(text.subspan(2), false);
        if (text.size() >= 2 && text[0] == 0xFE && text[1] == 0xFF)
            return decodeUtf16(text.subspan(2), true);
        return {};
    case 2:
        return decodeUtf16(text, true);
    case 3:
        return decodeUtf8(text);
    default:
        // Encoding 0 and any byte this program does not know: code-page text.
        return CodePage::toUnicode(untilZeroByte(text));
    }
}

Bytes WideToUtf16(QStringView text, Utf16Mark mark, bool littleEndian)
{
    if (mark == Utf16Mark::Default)
        mark = littleEndian ? Utf16Mark::LittleEndian : Utf16Mark::BigEndian;
    const bool bigEndian = mark != Utf16Mark::LittleEndian;
    Bytes out;
    out.reserve(std::size_t(text.size()) * 2 + 4);
    if (mark != Utf16Mark::None)
        appendUnit(out, u'\uFEFF', bigEndian);
    for (QChar c : text)
        appendUnit(out, c.unicode(), bigEndian);
    out.push_back(0);
    out.push_back(0);
    return out;
}

std::optional<Bytes> AnsiToUtf16(ByteView sjis, Utf16Mark mark, bool littleEndian)
{
    std::optional<QString> wide = sjisToWideStrict(sjis);
    if (!wide)
        return std::nullopt;
    return WideToUtf16(*wide, mark, littleEndian);
}

Bytes WideToUtf8(QStringView text)
{
    Bytes out;
    out.reserve(std::size_t(text.size()) * 3 + 1);
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(char16_t(c), text[i + 1].unicode());
            ++i;
        } else if (QChar::isSurrogate(c)) {
            c = kReplacementChar; // half a pair has no UTF-8 form
        }
        if (c < 0x80) {
            out.push_back(std::uint8_t(c));
        } else if (c < 0x800) {
            out.push_back(std::uint8_t(0xC0 | (c >> 6)));
            out.push_back(std::uint8_t(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(std::uint8_t(0xE0 | (c >> 12)));
            out.push_back(std::uint8_t(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(std::uint8_t(0x80 | (c & 0x3F)));
        } else {
            out.push_back(std::uint8_t(0xF0 | (c >> 18)));
            out.push_back(std::uint8_t(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(std::uint8_t(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(std::uint8_t(0x80 | (c & 0x3F)));
        }
    }
    out.push_back(0);
    return out;
}

std::optional<Bytes> AnsiToUtf8(ByteView sjis)
{
    std::optional<QString> wide = sjisToWideStrict(sjis);
    if (!wide)
        return std::nullopt;
    return WideToUtf8(*wide);
}

Bytes WideToAnsi(QStringView text)
{
    QString swapped;
    if (!text.isEmpty() && text[0].unicode() == 0xFEFF) {
        text = text.mid(1);
    } else if (!text.isEmpty() && text[0].unicode() == 0xFFFE) {
        // A big-endian mark read as little-endian: every unit is byte-swapped.
        swapped.resize(text.size() - 1);
        for (qsizetype i = 1; i < text.size(); ++i) {
            const char16_t u = text[i].unicode();
            swapped[i - 1] = QChar(char16_t((u >> 8) | (u << 8)));
        }
        text = swapped;
    }
    const std::string sjis = CodePage::fromUnicode(text, ' ');
    Bytes out(sjis.begin(), sjis.end());
    out.push_back(0);
    return out;
}

int TextCodeOfFrame(ByteView content, bool hasLanguage)
{
    if (content.empty())
        return kCodeUnknown;
    const int encoding = content[0];
    if (encoding != 1)
        return encoding;
    const std::size_t at = hasLanguage ? 4 : 1;
    if (content.size() < at + 2)
        return kCodeUnknown;
    if (content[at] == 0xFF && content[at + 1] == 0xFE)
        return kCodeUtf16Le;
    if (content[at] == 0xFE && content[at + 1] == 0xFF)
        return kCodeUtf16Be;
    return kCodeUnknown;
}

QString TextCodeName(int code)
{
    switch (code) {
    case kCodeSjis: return QStringLiteral("Sjis");
    case kCodeUtf16Be: return QStringLiteral("Utf16 be");
    case kCodeUtf16Le: return QStringLiteral("Utf16 le");
    case kCodeUtf8: return QStringLiteral("Utf8");
    default: return {};
    }
}

int TextCodeFromName(const QString& name)
{
    if (name == QLatin1String("Sjis"))
        return 0;
    if (name.startsWith(QLatin1String("Utf16")))
        return 1;
    if (name == QLatin1String("Utf8"))
        return 3;
    return -1;
}

} // namespace quillory
