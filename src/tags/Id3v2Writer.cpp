#include "tags/Id3v2Writer.h"

#include "media/Genres.h"
#include "platform/CodePage.h"
#include "platform/Limits.h"
#include "tags/Id3v2Reader.h"
#include "tags/TextEncoding.h"

#include <algorithm>
#include <cstring>
#include <vector>
#include <zlib.h>

namespace quillory::id3v2 {

namespace {

constexpr std::size_t kHeaderBytes = 10;
// The largest size field a header can state (28 bits).
constexpr std::uint64_t kMaxTagSize = (1u << 28) - 1;
// Inserted frames look for their neighbours this far into the tag.
constexpr std::size_t kNeighbourSearch = 512;

// Format flags (second flags byte) that make a frame's content something other than
// its plain fields; such a frame is never rewritten.
constexpr std::uint8_t kV23FormatFlags = 0x80 | 0x40 | 0x20;      // compression, encryption, grouping
constexpr std::uint8_t kV24Unsync = 0x02;
constexpr std::uint8_t kV24OtherFormatFlags = 0x40 | 0x08 | 0x04 | 0x01; // grouping, compression, encryption, DLI

enum class Kind { Text, Comment, Url, Picture };

Kind kindOf(std::string_view id23)
{
    if (id23 == "COMM" || id23 == "USLT")
        return Kind::Comment;
    if (id23 == "WXXX")
        return Kind::Url;
    if (id23 == "APIC")
        return Kind::Picture;
    return Kind::Text;
}

std::size_t idLength(int version) { return version == 2 ? 3 : 4; }
std::size_t frameHeaderLength(int version) { return version == 2 ? 6 : 10; }

std::uint32_t readFrameSize(const std::uint8_t* p, int version)
{
    if (version == 2)
        return readU24BE(p);
    if (version >= 4)
        return readSynchsafe32(p);
    return readU32BE(p);
}

bool fitsFrameSize(std::uint64_t n, int version)
{
    if (version == 2)
        return n <= 0xFFFFFFu;
    if (version >= 4)
        return n <= kMaxTagSize;
    return n <= 0xFFFFFFFFu;
}

void writeFrameSize(std::uint8_t* p, std::uint64_t n, int version)
{
    if (version == 2) {
        p[0] = std::uint8_t(n >> 16);
        p[1] = std::uint8_t(n >> 8);
        p[2] = std::uint8_t(n);
    } else if (version >= 4) {
        writeSynchsafe32(p, std::uint32_t(n));
    } else {
        writeU32BE(p, std::uint32_t(n));
    }
}

struct Frame {
    std::size_t pos = 0;
    std::size_t headerLength = 0;
    std::size_t size = 0; // content bytes
    std::size_t contentAt() const { return pos + headerLength; }
    std::size_t end() const { return pos + headerLength + size; }
};

std::size_t framesStart(ByteView tag)
{
    return std::min<std::size_t>(kHeaderBytes + ExtendedHeaderLength(tag), tag.size());
}

// The frames in order, up to the first position that holds no whole frame. What
// follows (padding, or bytes no frame walk can read) is kept as it stands.
std::vector<Frame> walkFrames(ByteView tag, int version)
{
    std::vector<Frame> frames;
    const std::size_t hl = frameHeaderLength(version);
    const std::size_t il = idLength(version);
    std::size_t pos = framesStart(tag);
    while (frames.size() < std::size_t(limits::kMaxFramesPerTag)) {
        if (pos + hl > tag.size() || !IsValidFrameId(tag.data() + pos, int(il)))
            break;
        const std::uint32_t size = readFrameSize(tag.data() + pos + il, version);
        if (size > tag.size() - pos - hl)
            break;
        frames.push_back({pos, hl, size});
        pos += hl + size;
    }
    return frames;
}

std::size_t framesEnd(ByteView tag, int version)
{
    std::vector<Frame> frames = walkFrames(tag, version);
    return frames.empty() ? framesStart(tag) : frames.back().end();
}

// End of the bytes that must be kept: the frames and any non-zero bytes after them.
std::size_t keptEnd(ByteView tag, int version)
{
    const std::size_t fe = framesEnd(tag, version);
    std::size_t end = tag.size();
    while (end > fe && tag[end - 1] == 0)
        --end;
    return end;
}

bool idAt(ByteView tag, const Frame& f, std::string_view id)
{
    return id.size() == (f.headerLength == 6 ? 3u : 4u) && std::memcmp(tag.data() + f.pos, id.data(), id.size()) == 0;
}

std::uint8_t formatFlags(ByteView tag, const Frame& f) { return f.headerLength == 10 ? tag[f.pos + 9] : 0; }

bool isUntouchable(ByteView tag, const Frame& f, int version)
{
    const std::uint8_t ff = formatFlags(tag, f);
    if (version == 3)
        return (ff & kV23FormatFlags) != 0;
    if (version >= 4)
        return (ff & kV24OtherFormatFlags) != 0;
    return false;
}

void setTagSize(Bytes& tag)
{
    writeSynchsafe32(tag.data() + 6, std::uint32_t(std::min<std::uint64_t>(tag.size() - kHeaderBytes, kMaxTagSize)));
}

// Standard removal of unsynchronisation: the 00 after every FF goes.
void undoUnsync(Bytes& b, std::size_t from, std::size_t to)
{
    Bytes out;
    out.reserve(to - from);
    for (std::size_t i = from; i < to; ++i) {
        out.push_back(b[i]);
        if (b[i] == 0xFF && i + 1 < to && b[i + 1] == 0)
            ++i;
    }
    if (out.size() == to - from)
        return;
    std::copy(out.begin(), out.end(), b.begin() + std::ptrdiff_t(from));
    b.erase(b.begin() + std::ptrdiff_t(from + out.size()), b.begin() + std::ptrdiff_t(to));
}

bool needsUnsync(ByteView b)
{
    for (std::size_t i = 0; i < b.size(); ++i)
        if (b[i] == 0xFF && (i + 1 == b.size() || b[i + 1] == 0 || b[i + 1] >= 0xE0))
            return true;
    return false;
}

Bytes unsynchronised(ByteView in)
{
    Bytes out;
    out.reserve(in.size() + in.size() / 64 + 1);
    for (std::size_t i = 0; i < in.size(); ++i) {
        out.push_back(in[i]);
        if (in[i] == 0xFF && (i + 1 == in.size() || in[i + 1] == 0 || in[i + 1] >= 0xE0))
            out.push_back(0);
    }
    return out;
}

// Replaces bytes [from, to) of the tag and keeps the size field right.
void splice(Bytes& tag, std::size_t from, std::size_t to, ByteView with)
{
    const std::size_t old = to - from;
    if (with.size() == old) {
        std::copy(with.begin(), with.end(), tag.begin() + std::ptrdiff_t(from));
    } else {
        tag.erase(tag.begin() + std::ptrdiff_t(from), tag.begin() + std::ptrdiff_t(to));
        tag.insert(tag.begin() + std::ptrdiff_t(from), with.begin(), with.end());
    }
    setTagSize(tag);
}

Utf16Mark markAt(ByteView content, std::size_t at)
{
    if (content.size() >= at + 2) {
        if (content[at] == 0xFF && content[at + 1] == 0xFE)
            return Utf16Mark::LittleEndian;
        if (content[at] == 0xFE && content[at + 1] == 0xFF)
            return Utf16Mark::BigEndian;
    }
    return Utf16Mark::Default;
}

std::string sjisOf(const QString& text)
{
    // '?' for what Shift-JIS lacks, as the system's code-page conversion gives.
    return CodePage::fromUnicode(text, '?');
}

void append(Bytes& out, std::string_view s) { out.insert(out.end(), s.begin(), s.end()); }
void append(Bytes& out, ByteView b) { out.insert(out.end(), b.begin(), b.end()); }

// The encoded text with its terminator.
Bytes encodeText(const QString& text, int encoding, Utf16Mark mark, bool littleEndian)
{
    Bytes out;
    switch (encoding) {
    case 1:
        return WideToUtf16(text, mark, littleEndian);
    case 2:
        return WideToUtf16(text, Utf16Mark::None, littleEndian);
    case 3:
        return WideToUtf8(text);
    default:
        append(out, sjisOf(text));
        out.push_back(0);
        return out;
    }
}

Bytes textContent(const QString& text, int encoding, Utf16Mark mark, bool littleEndian)
{
    Bytes out{std::uint8_t(encoding)};
    append(out, encodeText(text, encoding, mark, littleEndian));
    return out;
}

// COMM/USLT: language "jpn", an empty description, the text.
Bytes commentContent(const QString& text, int encoding, Utf16Mark mark, bool littleEndian)
{
    Bytes out{std::uint8_t(encoding)};
    append(out, "jpn");
    if (encoding == 1) {
        if (mark == Utf16Mark::Default)
            mark = littleEndian ? Utf16Mark::LittleEndian : Utf16Mark::BigEndian;
        append(out, WideToUtf16(QString(), mark, littleEndian)); // mark and 00 00
    } else if (encoding == 2) {
        // An empty big-endian description is just its terminator.
        out.push_back(0);
        out.push_back(0);
    } else {
        out.push_back(0);
    }
    append(out, encodeText(text, encoding, mark, littleEndian));
    return out;
}

// WXXX: an empty description (terminated for the encoding) and the URL.
Bytes urlContent(const QString& url, int encoding)
{
    Bytes out{std::uint8_t(encoding)};
    out.push_back(0);
    if (encoding == 1 || encoding == 2)
        out.push_back(0);
    append(out, sjisOf(url));
    out.push_back(0);
    return out;
}

bool needsWide(const QString& text) { return !CodePage::canEncode(text); }

// Encoding of a new frame: the row's code, else the combo; a text that Shift-JIS
// cannot hold is never written as Shift-JIS (it would lose characters): it goes
// into UTF-16 (or stays UTF-8); UTF-8 only in 2.4 tags.
int newFrameEncoding(const QString& text, int version, const EncodingChoice& choice)
{
    int encoding = choice.rowTextCode >= 0 ? choice.rowTextCode : choice.comboEncoding;
    if (encoding != 0 && encoding != 1 && encoding != 3)
        encoding = 0;
    if (needsWide(text) && (choice.comboEncoding == 1 || encoding == 0))
        encoding = 1;
    if (encoding == 3 && version < 4)
        encoding = 1;
    return encoding;
}

Bytes frameBytes(std::string_view id, ByteView content, int version, std::uint8_t formatFlag)
{
    Bytes out;
    append(out, id);
    const std::size_t sizeAt = out.size();
    out.resize(out.size() + (version == 2 ? 3 : 4));
    writeFrameSize(out.data() + sizeAt, content.size(), version);
    if (version != 2) {
        out.push_back(0);
        out.push_back(formatFlag);
    }
    append(out, content);
    return out;
}

// The first frame with the id (the one every look-up reads).
std::optional<Frame> firstFrame(ByteView tag, int version, std::string_view id)
{
    for (const Frame& f : walkFrames(tag, version))
        if (idAt(tag, f, id))
            return f;
    return std::nullopt;
}

// Whether the reader shows this COMM/USLT frame's text: an empty description, or for
// UTF-16 one that begins with a mark.
bool isReadableComment(ByteView content)
{
    if (content.size() <= 4)
        return true; // a damaged frame reads as empty and may be replaced
    const int encoding = content[0];
    if (encoding == 1)
        return content.size() >= 6 && (content[4] == 0xFE || content[4] == 0xFF) &&
               (content[5] == 0xFE || content[5] == 0xFF);
    if (encoding == 2)
        return content.size() >= 6 && content[4] == 0 && content[5] == 0;
    return content[4] == 0;
}

long autoPosition(ByteView tag, int version, Kind kind)
{
    if (tag.size() < kHeaderBytes || !startsWith(tag, "ID3"))
        return -1;
    std::vector<Frame> frames = walkFrames(tag, version);
    if (kind == Kind::Picture)
        return long(frames.empty() ? framesStart(tag) : frames.back().end());
    static constexpr std::string_view kNeighbours[] = {"TIT2", "TPE1", "TALB", "TCON", "TRCK", "TYER"};
    std::size_t limit = kNeighbourSearch;
    std::size_t after = framesStart(tag);
    for (const Frame& f : frames) {
        if (f.pos >= limit)
            break;
        if (idAt(tag, f, MapFrameId("APIC", version))) {
            limit = std::max(limit, f.end() + kNeighbourSearch);
            continue;
        }
        for (std::string_view n : kNeighbours)
            if (idAt(tag, f, MapFrameId(n, version)))
                after = std::max(after, f.end());
    }
    return long(after);
}

Bytes newContent(Kind kind, const QString& text, int version, const EncodingChoice& choice)
{
    switch (kind) {
    case Kind::Comment:
        return commentContent(text, newFrameEncoding(text, version, choice), Utf16Mark::Default, choice.littleEndian);
    case Kind::Url:
        return urlContent(text, 0);
    default:
        return textContent(text, newFrameEncoding(text, version, choice), Utf16Mark::Default, choice.littleEndian);
    }
}

FrameChange insertBytes(EditableTag& tag, std::string_view id, ByteView content, long position)
{
    if (position < long(framesStart(tag.tag)) || std::size_t(position) > tag.tag.size())
        return FrameChange::NoPosition;
    const std::uint8_t flag = (tag.version >= 4 && tag.unsynchronise) ? kV24Unsync : 0;
    const Bytes frame = frameBytes(id, content, tag.version, flag);
    tag.tag.insert(tag.tag.begin() + position, frame.begin(), frame.end());
    setTagSize(tag.tag);
    return FrameChange::Inserted;
}

void replaceContent(EditableTag& tag, const Frame& f, ByteView content)
{
    writeFrameSize(tag.tag.data() + f.pos + idLength(tag.version), content.size(), tag.version);
    if (f.headerLength == 10 && tag.tag[f.pos + 8] > 15)
        tag.tag[f.pos + 8] = 0;
    splice(tag.tag, f.contentAt(), f.end(), content);
}

// Re-applies 2.4 frame unsynchronisation to the frames marked for it.
void resyncV24Frames(Bytes& tag)
{
    std::vector<Frame> frames = walkFrames(tag, 4);
    for (auto it = frames.rbegin(); it != frames.rend(); ++it) {
        const Frame& f = *it;
        if ((tag[f.pos + 9] & (kV24Unsync | kV24OtherFormatFlags)) != kV24Unsync)
            continue;
        ByteView content(tag.data() + f.contentAt(), f.size);
        if (!needsUnsync(content))
            continue;
        Bytes encoded = unsynchronised(content);
        writeSynchsafe32(tag.data() + f.pos + 4, std::uint32_t(std::min<std::uint64_t>(encoded.size(), kMaxTagSize)));
        tag.erase(tag.begin() + std::ptrdiff_t(f.contentAt()), tag.begin() + std::ptrdiff_t(f.end()));
        tag.insert(tag.begin() + std::ptrdiff_t(f.contentAt()), encoded.begin(), encoded.end());
    }
}

// The 2.3 extended header: size, flags (CRC when 0x8000), padding size, CRC.
void fixV23ExtendedHeader(Bytes& out, std::size_t extLength, std::uint32_t padding, std::uint32_t crc)
{
    if (extLength < 10)
        return;
    if (readU32BE(out.data() + 16) != 0)
        writeU32BE(out.data() + 16, padding);
    if ((out[14] & 0x80) && extLength >= 14)
        writeU32BE(out.data() + 20, crc);
}

// The 2.4 extended header's CRC (over everything after it up to the end of the tag).
void fixV24ExtendedHeader(Bytes& out, std::size_t extLength)
{
    if (extLength < 6 || out[14] != 1)
        return;
    const std::uint8_t flags = out[15];
    std::size_t p = 16;
    if (flags & 0x40)
        p += 1;
    if (!(flags & 0x20) || p + 6 > kHeaderBytes + extLength || out[p] != 5)
        return;
    const std::size_t from = kHeaderBytes + extLength;
    const uLong crc = crc32(crc32(0L, Z_NULL, 0), out.data() + from, uInt(out.size() - from));
    out[p + 1] = std::uint8_t((crc >> 28) & 0x0F);
    out[p + 2] = std::uint8_t((crc >> 21) & 0x7F);
    out[p + 3] = std::uint8_t((crc >> 14) & 0x7F);
    out[p + 4] = std::uint8_t((crc >> 7) & 0x7F);
    out[p + 5] = std::uint8_t(crc & 0x7F);
}

} // namespace

std::optional<EditableTag> OpenTag(ByteView fileTag)
{
    Header h;
    if (!ParseHeader(fileTag, h) || h.version < 2 || h.version > 4)
        return std::nullopt;
    EditableTag t;
    t.version = h.version;
    t.originalLength = fileTag.size();
    t.tag.assign(fileTag.begin(), fileTag.end());
    setTagSize(t.tag);
    if (h.version < 4) {
        if (h.flags & kFlagUnsync) {
            undoUnsync(t.tag, framesStart(t.tag), t.tag.size());
            setTagSize(t.tag);
            t.unsynchronise = true;
        }
    } else {
        t.unsynchronise = (h.flags & kFlagUnsync) != 0;
        std::vector<Frame> frames = walkFrames(t.tag, 4);
        for (auto it = frames.rbegin(); it != frames.rend(); ++it) {
            if ((t.tag[it->pos + 9] & (kV24Unsync | kV24OtherFormatFlags)) != kV24Unsync)
                continue;
            const std::size_t before = t.tag.size();
            undoUnsync(t.tag, it->contentAt(), it->end());
            writeSynchsafe32(t.tag.data() + it->pos + 4, std::uint32_t(it->size - (before - t.tag.size())));
        }
        setTagSize(t.tag);
    }
    t.originalPadding = std::uint32_t(t.tag.size() - keptEnd(t.tag, t.version));
    return t;
}

EditableTag NewTag(int version, bool unsynchronise)
{
    EditableTag t;
    t.version = version;
    t.isNew = true;
    t.unsynchronise = unsynchronise;
    t.tag = {'I', 'D', '3', std::uint8_t(version), 0, std::uint8_t(unsynchronise ? kFlagUnsync : 0), 0, 0, 0, 0};
    return t;
}

FrameChange InsertFrame(EditableTag& tag, std::string_view id23, const QString& text, const EncodingChoice& choice,
                        long position)
{
    if (text.isEmpty())
        return FrameChange::Absent;
    const Kind kind = kindOf(id23);
    if (position < 0)
        position = autoPosition(tag.tag, tag.version, kind);
    if (position < 0)
        return FrameChange::NoPosition;
    return insertBytes(tag, MapFrameId(id23, tag.version), newContent(kind, text, tag.version, choice), position);
}

FrameChange SetFrameText(EditableTag& tag, std::string_view id23, const QString& text, const EncodingChoice& choice)
{
    const Kind kind = kindOf(id23);
    const std::string_view id = MapFrameId(id23, tag.version);
    std::optional<Frame> found = firstFrame(tag.tag, tag.version, id);
    if (!found)
        return text.isEmpty() ? FrameChange::Absent : InsertFrame(tag, id23, text, choice);
    const Frame f = *found;
    if (isUntouchable(tag.tag, f, tag.version))
        return FrameChange::Unchanged;
    const ByteView content(tag.tag.data() + f.contentAt(), f.size);

    if (kind == Kind::Comment && !isReadableComment(content)) {
        // The first frame of the id is the one read, and this one (another program's
        // described comment) shows nothing: the new frame goes in front of it, so that
        // it is the one read, and the other stays.
        if (text.isEmpty())
            return FrameChange::Absent;
        const long at = std::min(autoPosition(tag.tag, tag.version, kind), long(f.pos));
        return InsertFrame(tag, id23, text, choice, at);
    }
    if (text.isEmpty()) {
        splice(tag.tag, f.pos, f.end(), {});
        return FrameChange::Removed;
    }

    int encoding = content.empty() ? 0 : content[0];
    if (encoding > 3)
        encoding = 0;
    const std::size_t markAtOffset = kind == Kind::Comment ? 4 : 1;
    Utf16Mark mark = encoding == 1 ? markAt(content, markAtOffset) : Utf16Mark::Default;
    const bool wide = needsWide(text);
    if (kind != Kind::Url && (encoding == 0 || encoding == 3)) {
        if (wide && choice.comboEncoding == 1 && choice.rowTextCode != 3) {
            encoding = 1;
            mark = Utf16Mark::Default;
        } else if (encoding == 0 && wide) {
            // Shift-JIS cannot hold this text; UTF-16 keeps every character.
            encoding = 1;
            mark = Utf16Mark::Default;
        }
    }

    Bytes fresh;
    switch (kind) {
    case Kind::Comment:
        fresh = commentContent(text, encoding, mark, choice.littleEndian);
        break;
    case Kind::Url:
        fresh = urlContent(text, encoding);
        break;
    default:
        fresh = textContent(text, encoding, mark, choice.littleEndian);
        break;
    }
    if (!fitsFrameSize(fresh.size(), tag.version))
        return FrameChange::Unchanged;
    replaceContent(tag, f, fresh);
    return FrameChange::Replaced;
}

FrameChange SetPictureFrame(EditableTag& tag, const std::optional<Bytes>& content)
{
    const std::string_view id = MapFrameId("APIC", tag.version);
    std::optional<Frame> found = firstFrame(tag.tag, tag.version, id);
    if (!content) {
        if (!found)
            return FrameChange::Absent;
        if (isUntouchable(tag.tag, *found, tag.version))
            return FrameChange::Unchanged;
        splice(tag.tag, found->pos, found->end(), {});
        return FrameChange::Removed;
    }
    if (!fitsFrameSize(content->size(), tag.version))
        return FrameChange::Unchanged;
    if (found) {
        // The new picture takes the place of the first one, so that it is the one read.
        const Bytes frame = frameBytes(id, *content, tag.version,
                                       (tag.version >= 4 && tag.unsynchronise) ? kV24Unsync : 0);
        splice(tag.tag, found->pos, found->end(), frame);
        return FrameChange::Replaced;
    }
    return insertBytes(tag, id, *content, autoPosition(tag.tag, tag.version, Kind::Picture));
}

long EstimateGrowth(ByteView tag, int version, const EstimatedTexts& texts, bool rowIsUtf16)
{
    long growth = 0;
    for (std::size_t i = 0; i < kEstimatedFields.size(); ++i) {
        const std::string_view id23 = kEstimatedFields[i];
        const QString& text = texts[i];
        const FrameText old = GetFrameText(tag, version, id23);
        const long newLength = CodePage::encodedLength(text);
        if (old.position >= 0) {
            if (text.isEmpty()) {
                const std::size_t hl = frameHeaderLength(version);
                const std::size_t at = std::size_t(old.position);
                if (at + hl <= tag.size())
                    growth -= long(readFrameSize(tag.data() + at + idLength(version), version) + hl);
            } else {
                growth += newLength - CodePage::encodedLength(old.text);
            }
        } else if (!text.isEmpty()) {
            growth += newLength + (version == 2 ? 7 : 11);
            if (kindOf(id23) == Kind::Comment)
                growth += rowIsUtf16 ? 8 : 4;
        }
    }
    return growth;
}

WriteMode ChooseWriteMode(int headerFlags, long tagPadding, long estimate, int paddingOption, bool pictureChange)
{
    const bool footer = (headerFlags & kFlagFooter) != 0;
    if (paddingOption == 0 || footer || pictureChange || estimate >= tagPadding) {
        if (!footer && !pictureChange && paddingOption > 128 && estimate < paddingOption)
            return WriteMode::RewriteAddingPadding;
        return WriteMode::Rewrite;
    }
    return WriteMode::InPlace;
}

void Unsynchronise(Bytes& buffer)
{
    if (needsUnsync(buffer))
        buffer = unsynchronised(buffer);
}

bool UnsynchroniseTag(Bytes& tag)
{
    Header h;
    if (!ParseHeader(tag, h))
        return false;
    const std::size_t from = framesStart(tag);
    const ByteView body(tag.data() + from, tag.size() - from);
    bool changed = false;
    if (needsUnsync(body)) {
        Bytes encoded = unsynchronised(body);
        tag.resize(from);
        append(tag, encoded);
        changed = true;
    }
    setTagSize(tag);
    tag[5] |= kFlagUnsync;
    return changed;
}

QString GenreAsReference(const QString& genre, const GenreTable* genres)
{
    if (!genres || genre.isEmpty())
        return genre;
    int n = genres->GenreNumber(genre);
    if (n < 0) {
        const GenreTable other(genres->language() == GenreLanguage::Japanese ? GenreLanguage::English
                                                                             : GenreLanguage::Japanese);
        n = other.GenreNumber(genre);
    }
    return n >= 0 ? QStringLiteral("(%1)").arg(n) : genre;
}

QString UnchangeableTagKind(const EditableTag& tag)
{
    if (tag.version < 4)
        return {};
    if ((tag.flags() & kFlagFooter) || GetFrameText(tag.tag, 4, "3DI").position >= 0)
        return QStringLiteral("3DI");
    if (GetFrameText(tag.tag, 4, "SEEK").position >= 0)
        return QStringLiteral("SEEK");
    return {};
}

std::optional<Bytes> RenderTag(const EditableTag& tag, bool inPlace, std::uint32_t addPadding)
{
    if (tag.tag.size() < kHeaderBytes)
        return std::nullopt;
    Bytes out = tag.tag;
    const std::size_t extLength = framesStart(out) - kHeaderBytes;
    out.resize(keptEnd(out, tag.version));
    const std::size_t from = kHeaderBytes + extLength;
    const uLong crcV23 = crc32(crc32(0L, Z_NULL, 0), out.data() + from, uInt(out.size() - from));
    if (tag.version >= 4) {
        resyncV24Frames(out);
    } else if (tag.unsynchronise) {
        Bytes body(out.begin() + std::ptrdiff_t(from), out.end());
        Unsynchronise(body);
        out.resize(from);
        append(out, body);
        out[5] |= kFlagUnsync;
    } else {
        out[5] &= std::uint8_t(~kFlagUnsync);
    }
    const std::size_t kept = out.size();
    std::uint64_t total;
    if (inPlace) {
        if (kept > tag.originalLength)
            return std::nullopt;
        total = tag.originalLength;
    } else {
        total = std::uint64_t(kept) + tag.originalPadding + addPadding;
    }
    if (total - kHeaderBytes > kMaxTagSize)
        return std::nullopt;
    out.resize(std::size_t(total), 0);
    writeSynchsafe32(out.data() + 6, std::uint32_t(total - kHeaderBytes));
    if (tag.version == 3 && (out[5] & kFlagExtended))
        fixV23ExtendedHeader(out, extLength, std::uint32_t(total - kept), std::uint32_t(crcV23));
    else if (tag.version >= 4 && (out[5] & kFlagExtended))
        fixV24ExtendedHeader(out, extLength);
    return out;
}

int CombinedTextCode(const EditableTag& tag)
{
    unsigned code = kCodeUnknown;
    for (std::string_view id : {"TIT2", "TPE1", "TALB", "TCON", "COMM", "TCOM", "TEXT", "USLT"}) {
        const FrameText ft = GetFrameText(tag.tag, tag.version, id);
        if (ft.position >= 0)
            code &= unsigned(ft.textCode);
    }
    return int(code);
}

} // namespace quillory::id3v2
