#include "tags/RiffWriter.h"

#include "platform/CodePage.h"
#include "platform/FileAccess.h"
#include "platform/Limits.h"

#include <algorithm>
#include <cstring>

namespace quillory::riff {

namespace {

constexpr std::size_t kRiffHeader = 12;
constexpr std::size_t kChunkHeader = 8;
constexpr std::size_t kV1Bytes = 128;
constexpr std::string_view kIid3 = "IID3";

bool idIs(const std::uint8_t* p, std::string_view id) { return std::memcmp(p, id.data(), 4) == 0; }

bool isValidEntryId(const std::uint8_t* p)
{
    auto upper = [](std::uint8_t c) { return c >= 'A' && c <= 'Z'; };
    return upper(p[0]) && upper(p[1]) && upper(p[2]) && (upper(p[3]) || (p[3] >= '0' && p[3] <= '9'));
}

void appendId(Bytes& out, std::string_view id) { out.insert(out.end(), id.begin(), id.end()); }
void appendU32(Bytes& out, std::uint32_t v)
{
    const std::size_t at = out.size();
    out.resize(at + 4);
    writeU32LE(out.data() + at, v);
}

struct Entry {
    std::size_t at = 0;   // of the sub-chunk header within the list
    std::uint32_t size = 0;
    std::size_t area = 0; // data bytes including a pad byte that is there
};

struct Walk {
    std::vector<Entry> entries;
    std::size_t end = kRiffHeader; // just after the last well-formed entry
};

std::size_t listEnd(const Bytes& list)
{
    if (list.size() < kChunkHeader)
        return list.size();
    return std::size_t(std::min<std::uint64_t>(std::uint64_t(readU32LE(list.data() + 4)) + kChunkHeader, list.size()));
}

// The sub-chunks as the reader walks them; a malformed entry ends the walk.
Walk walkEntries(const Bytes& list)
{
    Walk w;
    if (list.size() < kRiffHeader)
        return w;
    const std::size_t end = listEnd(list);
    std::size_t pos = kRiffHeader;
    while (w.entries.size() < std::size_t(limits::kMaxRiffChunks)) {
        if (pos + kChunkHeader > end || !isValidEntryId(list.data() + pos))
            break;
        const std::uint32_t size = readU32LE(list.data() + pos + 4);
        if (size > end - pos - kChunkHeader)
            break;
        Entry e{pos, size, size};
        std::size_t next = pos + kChunkHeader + size;
        if ((size & 1u) && next < end && list[next] == 0) {
            ++e.area;
            ++next;
        }
        w.entries.push_back(e);
        w.end = next;
        pos = next;
    }
    return w;
}

const Entry* findEntry(const Walk& w, const Bytes& list, std::string_view id)
{
    for (const Entry& e : w.entries)
        if (idIs(list.data() + e.at, id))
            return &e;
    return nullptr;
}

void setListSize(Bytes& list) { writeU32LE(list.data() + 4, std::uint32_t(list.size() - kChunkHeader)); }

Bytes newList()
{
    Bytes list;
    appendId(list, "LIST");
    appendU32(list, 4);
    appendId(list, "INFO");
    return list;
}

// The IID3 data of the file: read as the last 128 bytes of the file, so only an IID3
// entry that ends the list, with the list ending the file, counts.
std::optional<std::size_t> visibleIid3(const RiffImage& image)
{
    if (image.list.empty() || image.postLength != 0 || !image.trailing.empty())
        return std::nullopt;
    const Walk w = walkEntries(image.list);
    if (w.entries.empty())
        return std::nullopt;
    const Entry& last = w.entries.back();
    if (!idIs(image.list.data() + last.at, kIid3) || last.size < kV1Bytes)
        return std::nullopt;
    const std::size_t dataEnd = last.at + kChunkHeader + last.size;
    if (dataEnd != image.list.size())
        return std::nullopt;
    return dataEnd - kV1Bytes;
}

} // namespace

std::optional<RiffImage> OpenRiff(FileReader& file, const ChunkOffsets& chunks)
{
    const std::uint64_t size = file.size();
    RiffImage image;
    image.head.resize(kRiffHeader);
    if (file.readAt(0, image.head.data(), kRiffHeader) != kRiffHeader)
        return std::nullopt;
    image.form = FormOf(image.head);
    if (image.form == Form::None)
        return std::nullopt;

    std::uint8_t tail[kV1Bytes];
    const bool tailTag = size >= kRiffHeader + kV1Bytes && file.readAt(size - kV1Bytes, tail, kV1Bytes) == kV1Bytes &&
                         startsWith(ByteView(tail, kV1Bytes), "TAG");

    std::uint64_t listAt = 0, listLength = 0;
    if (chunks.list >= std::int64_t(kRiffHeader) && std::uint64_t(chunks.list) + kChunkHeader <= size) {
        listAt = std::uint64_t(chunks.list);
        std::uint8_t h[kChunkHeader];
        if (file.readAt(listAt, h, kChunkHeader) != kChunkHeader)
            return std::nullopt;
        listLength = std::min<std::uint64_t>(std::uint64_t(readU32LE(h + 4)) + kChunkHeader, size - listAt);
        if (listLength > limits::kMaxInfoChunkBytes)
            return std::nullopt;
        if (!file.readAt(listAt, std::size_t(listLength), image.list))
            return std::nullopt;
    }
    const std::uint64_t listEndAt = listAt + listLength;
    const bool plainV1 = tailTag && size - kV1Bytes >= std::max<std::uint64_t>(listEndAt, kRiffHeader);
    const std::uint64_t v1At = plainV1 ? size - kV1Bytes : size;
    if (plainV1)
        image.trailing.assign(tail, tail + kV1Bytes);

    image.originalRiffSize = readU32LE(image.head.data() + 4);
    if (std::uint64_t(image.originalRiffSize) + 8 > v1At)
        image.originalRiffSize = std::uint32_t(v1At - 8); // a size that claims more than the file

    if (image.list.empty()) {
        // A new LIST chunk goes at the end of the RIFF data.
        const std::uint64_t at = std::min<std::uint64_t>(std::uint64_t(image.originalRiffSize) + 8, v1At);
        image.preFrom = kRiffHeader;
        image.preLength = at - kRiffHeader;
        image.postFrom = at;
        image.postLength = v1At - at;
    } else {
        image.preFrom = kRiffHeader;
        image.preLength = listAt - kRiffHeader;
        image.postFrom = listEndAt;
        image.postLength = v1At - listEndAt;
    }
    image.originalHead = image.head;
    image.originalList = image.list;
    image.originalTrailing = image.trailing;
    return image;
}

bool SetInfoText(RiffImage& image, std::string_view entryId, const QString& text)
{
    if (entryId.size() != 4)
        return false;
    const std::string sjis = CodePage::fromUnicode(text, '?');
    if (image.list.empty()) {
        if (sjis.empty())
            return false;
        image.list = newList();
        image.listPad = (image.head.size() + image.preLength) & 1u ? 1 : 0;
    }
    Walk w = walkEntries(image.list);
    const Entry* found = findEntry(w, image.list, entryId);
    Bytes data(sjis.begin(), sjis.end());
    data.push_back(0);
    if (data.size() & 1u)
        data.push_back(0);
    const std::uint32_t sizeField = std::uint32_t(sjis.size() + 1);

    if (found) {
        const auto first = image.list.begin() + std::ptrdiff_t(found->at);
        if (sjis.empty()) {
            image.list.erase(first, first + std::ptrdiff_t(kChunkHeader + found->area));
        } else {
            writeU32LE(image.list.data() + found->at + 4, sizeField);
            const auto dataAt = first + std::ptrdiff_t(kChunkHeader);
            image.list.erase(dataAt, dataAt + std::ptrdiff_t(found->area));
            image.list.insert(image.list.begin() + std::ptrdiff_t(found->at + kChunkHeader), data.begin(), data.end());
        }
    } else {
        if (sjis.empty())
            return false;
        const Entry* iid3 = findEntry(w, image.list, kIid3);
        const std::size_t at = iid3 ? iid3->at : w.end;
        Bytes entry;
        appendId(entry, entryId);
        appendU32(entry, sizeField);
        entry.insert(entry.end(), data.begin(), data.end());
        image.list.insert(image.list.begin() + std::ptrdiff_t(at), entry.begin(), entry.end());
    }
    setListSize(image.list);
    return true;
}

std::optional<V1Block> GetV1Block(const RiffImage& image)
{
    V1Block block{};
    if (image.trailing.size() == kV1Bytes && startsWith(image.trailing, "TAG")) {
        std::copy(image.trailing.begin(), image.trailing.end(), block.begin());
        return block;
    }
    if (std::optional<std::size_t> at = visibleIid3(image)) {
        const auto from = image.list.begin() + std::ptrdiff_t(*at);
        if (!startsWith(ByteView(&*from, kV1Bytes), "TAG"))
            return std::nullopt;
        std::copy(from, from + std::ptrdiff_t(kV1Bytes), block.begin());
        return block;
    }
    return std::nullopt;
}

void PutV1Block(RiffImage& image, const V1Block& block, bool inside)
{
    if (image.trailing.size() == kV1Bytes && startsWith(image.trailing, "TAG")) {
        image.trailing.assign(block.begin(), block.end());
        return;
    }
    if (std::optional<std::size_t> at = visibleIid3(image)) {
        if (startsWith(ByteView(image.list.data() + *at, kV1Bytes), "TAG")) {
            std::copy(block.begin(), block.end(), image.list.begin() + std::ptrdiff_t(*at));
            return;
        }
    }
    // The IID3 entry is read as the file's last 128 bytes: only a list at the end of the
    // file can hold it.
    if (inside && image.form == Form::Rmp3 && image.postLength == 0 && image.trailing.empty()) {
        if (image.list.empty()) {
            image.list = newList();
            image.listPad = (image.head.size() + image.preLength) & 1u ? 1 : 0;
        }
        appendId(image.list, kIid3);
        appendU32(image.list, kV1Bytes);
        image.list.insert(image.list.end(), block.begin(), block.end());
        setListSize(image.list);
        return;
    }
    image.trailing.assign(block.begin(), block.end());
}

RiffImage WrapAsRiffMp3(std::uint64_t fileSize, bool hadV1, const std::optional<V1Block>& block, bool inside)
{
    RiffImage image;
    image.form = Form::Rmp3;
    image.fromFile = false;
    const std::uint64_t n = hadV1 && fileSize >= kV1Bytes ? fileSize - kV1Bytes : fileSize;
    appendId(image.head, "RIFF");
    appendU32(image.head, 0); // set by RenderRiff
    appendId(image.head, "RMP3");
    appendId(image.head, "data");
    appendU32(image.head, std::uint32_t(n));
    image.preFrom = 0;
    image.preLength = n;
    image.listPad = (image.head.size() + n) & 1u ? 1 : 0;
    image.list = newList();
    if (block) {
        if (inside) {
            appendId(image.list, kIid3);
            appendU32(image.list, kV1Bytes);
            image.list.insert(image.list.end(), block->begin(), block->end());
            setListSize(image.list);
        } else {
            image.trailing.assign(block->begin(), block->end());
        }
    }
    return image;
}

std::uint32_t ListSize(const RiffImage& image)
{
    return image.list.size() >= kChunkHeader ? readU32LE(image.list.data() + 4) : 0;
}

FilePlan RenderRiff(const RiffImage& image)
{
    Bytes head = image.head;
    std::uint64_t riffSize;
    if (image.fromFile) {
        const std::int64_t delta = std::int64_t(image.listPad + image.list.size()) - std::int64_t(image.originalList.size());
        riffSize = std::uint64_t(std::int64_t(image.originalRiffSize) + delta);
    } else {
        riffSize = head.size() + image.preLength + image.listPad + image.list.size() + image.postLength - 8;
    }
    writeU32LE(head.data() + 4, std::uint32_t(riffSize));

    FilePlan plan;
    if (image.fromFile && head == image.originalHead)
        plan.push_back(Piece::source(0, head.size()));
    else
        plan.push_back(Piece::memory(std::move(head)));
    if (image.preLength)
        plan.push_back(Piece::source(image.preFrom, image.preLength));
    if (image.fromFile && image.listPad == 0 && image.list == image.originalList) {
        if (!image.list.empty())
            plan.push_back(Piece::source(image.preFrom + image.preLength, image.list.size()));
    } else if (!image.list.empty()) {
        Bytes list(image.listPad, 0);
        list.insert(list.end(), image.list.begin(), image.list.end());
        plan.push_back(Piece::memory(std::move(list)));
    }
    if (image.postLength)
        plan.push_back(Piece::source(image.postFrom, image.postLength));
    if (image.fromFile && image.trailing == image.originalTrailing) {
        if (!image.trailing.empty())
            plan.push_back(Piece::source(image.postFrom + image.postLength, image.trailing.size()));
    } else if (!image.trailing.empty()) {
        plan.push_back(Piece::memory(image.trailing));
    }
    return plan;
}

} // namespace quillory::riff
