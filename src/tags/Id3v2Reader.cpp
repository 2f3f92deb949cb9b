#include "tags/Id3v2Reader.h"

#include "media/Genres.h"
#include "platform/Limits.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <zlib.h>

namespace quillory::id3v2 {
namespace {

constexpr std::size_t kHeaderBytes = 10;

// Frame flags, second (format) byte, as 16-bit values of the two flag bytes.
constexpr std::uint16_t kV23Compressed = 0x0080;
constexpr std::uint16_t kV23Encrypted = 0x0040;
constexpr std::uint16_t kV23Grouped = 0x0020;
constexpr std::uint16_t kV24Grouped = 0x0040;
constexpr std::uint16_t kV24Compressed = 0x0008;
constexpr std::uint16_t kV24Encrypted = 0x0004;
constexpr std::uint16_t kV24Unsynchronised = 0x0002;
constexpr std::uint16_t kV24DataLength = 0x0001;

struct IdPair {
    std::string_view v23;
    std::string_view v22;
};

// The program's own 2.2 table; USLT goes to LYR (not ULT) on purpose.
constexpr std::array<IdPair, 16> kV22Ids{{
    {"TIT2", "TT2"}, {"TPE1", "TP1"}, {"TALB", "TAL"}, {"TRCK", "TRK"},
    {"TYER", "TYE"}, {"COMM", "COM"}, {"TCON", "TCO"}, {"TCOP", "TCR"},
    {"TCOM", "TCM"}, {"TEXT", "TXT"}, {"TPUB", "TPB"}, {"TPOS", "TPA"},
    {"APIC", "PIC"}, {"USLT", "LYR"}, {"WXXX", "WXX"}, {"TSSE", "TSS"},
}};

bool isOneOf(std::string_view id, std::initializer_list<std::string_view> ids)
{
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

struct FrameHeader {
    std::size_t headerLength = 0;
    std::uint32_t size = 0; // the size field: bytes after the header
    std::uint16_t flags = 0;
};

// Whether a frame, padding or the end of the bytes stands at q.
bool plausibleFrameStart(ByteView buffer, std::uint64_t q)
{
    if (q == buffer.size())
        return true;
    if (q > buffer.size())
        return false;
    return buffer[q] == 0 || (q + 4 <= buffer.size() && IsValidFrameId(buffer.data() + q, 4));
}

// 2.4 frame sizes are syncsafe, but some taggers write them as plain 32-bit numbers.
// A size with a high bit set cannot be syncsafe; one whose syncsafe reading leads
// nowhere while the plain reading leads to the next frame is taken plainly.
std::uint32_t v24FrameSize(ByteView buffer, std::size_t pos)
{
    const std::uint8_t* p = buffer.data() + pos + 4;
    const std::uint32_t plain = readU32BE(p);
    if ((p[0] | p[1] | p[2] | p[3]) & 0x80)
        return plain;
    const std::uint32_t syncsafe = readSynchsafe32(p);
    if (syncsafe == plain)
        return syncsafe;
    const std::uint64_t contentAt = std::uint64_t(pos) + 10;
    if (plausibleFrameStart(buffer, contentAt + syncsafe))
        return syncsafe;
    if (plausibleFrameStart(buffer, contentAt + plain))
        return plain;
    return syncsafe;
}

// Header of the frame at pos whose id has idLength characters; false when cut.
bool readFrameHeader(ByteView buffer, std::size_t pos, std::size_t idLength, int version, FrameHeader& out)
{
    const std::uint8_t* p = buffer.data() + pos;
    if (idLength == 3) {
        if (pos + 6 > buffer.size())
            return false;
        out = {6, readU24BE(p + 3), 0};
        return true;
    }
    if (pos + 10 > buffer.size())
        return false;
    out = {10, version >= 4 ? v24FrameSize(buffer, pos) : readU32BE(p + 4), readU16BE(p + 8)};
    return true;
}

long findFrame(ByteView buffer, long start, int version, std::string_view id)
{
    long pos = start;
    for (int visited = 0; visited < limits::kMaxFramesPerTag; ++visited) {
        if (pos < 0 || std::size_t(pos) + id.size() > buffer.size())
            return -1;
        if (std::memcmp(buffer.data() + pos, id.data(), id.size()) == 0)
            return pos;
        pos = NextFrame(buffer, pos, version);
    }
    return -1;
}

// Standard 2.4 frame unsynchronisation: every FF 00 stands for FF.
void undoFrameUnsync(ByteView in, Bytes& out)
{
    out.clear();
    out.reserve(in.size());
    for (std::size_t i = 0; i < in.size(); ++i) {
        out.push_back(in[i]);
        if (in[i] == 0xFF && i + 1 < in.size() && in[i + 1] == 0)
            ++i;
    }
}

// Inflates a zlib stream; the claimed size only sizes the first allocation. The
// output is capped by ratio and by an absolute limit, so a lying size or a
// compression bomb ends in failure, not in a huge allocation.
bool inflateFrame(ByteView in, std::uint32_t claimedSize, Bytes& out)
{
    const std::uint64_t cap = std::min<std::uint64_t>(limits::kMaxInflatedFrameBytes,
                                                      std::uint64_t(in.size()) * limits::kMaxInflateRatio);
    out.clear();
    if (in.empty() || cap == 0)
        return false;
    out.resize(std::size_t(std::min<std::uint64_t>(std::max<std::uint64_t>(claimedSize, 64), cap)));

    z_stream zs{};
    if (inflateInit(&zs) != Z_OK)
        return false;
    zs.next_in = const_cast<Bytef*>(in.data());
    zs.avail_in = uInt(in.size());
    std::size_t produced = 0;
    int rc = Z_OK;
    while (true) {
        if (produced == out.size()) {
            if (out.size() >= cap)
                break;
            out.resize(std::size_t(std::min<std::uint64_t>(cap, std::uint64_t(out.size()) * 2)));
        }
        zs.next_out = out.data() + produced;
        zs.avail_out = uInt(out.size() - produced);
        rc = inflate(&zs, Z_NO_FLUSH);
        produced = out.size() - zs.avail_out;
        if (rc == Z_STREAM_END || (rc != Z_OK && rc != Z_BUF_ERROR))
            break;
        if (zs.avail_out != 0)
            break; // room left but no more input: the stream is cut
    }
    inflateEnd(&zs);
    out.resize(produced);
    return rc == Z_STREAM_END;
}

// The frame's content as a reader sees it: extra header bytes skipped, 2.4
// unsynchronisation undone and compressed data inflated. Encrypted frames have
// no readable content.
std::optional<ByteView> framePayload(ByteView raw, int version, std::uint16_t flags, Bytes& scratch,
                                     Bytes& inflated)
{
    std::size_t skip = 0;
    std::uint32_t claimed = 0;
    bool compressed = false;
    bool unsynchronised = false;
    if (version == 3) {
        if (flags & kV23Compressed) {
            if (raw.size() < 4)
                return std::nullopt;
            claimed = readU32BE(raw.data());
            skip += 4;
            compressed = true;
        }
        if (flags & kV23Encrypted)
            return std::nullopt;
        if (flags & kV23Grouped)
            skip += 1;
    } else if (version >= 4) {
        if (flags & kV24Grouped)
            skip += 1;
        if (flags & kV24Encrypted)
            return std::nullopt;
        if (flags & kV24DataLength) {
            if (raw.size() < skip + 4)
                return std::nullopt;
            claimed = readSynchsafe32(raw.data() + skip);
            skip += 4;
        }
        compressed = (flags & kV24Compressed) != 0;
        unsynchronised = (flags & kV24Unsynchronised) != 0;
    }
    if (skip > raw.size())
        return std::nullopt;
    ByteView data = raw.subspan(skip);
    if (unsynchronised) {
        undoFrameUnsync(data, scratch);
        data = scratch;
    }
    if (compressed) {
        if (!inflateFrame(data, claimed, inflated))
            return std::nullopt;
        data = inflated;
    }
    return data;
}

// Index just after the terminator of a text that starts at `from`: one zero byte,
// or for UTF-16 a zero code unit aligned to the text's start.
std::optional<std::size_t> afterTerminator(ByteView content, std::size_t from, int encoding)
{
    if (from > content.size())
        return std::nullopt;
    if (encoding == 1 || encoding == 2) {
        for (std::size_t i = from; i + 1 < content.size(); i += 2)
            if (content[i] == 0 && content[i + 1] == 0)
                return i + 2;
        return std::nullopt;
    }
    auto zero = std::find(content.begin() + std::ptrdiff_t(from), content.end(), std::uint8_t(0));
    if (zero == content.end())
        return std::nullopt;
    return std::size_t(zero - content.begin()) + 1;
}

bool isMarkByte(std::uint8_t b) { return b == 0xFE || b == 0xFF; }

// COMM/USLT: encoding, language, description, text. Only an empty description is
// accepted (for UTF-16 with a mark, any description that begins with a mark, which
// then ends at its aligned terminator).
QString commentText(ByteView content, int encoding)
{
    constexpr std::size_t kDescriptionAt = 4;
    if (content.size() <= kDescriptionAt)
        return {};
    std::optional<std::size_t> textAt;
    if (encoding == 1) {
        if (content.size() < kDescriptionAt + 2 || !isMarkByte(content[kDescriptionAt]) ||
            !isMarkByte(content[kDescriptionAt + 1]))
            return {};
        textAt = afterTerminator(content, kDescriptionAt, 1);
    } else if (encoding == 2) {
        if (content.size() < kDescriptionAt + 2 || content[kDescriptionAt] != 0 ||
            content[kDescriptionAt + 1] != 0)
            return {};
        textAt = kDescriptionAt + 2;
    } else {
        if (content[kDescriptionAt] != 0)
            return {};
        textAt = kDescriptionAt + 1;
    }
    if (!textAt)
        return {};
    return DecodeFrameText(content.subspan(*textAt), encoding);
}

// WXXX: encoding, description, URL. The URL itself is plain text; a UTF-16 frame's
// URL is read as UTF-16 only when it carries its own mark.
QString urlText(ByteView content, int encoding)
{
    std::optional<std::size_t> urlAt = afterTerminator(content, 1, encoding);
    if (!urlAt)
        return {};
    ByteView url = content.subspan(*urlAt);
    if (encoding == 1 || encoding == 2) {
        const bool marked = url.size() >= 2 && ((url[0] == 0xFF && url[1] == 0xFE) || (url[0] == 0xFE && url[1] == 0xFF));
        return DecodeFrameText(url, marked ? 1 : 0);
    }
    return DecodeFrameText(url, encoding);
}

// APIC: encoding, MIME type, picture type, description, data; 2.2 PIC has a
// three-letter image format in place of the MIME type.
QString pictureDescription(ByteView content, int encoding, bool threeLetterFormat)
{
    std::size_t descriptionAt;
    if (threeLetterFormat) {
        descriptionAt = 1 + 3 + 1;
    } else {
        std::optional<std::size_t> afterMime = afterTerminator(content, 1, 0);
        if (!afterMime)
            return {};
        descriptionAt = *afterMime + 1;
    }
    std::optional<std::size_t> end = afterTerminator(content, descriptionAt, encoding);
    if (!end)
        return {};
    return DecodeFrameText(content.subspan(descriptionAt, *end - descriptionAt), encoding);
}

struct FoundFrame {
    long position = -1;
    std::size_t length = 0; // header + size field
};

// Reads the frame found at pos into `result`; returns its extent when intact.
FoundFrame readFoundFrame(ByteView buffer, long pos, int version, std::string_view id, FrameText& result)
{
    if (version >= 4 && (id == "3DI" || id == "SEEK")) {
        result.text = QStringLiteral("1");
        result.position = pos;
        return {};
    }
    FrameHeader header;
    if (!readFrameHeader(buffer, std::size_t(pos), id.size(), version, header))
        return {};
    const std::size_t contentAt = std::size_t(pos) + header.headerLength;
    if (header.size <= 1 || header.size > buffer.size() - contentAt)
        return {};

    Bytes scratch, inflated;
    std::optional<ByteView> payload =
        framePayload(buffer.subspan(contentAt, header.size), version, header.flags, scratch, inflated);
    if (!payload || payload->size() <= 1)
        return {};
    const ByteView content = *payload;
    const int encoding = content[0];
    const bool hasLanguage = isOneOf(id, {"COMM", "USLT", "COM", "LYR", "ULT"});

    if (isOneOf(id, {"APIC", "PIC"})) {
        result.text = QString::number(header.size - 1);
        result.pictureDescription = pictureDescription(content, encoding, id.size() == 3);
    } else if (hasLanguage) {
        result.text = commentText(content, encoding);
    } else if (isOneOf(id, {"WXXX", "WXX"})) {
        result.text = urlText(content, encoding);
    } else {
        result.text = DecodeFrameText(content.subspan(1), encoding);
    }
    result.textCode = TextCodeOfFrame(content, hasLanguage);
    result.position = pos;
    return {pos, header.headerLength + header.size};
}

FoundFrame lookUp(ByteView buffer, int version, std::string_view id23, FrameText& result)
{
    long start = 0;
    if (startsWith(buffer, "ID3"))
        start = long(kHeaderBytes + ExtendedHeaderLength(buffer));
    std::string_view id = MapFrameId(id23, version);
    long pos = findFrame(buffer, start, version, id);
    if (pos < 0 && id != id23) {
        // 2.4 keeps the year in TDRC; older taggers still write TYER there.
        if (version >= 4 && id23 == "TYER") {
            id = id23;
            pos = findFrame(buffer, start, version, id);
        }
    }
    if (pos < 0)
        return {};
    return readFoundFrame(buffer, pos, version, id, result);
}

} // namespace

bool ParseHeader(ByteView bytes, Header& out)
{
    if (bytes.size() < kHeaderBytes || !startsWith(bytes, "ID3"))
        return false;
    out.version = bytes[3];
    out.flags = bytes[5];
    out.size = SyncsafeToInt(bytes.data() + 6);
    return true;
}

std::uint32_t SyncsafeToInt(const std::uint8_t* p) { return readSynchsafe32(p); }

void IntToSyncsafe(std::uint8_t* p, std::uint32_t n) { writeSynchsafe32(p, n); }

std::uint32_t FrameContentSize(const std::uint8_t* sizeField, int version)
{
    std::uint32_t size;
    if (version == 2)
        size = readU24BE(sizeField);
    else if (version >= 4)
        size = readSynchsafe32(sizeField);
    else
        size = readU32BE(sizeField);
    return size - 1; // the encoding byte is not content; a size of 0 wraps, callers check
}

std::uint32_t ExtendedHeaderLength(ByteView tag, std::uint32_t* v3Padding)
{
    if (v3Padding)
        *v3Padding = 0;
    Header h;
    if (!ParseHeader(tag, h) || h.version < 3 || !(h.flags & kFlagExtended))
        return 0;
    if (tag.size() < kHeaderBytes + 4)
        return 0;
    // Some taggers set the flag and write no extended header: a frame id where the
    // size should be (no real extended header is that long) means there is none.
    if (IsValidFrameId(tag.data() + kHeaderBytes, 4))
        return 0;
    const std::uint32_t n = SyncsafeToInt(tag.data() + kHeaderBytes);
    std::uint64_t length = h.version == 3 ? std::uint64_t(n) + 4 : n;
    if (h.version == 3 && n == 10 && v3Padding && tag.size() >= 20)
        *v3Padding = SyncsafeToInt(tag.data() + 16);
    // An extended header cannot be longer than the tag it stands in.
    return std::uint32_t(std::min<std::uint64_t>(length, h.size));
}

void Deunsynchronise(Bytes& buffer)
{
    const std::size_t n = buffer.size();
    std::size_t w = 0;
    for (std::size_t i = 0; i < n; ++i) {
        buffer[w++] = buffer[i];
        if (i + 2 < n && buffer[i] == 0xFF && buffer[i + 1] == 0 && (buffer[i + 2] == 0 || buffer[i + 2] >= 0xE0))
            ++i;
    }
    buffer.resize(w);
}

void DeunsynchroniseTag(Bytes& tag)
{
    Header h;
    if (!ParseHeader(tag, h))
        return;
    const std::size_t start = kHeaderBytes + ExtendedHeaderLength(tag);
    const std::size_t end = std::min<std::size_t>(kHeaderBytes + std::size_t(h.size), tag.size());
    if (start >= end)
        return;
    Bytes region(tag.begin() + std::ptrdiff_t(start), tag.begin() + std::ptrdiff_t(end));
    Deunsynchronise(region);
    const std::size_t removed = (end - start) - region.size();
    std::copy(region.begin(), region.end(), tag.begin() + std::ptrdiff_t(start));
    tag.erase(tag.begin() + std::ptrdiff_t(start + region.size()), tag.begin() + std::ptrdiff_t(end));
    IntToSyncsafe(tag.data() + 6, h.size - std::uint32_t(removed));
}

bool IsValidFrameId(const std::uint8_t* p, int length)
{
    if (length < 1)
        return false;
    for (int i = 0; i < length - 1; ++i)
        if (p[i] < 'A' || p[i] > 'Z')
            return false;
    const std::uint8_t last = p[length - 1];
    return (last >= 'A' && last <= 'Z') || (last >= '0' && last <= '9');
}

long NextFrame(ByteView buffer, long pos, int version)
{
    if (pos < 0)
        return -1;
    const std::size_t p = std::size_t(pos);
    // A 2.2 frame has a 3-character id, and its size's first byte may look like a
    // fourth id character in a large frame; only 2.3/2.4 frames have 4-character ids.
    if (version != 2 && p + 4 <= buffer.size() && IsValidFrameId(buffer.data() + p, 4)) {
        FrameHeader h;
        if (!readFrameHeader(buffer, p, 4, version, h))
            return -1;
        return pos + 10 + long(h.size);
    }
    if (p + 3 <= buffer.size() && IsValidFrameId(buffer.data() + p, 3)) {
        FrameHeader h;
        if (!readFrameHeader(buffer, p, 3, version, h))
            return -1;
        return pos + 6 + long(h.size);
    }
    return -1;
}

long FramesEnd(ByteView tag)
{
    Header h;
    if (!ParseHeader(tag, h))
        return 0;
    const std::size_t end = std::min<std::size_t>(kHeaderBytes + std::size_t(h.size), tag.size());
    long pos = long(kHeaderBytes + ExtendedHeaderLength(tag));
    for (int visited = 0; visited < limits::kMaxFramesPerTag && std::size_t(pos) + 4 <= end; ++visited) {
        const long next = NextFrame(tag, pos, h.version);
        if (next < 0)
            break;
        pos = next;
    }
    return std::min(pos, long(end));
}

long PaddingSize(ByteView tag)
{
    Header h;
    if (!ParseHeader(tag, h))
        return 0;
    const std::size_t end = std::min<std::size_t>(kHeaderBytes + std::size_t(h.size), tag.size());
    const long measured = std::max(0L, long(end) - FramesEnd(tag));
    std::uint32_t declared = 0;
    ExtendedHeaderLength(tag, &declared);
    // The declared padding is never trusted beyond the bytes really free.
    if (declared != 0)
        return std::min(long(declared), measured);
    return measured;
}

std::string_view MapFrameId(std::string_view id23, int version)
{
    if (version == 2) {
        for (const IdPair& pair : kV22Ids)
            if (pair.v23 == id23)
                return pair.v22;
    } else if (version >= 4 && id23 == "TYER") {
        return "TDRC";
    }
    return id23;
}

FrameText GetFrameText(ByteView buffer, int version, std::string_view id23)
{
    FrameText result;
    lookUp(buffer, version, id23, result);
    return result;
}

bool CutFirstPicture(Bytes& body, int version, QString* description)
{
    FrameText picture;
    const FoundFrame found = lookUp(body, version, "APIC", picture);
    if (found.position < 0 || found.length == 0 || picture.text.isEmpty())
        return false;
    if (description)
        *description = picture.pictureDescription;
    const auto first = body.begin() + found.position;
    body.erase(first, first + std::ptrdiff_t(found.length));
    Header h;
    if (ParseHeader(body, h) && h.size >= found.length)
        IntToSyncsafe(body.data() + 6, h.size - std::uint32_t(found.length));
    return true;
}

QString ExpandGenreReferences(const QString& text, const GenreTable* genres)
{
    const bool hasOpen = text.contains(u'(');
    if (!text.contains(u')') || (hasOpen && !text.startsWith(u'(')))
        return text;

    auto genreName = [genres](int n) -> QString {
        if (!genres)
            return {};
        if (n < 0 || n > 255)
            return GenreTable::unclassifiable();
        return genres->GenreName(n);
    };

    QString out;
    QString rest = text;
    while (true) {
        const qsizetype open = rest.indexOf(u'(');
        const qsizetype close = rest.indexOf(u')');
        if (open < 0 || close < 0 || (open + 1 < rest.size() && rest[open + 1] == u'(')) {
            const qsizetype doubled = rest.indexOf(QLatin1String("(("));
            if (doubled >= 0 && close >= 0) {
                // "((" escapes a literal "(": keep the text from the second "(" on.
                const qsizetype from = doubled + 1;
                out += u' ';
                if (close >= from)
                    out += rest.mid(from, close - from + 1);
                return out;
            }
            if (!rest.isEmpty()) {
                out += u' ';
                out += rest;
            }
            return out;
        }
        if (close < open)
            return out; // ")...(": no number between them
        bool ok = false;
        const int n = rest.mid(open + 1, close - open - 1).toInt(&ok, 10);
        if (!ok)
            return out;
        if (!out.isEmpty())
            out += u' ';
        out += genreName(n);
        rest = rest.mid(close + 1);
    }
}

} // namespace quillory::id3v2
