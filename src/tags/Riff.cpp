#include "tags/Riff.h"

#include "platform/CodePage.h"
#include "platform/Limits.h"

#include <algorithm>
#include <array>

namespace quillory::riff {
namespace {

constexpr std::uint64_t kChunkHeaderBytes = 8;
constexpr std::uint64_t kRiffHeaderBytes = 12; // "RIFF", size, form type
// Where the byte scan looks when the chunk walk found nothing. The scan starts at 36,
// where "data" stands in every canonical WAVE file, so a file whose RIFF size is
// broken keeps its data chunk.
constexpr std::uint64_t kDataScanFrom = 36;
constexpr std::uint64_t kDataScanEnd = 64;
constexpr std::uint64_t kListScanTail = 256;

bool idIs(const std::uint8_t* p, std::string_view id)
{
    return std::equal(id.begin(), id.end(), p, [](char c, std::uint8_t u) { return std::uint8_t(c) == u; });
}

bool isUpper(std::uint8_t c) { return c >= 'A' && c <= 'Z'; }
bool isDigit(std::uint8_t c) { return c >= '0' && c <= '9'; }

// The frame id rule of ID3v2, which INFO ids follow: three capitals, then a capital or digit.
bool isValidEntryId(const std::uint8_t* p)
{
    return isUpper(p[0]) && isUpper(p[1]) && isUpper(p[2]) && (isUpper(p[3]) || isDigit(p[3]));
}

// An entry found by the walk over the sub-chunks of a LIST/INFO chunk.
struct Entry {
    long offset = -1;          // of the sub-chunk header, from the start of "LIST"
    std::uint32_t size = 0;    // the size field
    bool fits = false;         // its data lies within the list
};

// Walks the sub-chunks of a buffer that begins at "LIST" until id is found. A
// malformed entry (invalid id, size beyond the list) ends the walk.
Entry walkInfoEntries(ByteView list, std::string_view id)
{
    Entry none;
    if (id.size() != 4 || list.size() < kRiffHeaderBytes || !idIs(list.data() + 8, "INFO"))
        return none;
    const std::uint64_t end = std::min<std::uint64_t>(std::uint64_t(readU32LE(list.data() + 4)) + 8,
                                                      list.size());
    std::uint64_t pos = kRiffHeaderBytes;
    for (int steps = 0; steps < limits::kMaxRiffChunks; ++steps) {
        if (pos + 4 > end || !isValidEntryId(list.data() + pos))
            break;
        if (pos + kChunkHeaderBytes > end)
            break; // an id without its size field
        const std::uint32_t size = readU32LE(list.data() + pos + 4);
        const std::uint64_t dataEnd = pos + kChunkHeaderBytes + size;
        if (idIs(list.data() + pos, id)) {
            Entry e;
            e.offset = long(pos);
            e.size = size;
            e.fits = dataEnd <= end;
            return e;
        }
        if (dataEnd > end)
            break;
        pos = dataEnd;
        // Writers that pad odd entries leave a zero here; an id never starts with one.
        if (pos < end && list[pos] == 0)
            ++pos;
    }
    return none;
}

// The top-level walk: chunk headers from offset 12 within the RIFF chunk (clipped to
// the file), each advanced over its data and pad byte.
void walkTopLevel(FileReader& file, Find what, ChunkOffsets& out)
{
    std::array<std::uint8_t, kRiffHeaderBytes> head{};
    if (file.readAt(0, head.data(), head.size()) != head.size() || !idIs(head.data(), "RIFF"))
        return;
    const std::uint64_t end =
        std::min<std::uint64_t>(std::uint64_t(readU32LE(head.data() + 4)) + 8, file.size());
    const bool wantData = what != Find::ListOnly;
    const bool wantList = what != Find::DataOnly;

    std::uint64_t pos = kRiffHeaderBytes;
    for (int steps = 0; steps < limits::kMaxRiffChunks; ++steps) {
        if ((!wantData || out.data >= 0) && (!wantList || out.list >= 0))
            break;
        std::array<std::uint8_t, 12> h{};
        if (pos + kChunkHeaderBytes > end)
            break;
        const std::size_t got = file.readAt(pos, h.data(), std::size_t(std::min<std::uint64_t>(12, end - pos)));
        if (got < kChunkHeaderBytes)
            break;
        const std::uint32_t size = readU32LE(h.data() + 4);
        if (wantData && out.data < 0 && idIs(h.data(), "data"))
            out.data = (long long)pos;
        else if (wantList && out.list < 0 && got >= 12 && idIs(h.data(), "LIST") && idIs(h.data() + 8, "INFO"))
            out.list = (long long)pos;
        pos += kChunkHeaderBytes + size + (size & 1u);
    }
}

// Offset of the first occurrence of id in [from, to) of the file, or -1.
long long scanFor(FileReader& file, std::uint64_t from, std::uint64_t to, std::string_view id,
                  std::string_view listType = {})
{
    Bytes region;
    to = std::min(to, file.size());
    if (from >= to || !file.readAt(from, std::size_t(to - from), region))
        return -1;
    for (std::size_t i = 0; i + id.size() <= region.size(); ++i) {
        if (!idIs(region.data() + i, id))
            continue;
        if (listType.empty())
            return (long long)(from + i);
        if (i + 12 <= region.size() && idIs(region.data() + i + 8, listType))
            return (long long)(from + i);
    }
    return -1;
}

} // namespace

Form FormOf(ByteView first12)
{
    if (first12.size() < kRiffHeaderBytes || !idIs(first12.data(), "RIFF"))
        return Form::None;
    if (idIs(first12.data() + 8, "RMP3"))
        return Form::Rmp3;
    if (idIs(first12.data() + 8, "WAVE"))
        return Form::Wave;
    return Form::None;
}

ChunkOffsets FindRiffChunks(FileReader& file, Find what)
{
    ChunkOffsets out;
    if (!file.isOpen())
        return out;
    walkTopLevel(file, what, out);
    if (out.data >= 0 || out.list >= 0)
        return out;

    // The byte scan is for RIFF files whose sizes are wrong; a file that is no RIFF has
    // no chunks to find.
    std::array<std::uint8_t, 4> magic{};
    if (file.readAt(0, magic.data(), magic.size()) != magic.size() || !idIs(magic.data(), "RIFF"))
        return out;
    if (what != Find::ListOnly)
        out.data = scanFor(file, kDataScanFrom, kDataScanEnd, "data");
    if (what != Find::DataOnly) {
        const std::uint64_t size = file.size();
        out.list = scanFor(file, size > kListScanTail ? size - kListScanTail : 0, size, "LIST", "INFO");
    }
    return out;
}

long FindListInfo(ByteView buffer)
{
    for (std::size_t i = 0; i + 4 <= buffer.size(); ++i) {
        if (!idIs(buffer.data() + i, "LIST"))
            continue;
        if (i + kRiffHeaderBytes <= buffer.size() && idIs(buffer.data() + i + 8, "INFO"))
            return long(i);
        return -1;
    }
    return -1;
}

long FindInfoEntry(ByteView list, std::string_view id)
{
    const Entry e = walkInfoEntries(list, id);
    return e.fits ? e.offset : -1;
}

QString GetInfoText(ByteView list, std::string_view id)
{
    const Entry e = walkInfoEntries(list, id);
    if (!e.fits)
        return {};
    ByteView data = list.subspan(std::size_t(e.offset) + kChunkHeaderBytes, e.size);
    const auto zero = std::find(data.begin(), data.end(), std::uint8_t(0));
    return CodePage::toUnicode(data.first(std::size_t(zero - data.begin())));
}

std::string_view InfoIdFor(std::string_view frameId23)
{
    struct Pair {
        std::string_view frame, info;
    };
    static constexpr Pair kMap[] = {
        {"TIT2", "INAM"}, {"TPE1", "IART"}, {"TALB", "IPRD"}, {"TYER", "ICRD"}, {"COMM", "ICMT"},
        {"TCON", "IGNR"}, {"TPUB", "ISRC"}, {"USLT", "ILYC"}, {"TCOP", "ICOP"}, {"TSSE", "ISFT"},
    };
    for (const Pair& p : kMap)
        if (p.frame == frameId23)
            return p.info;
    return frameId23;
}

} // namespace quillory::riff
