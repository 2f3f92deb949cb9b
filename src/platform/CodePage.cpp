#include "platform/CodePage.h"

#include <array>
#include <cerrno>
#include <iconv.h>
#include <memory>
#include <mutex>

namespace quillory::CodePage {
namespace {

// Decoding: single bytes and, for each lead byte, 256 trail bytes. 0 means "no character".
struct DecodeTable {
    std::array<char16_t, 256> single{};
    std::array<std::array<char16_t, 256>, 256> dbl{};
};

// Encoding: one entry per BMP code point, 0 = not representable. Values below 0x100 are
// single bytes stored as themselves; double bytes are stored as lead << 8 | trail.
using EncodeTable = std::array<std::uint16_t, 65536>;

char16_t convertOne(iconv_t cd, const char* in, std::size_t len)
{
    char16_t out[4] = {};
    char* inp = const_cast<char*>(in);
    std::size_t inLeft = len;
    char* outp = reinterpret_cast<char*>(out);
    std::size_t outLeft = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &inp, &inLeft, &outp, &outLeft) == std::size_t(-1) || inLeft != 0)
        return 0;
    if (sizeof out - outLeft != 2)
        return 0; // produced nothing or a surrogate pair: not a single BMP character
    return out[0];
}

const DecodeTable& decodeTable()
{
    static std::unique_ptr<DecodeTable> table;
    static std::once_flag once;
    std::call_once(once, [] {
        auto t = std::make_unique<DecodeTable>();
        iconv_t cd = iconv_open("UTF-16LE", "CP932");
        if (cd == iconv_t(-1)) {
            // Without glibc's CP932 module only ASCII can be decoded.
            for (int b = 1; b < 0x80; ++b)
                t->single[b] = char16_t(b);
        } else {
            for (int b = 1; b < 256; ++b) {
                if (isLeadByte(std::uint8_t(b)))
                    continue;
                char c = char(b);
                t->single[b] = convertOne(cd, &c, 1);
            }
            for (int lead = 0x81; lead <= 0xFC; ++lead) {
                if (!isLeadByte(std::uint8_t(lead)))
                    continue;
                for (int trail = 0x40; trail <= 0xFC; ++trail) {
                    const char pair[2] = {char(lead), char(trail)};
                    t->dbl[lead][trail] = convertOne(cd, pair, 2);
                }
            }
            iconv_close(cd);
        }
        table = std::move(t);
    });
    return *table;
}

const EncodeTable& encodeTable()
{
    static std::unique_ptr<EncodeTable> table;
    static std::once_flag once;
    std::call_once(once, [] {
        auto t = std::make_unique<EncodeTable>();
        t->fill(0);
        iconv_t cd = iconv_open("CP932", "UTF-16LE");
        if (cd == iconv_t(-1)) {
            for (int c = 1; c < 0x80; ++c)
                (*t)[c] = std::uint16_t(c);
        } else {
            for (int c = 1; c < 0x10000; ++c) {
                if (c >= 0xD800 && c < 0xE000)
                    continue;
                char16_t u = char16_t(c);
                char out[4];
                char* inp = reinterpret_cast<char*>(&u);
                std::size_t inLeft = 2;
                char* outp = out;
                std::size_t outLeft = sizeof out;
                iconv(cd, nullptr, nullptr, nullptr, nullptr);
                if (iconv(cd, &inp, &inLeft, &outp, &outLeft) == std::size_t(-1))
                    continue;
                std::size_t n = sizeof out - outLeft;
                if (n == 1)
                    (*t)[c] = std::uint8_t(out[0]);
                else if (n == 2)
                    (*t)[c] = std::uint16_t((std::uint8_t(out[0]) << 8) | std::uint8_t(out[1]));
            }
            iconv_close(cd);
        }
        table = std::move(t);
    });
    return *table;
}

bool allAscii(ByteView b)
{
    for (std::uint8_t c : b)
        if (c >= 0x80)
            return false;
    return true;
}

} // namespace

QString toUnicode(ByteView bytes)
{
    if (allAscii(bytes))
        return QString::fromLatin1(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
    const DecodeTable& t = decodeTable();
    QString out;
    out.reserve(qsizetype(bytes.size()));
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::uint8_t b = bytes[i];
        if (b < 0x80) {
            out.append(QChar(char16_t(b)));
        } else if (isLeadByte(b) && i + 1 < bytes.size() && t.dbl[b][bytes[i + 1]] != 0) {
            out.append(QChar(t.dbl[b][bytes[i + 1]]));
            ++i;
        } else if (!isLeadByte(b) && t.single[b] != 0) {
            out.append(QChar(t.single[b]));
        } else {
            out.append(QChar(kUndecodable));
        }
    }
    return out;
}

std::optional<QString> toUnicodeStrict(ByteView bytes)
{
    if (allAscii(bytes))
        return QString::fromLatin1(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
    const DecodeTable& t = decodeTable();
    QString out;
    out.reserve(qsizetype(bytes.size()));
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::uint8_t b = bytes[i];
        if (b == 0) {
            out.append(QChar(u'\0'));
        } else if (isLeadByte(b)) {
            if (i + 1 >= bytes.size() || t.dbl[b][bytes[i + 1]] == 0)
                return std::nullopt;
            out.append(QChar(t.dbl[b][bytes[i + 1]]));
            ++i;
        } else if (t.single[b] != 0) {
            out.append(QChar(t.single[b]));
        } else {
            return std::nullopt;
        }
    }
    return out;
}

std::string fromUnicode(QStringView text, char replacement, bool* lossless)
{
    std::string out;
    out.reserve(std::size_t(text.size()) * 2);
    bool ok = true;
    const EncodeTable* t = nullptr;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char16_t c = text[i].unicode();
        if (c < 0x80) {
            out.push_back(char(c));
            continue;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i; // one character, one replacement
        if (!t)
            t = &encodeTable();
        std::uint16_t e = (c >= 0xD800 && c < 0xE000) ? 0 : (*t)[c];
        if (e == 0) {
            out.push_back(replacement);
            ok = false;
        } else if (e < 0x100) {
            out.push_back(char(e));
        } else {
            out.push_back(char(e >> 8));
            out.push_back(char(e & 0xFF));
        }
    }
    if (lossless)
        *lossless = ok;
    return out;
}

bool canEncode(QStringView text)
{
    bool ok = true;
    for (QChar c : text)
        if (c.unicode() >= 0x80) {
            fromUnicode(text, ' ', &ok);
            return ok;
        }
    return true;
}

int encodedLength(QStringView text)
{
    return int(fromUnicode(text).size());
}

std::size_t cutAtCharBoundary(ByteView bytes, std::size_t maxBytes)
{
    if (bytes.size() <= maxBytes)
        return bytes.size();
    std::size_t i = 0;
    while (i < maxBytes) {
        std::size_t step = (isLeadByte(bytes[i]) && i + 1 < bytes.size()) ? 2 : 1;
        if (i + step > maxBytes)
            break;
        i += step;
    }
    return i;
}

} // namespace quillory::CodePage
