#include "support/AsfBuilder.h"

#include <stdexcept>
#include <string>

namespace quillory::test {

namespace {

constexpr std::string_view kHeaderGuid = "75B22630-668E-11CF-A6D9-00AA0062CE6C";
constexpr std::string_view kDataGuid = "75B22636-668E-11CF-A6D9-00AA0062CE6C";

void put(Bytes& out, ByteView v) { out.insert(out.end(), v.begin(), v.end()); }

int hex(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    throw std::invalid_argument("bad GUID digit");
}

std::uint64_t groupValue(std::string_view s)
{
    std::uint64_t v = 0;
    for (char c : s)
        v = v * 16 + std::uint64_t(hex(c));
    return v;
}

Bytes metadataRecords(const std::vector<AsfRecord>& records, bool library)
{
    Bytes body = le16(std::uint16_t(records.size()));
    for (const AsfRecord& r : records) {
        Bytes name = utf16z(r.name);
        put(body, le16(library ? r.language : 0));
        put(body, le16(r.stream));
        put(body, le16(std::uint16_t(name.size())));
        put(body, le16(r.type));
        put(body, le32(std::uint32_t(r.value.size())));
        put(body, name);
        put(body, r.value);
    }
    return body;
}

} // namespace

Bytes asfGuid(std::string_view g)
{
    if (g.size() != 36)
        throw std::invalid_argument("bad GUID text");
    Bytes out;
    // Data1 (4 bytes), Data2 and Data3 (2 bytes each) little-endian; the rest as written.
    put(out, le32(std::uint32_t(groupValue(g.substr(0, 8)))));
    put(out, le16(std::uint16_t(groupValue(g.substr(9, 4)))));
    put(out, le16(std::uint16_t(groupValue(g.substr(14, 4)))));
    std::string rest = std::string(g.substr(19, 4)) + std::string(g.substr(24, 12));
    for (std::size_t i = 0; i < rest.size(); i += 2)
        out.push_back(std::uint8_t(hex(rest[i]) * 16 + hex(rest[i + 1])));
    return out;
}

Bytes utf16z(QStringView text)
{
    Bytes out;
    for (QChar c : text) {
        out.push_back(std::uint8_t(c.unicode() & 0xFF));
        out.push_back(std::uint8_t(c.unicode() >> 8));
    }
    out.push_back(0);
    out.push_back(0);
    return out;
}

Bytes le16(std::uint16_t v) { return {std::uint8_t(v), std::uint8_t(v >> 8)}; }
Bytes le32(std::uint32_t v)
{
    return {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
}
Bytes le64(std::uint64_t v)
{
    Bytes out = le32(std::uint32_t(v));
    put(out, le32(std::uint32_t(v >> 32)));
    return out;
}

AsfRecord stringRecord(QStringView name, QStringView text) { return {name.toString(), kAsfString, utf16z(text)}; }
AsfRecord dwordRecord(QStringView name, std::uint32_t v) { return {name.toString(), kAsfDword, le32(v)}; }
AsfRecord qwordRecord(QStringView name, std::uint64_t v) { return {name.toString(), kAsfQword, le64(v)}; }
AsfRecord wordRecord(QStringView name, std::uint16_t v) { return {name.toString(), kAsfWord, le16(v)}; }
AsfRecord boolRecord(QStringView name, bool v, int width)
{
    return {name.toString(), kAsfBool, width == 2 ? le16(v ? 1 : 0) : le32(v ? 1 : 0)};
}
AsfRecord binaryRecord(QStringView name, ByteView v) { return {name.toString(), kAsfBinary, Bytes(v.begin(), v.end())}; }

Bytes pictureValue(QStringView mime, QStringView description, ByteView data, std::uint8_t type,
                   std::optional<std::uint32_t> claimedLength)
{
    Bytes out{type};
    put(out, le32(claimedLength.value_or(std::uint32_t(data.size()))));
    put(out, utf16z(mime));
    put(out, utf16z(description));
    put(out, data);
    return out;
}

Bytes webLinkValue(QStringView description, QStringView url)
{
    Bytes out = utf16z(description);
    put(out, utf16z(url));
    return out;
}

Bytes asfObject(std::string_view guid, ByteView body, std::optional<std::uint64_t> declaredSize)
{
    Bytes out = asfGuid(guid);
    put(out, le64(declaredSize.value_or(24 + body.size())));
    put(out, body);
    return out;
}

Bytes filePropertiesObject(const AsfFileProps& p)
{
    Bytes body(16, 0x11); // file id
    put(body, le64(p.fileSize));
    put(body, le64(0)); // creation date
    put(body, le64(p.packets));
    put(body, le64(p.playDuration));
    put(body, le64(p.playDuration)); // send duration
    put(body, le64(p.preroll));
    put(body, le32(p.flags));
    put(body, le32(64)); // min packet size
    put(body, le32(64)); // max packet size
    put(body, le32(p.maxBitrate));
    return asfObject("8CABDCA1-A947-11CF-8EE4-00C00C205365", body);
}

Bytes audioStreamObject(std::uint16_t stream, std::uint32_t sampleRate, std::uint16_t channels,
                        std::uint32_t avgBytesPerSecond)
{
    Bytes format = le16(0x0161); // WMA v2
    put(format, le16(channels));
    put(format, le32(sampleRate));
    put(format, le32(avgBytesPerSecond));
    put(format, le16(0x0800)); // block align
    put(format, le16(16));
    put(format, le16(0)); // no extra format bytes
    Bytes body = asfGuid("F8699E40-5B4D-11CF-A8FD-00805F5C442B");
    put(body, asfGuid("20FB5700-5B55-11CF-A8FD-00805F5C442B")); // no error correction
    put(body, le64(0));
    put(body, le32(std::uint32_t(format.size())));
    put(body, le32(0));
    put(body, le16(stream));
    put(body, le32(0));
    put(body, format);
    return asfObject("B7DC0791-A9B7-11CF-8EE6-00C00C205365", body);
}

Bytes streamBitrateObject(const std::vector<std::pair<std::uint16_t, std::uint32_t>>& bitrates)
{
    Bytes body = le16(std::uint16_t(bitrates.size()));
    for (auto [stream, rate] : bitrates) {
        put(body, le16(stream));
        put(body, le32(rate));
    }
    return asfObject("7BF875CE-468D-11D1-8D82-006097C9A2B2", body);
}

Bytes contentDescription(std::optional<QString> title, std::optional<QString> author,
                         std::optional<QString> copyright, std::optional<QString> description,
                         std::optional<QString> rating)
{
    Bytes lengths, strings;
    for (const auto* f : {&title, &author, &copyright, &description, &rating}) {
        Bytes s = *f ? utf16z(**f) : Bytes{};
        put(lengths, le16(std::uint16_t(s.size())));
        put(strings, s);
    }
    put(lengths, strings);
    return asfObject("75B22633-668E-11CF-A6D9-00AA0062CE6C", lengths);
}

Bytes extendedContent(const std::vector<AsfRecord>& records, std::optional<std::uint16_t> declaredCount)
{
    Bytes body = le16(declaredCount.value_or(std::uint16_t(records.size())));
    for (const AsfRecord& r : records) {
        Bytes name = utf16z(r.name);
        put(body, le16(std::uint16_t(name.size())));
        put(body, name);
        put(body, le16(r.type));
        put(body, le16(std::uint16_t(r.value.size())));
        put(body, r.value);
    }
    return asfObject("D2D0A440-E307-11D2-97F0-00A0C95EA850", body);
}

Bytes metadataObject(const std::vector<AsfRecord>& records)
{
    return asfObject("C5F8CBEA-5BAF-4877-8467-AA8C44FA4CCA", metadataRecords(records, false));
}

Bytes metadataLibraryObject(const std::vector<AsfRecord>& records)
{
    return asfObject("44231C94-9498-49D1-A141-1D134E457054", metadataRecords(records, true));
}

Bytes headerExtension(const std::vector<Bytes>& children)
{
    Bytes data;
    for (const Bytes& c : children)
        put(data, c);
    Bytes body = asfGuid("ABD3D211-A9BA-11CF-8EE6-00C00C205365");
    put(body, le16(6));
    put(body, le32(std::uint32_t(data.size())));
    put(body, data);
    return asfObject("5FBF03B5-A92E-11CF-8EE3-00C00C205365", body);
}

Bytes paddingObject(std::size_t bytes)
{
    return asfObject("1806D474-CADF-4509-A4BA-9AABCB96AAE8", Bytes(bytes, 0));
}

Bytes simpleIndexObject(std::uint32_t entries)
{
    Bytes body(16, 0x11);
    put(body, le64(10'000'000)); // one entry a second
    put(body, le32(1));
    put(body, le32(entries));
    for (std::uint32_t i = 0; i < entries; ++i) {
        put(body, le32(i));
        put(body, le16(1));
    }
    return asfObject("33000890-E5B1-11CF-89F4-00A0C90349CB", body);
}

AsfFileBuilder AsfFileBuilder::standard()
{
    AsfFileBuilder b;
    b.fileProperties({});
    b.child(audioStreamObject(1, 44100, 2, 16000));
    b.child(streamBitrateObject({{1, 128000}}));
    return b;
}

AsfFileBuilder& AsfFileBuilder::fileProperties(const AsfFileProps& p)
{
    props_ = p;
    return *this;
}
AsfFileBuilder& AsfFileBuilder::child(ByteView object)
{
    children_.emplace_back(object.begin(), object.end());
    return *this;
}
AsfFileBuilder& AsfFileBuilder::packets(ByteView payload)
{
    packets_.assign(payload.begin(), payload.end());
    return *this;
}
AsfFileBuilder& AsfFileBuilder::trailing(ByteView bytes)
{
    trailing_.assign(bytes.begin(), bytes.end());
    return *this;
}
AsfFileBuilder& AsfFileBuilder::declaredHeaderSize(std::uint64_t size)
{
    declaredSize_ = size;
    return *this;
}
AsfFileBuilder& AsfFileBuilder::declaredObjectCount(std::uint32_t count)
{
    declaredCount_ = count;
    return *this;
}

Bytes AsfFileBuilder::headerFor(std::uint64_t fileSize) const
{
    Bytes kids;
    std::uint32_t count = 0;
    if (props_) {
        AsfFileProps p = *props_;
        if (p.fileSize == 0)
            p.fileSize = fileSize;
        put(kids, filePropertiesObject(p));
        ++count;
    }
    for (const Bytes& c : children_) {
        put(kids, c);
        ++count;
    }
    Bytes out = asfGuid(kHeaderGuid);
    put(out, le64(declaredSize_.value_or(30 + kids.size())));
    put(out, le32(declaredCount_.value_or(count)));
    out.push_back(1);
    out.push_back(2);
    put(out, kids);
    return out;
}

Bytes AsfFileBuilder::header() const { return headerFor(0); }

Bytes AsfFileBuilder::build() const
{
    Bytes data = asfGuid(kDataGuid);
    put(data, le64(50 + packets_.size()));
    put(data, Bytes(16, 0x11));
    put(data, le64(1));
    data.push_back(1);
    data.push_back(1);
    put(data, packets_);
    std::uint64_t total = headerFor(0).size() + data.size() + trailing_.size();
    Bytes out = headerFor(total);
    put(out, data);
    put(out, trailing_);
    return out;
}

} // namespace quillory::test
