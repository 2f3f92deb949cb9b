#include "media/wma/AsfHeader.h"

#include "platform/Limits.h"

#include <algorithm>

namespace quillory::asf {

namespace {

// File Properties: 24-byte head, then File ID (16) and the fixed fields up to 104.
constexpr std::size_t kFilePropertiesSize = 104;
constexpr std::size_t kFpFileSize = 40;
constexpr std::size_t kFpPlayDuration = 64;
constexpr std::size_t kFpPreroll = 80;
constexpr std::size_t kFpFlags = 88;
constexpr std::size_t kFpMaxBitrate = 100;
// Header Extension: head, reserved GUID and word, data size.
constexpr std::size_t kHeaderExtensionPrefix = 46;
// Stream Properties: type-specific data starts after the fixed fields.
constexpr std::size_t kSpTypeSpecificLength = 64;
constexpr std::size_t kSpTypeSpecificData = 78;

struct Budget {
    std::uint32_t objects = 0;
    std::uint32_t attributes = 0;
};

// The objects opened by kind; every other GUID stays an opaque object kept as read.
struct KnownObject {
    Guid guid;
    ObjectKind kind;
    bool insideExtension; // lives in the Header Extension rather than the Header Object
};
constexpr KnownObject kKnownObjects[] = {
    {guids::kFileProperties, ObjectKind::FileProperties, false},
    {guids::kStreamProperties, ObjectKind::StreamProperties, false},
    {guids::kStreamBitrateProperties, ObjectKind::StreamBitrateProperties, false},
    {guids::kContentDescription, ObjectKind::ContentDescription, false},
    {guids::kExtendedContentDescription, ObjectKind::ExtendedContentDescription, false},
    {guids::kHeaderExtension, ObjectKind::HeaderExtension, false},
    {guids::kMetadata, ObjectKind::Metadata, true},
    {guids::kMetadataLibrary, ObjectKind::MetadataLibrary, true},
};

ObjectKind kindOf(const Guid& g, bool insideExtension)
{
    for (const KnownObject& k : kKnownObjects)
        if (k.guid == g && k.insideExtension == insideExtension)
            return k.kind;
    return ObjectKind::Other;
}

Bytes copyOf(ByteView v) { return Bytes(v.begin(), v.end()); }

void append(Bytes& out, ByteView v) { out.insert(out.end(), v.begin(), v.end()); }
void appendU16(Bytes& out, std::uint16_t v)
{
    std::uint8_t b[2];
    writeU16LE(b, v);
    out.insert(out.end(), b, b + 2);
}
void appendU32(Bytes& out, std::uint32_t v)
{
    std::uint8_t b[4];
    writeU32LE(b, v);
    out.insert(out.end(), b, b + 4);
}
void appendU64(Bytes& out, std::uint64_t v)
{
    std::uint8_t b[8];
    writeU64LE(b, v);
    out.insert(out.end(), b, b + 8);
}

QString nameOf(ByteView b) { return DecodeUtf16z(b); }

bool countAttribute(Budget& budget, QString& damage)
{
    if (++budget.attributes > limits::kMaxAsfAttributes) {
        damage = QStringLiteral("too many attributes");
        return false;
    }
    return true;
}

// Content Description: five 16-bit lengths, then the five strings.
bool parseContentDescription(ByteView obj, Object& o, Budget& budget, QString& damage)
{
    if (obj.size() < kObjectHead + 10) {
        damage = QStringLiteral("Content Description object too short");
        return false;
    }
    std::size_t pos = kObjectHead + 10;
    for (int i = 0; i < 5; ++i) {
        std::size_t len = readU16LE(obj.data() + kObjectHead + 2 * i);
        if (len > obj.size() - pos) {
            damage = QStringLiteral("Content Description string beyond its object");
            return false;
        }
        if (len > 0) {
            if (!countAttribute(budget, damage))
                return false;
            Attribute a;
            a.name = QString::fromUtf16(kContentDescriptionNames[i]);
            a.type = StoredType::String;
            a.value = copyOf(obj.subspan(pos, len));
            o.attributes.push_back(std::move(a));
        }
        pos += len;
    }
    o.tail = copyOf(obj.subspan(pos));
    return true;
}

// Extended Content Description: count, then name length, name, type, value length, value.
bool parseExtendedContent(ByteView obj, Object& o, Budget& budget, QString& damage)
{
    if (obj.size() < kObjectHead + 2) {
        damage = QStringLiteral("Extended Content Description object too short");
        return false;
    }
    std::size_t count = readU16LE(obj.data() + kObjectHead);
    std::size_t pos = kObjectHead + 2;
    // Each record takes at least six bytes: refuse a count the object cannot hold
    // before anything is reserved for it.
    if (count > (obj.size() - pos) / 6) {
        damage = QStringLiteral("Extended Content Description count beyond its object");
        return false;
    }
    o.attributes.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        std::size_t start = pos;
        bool fits = obj.size() - pos >= 2;
        std::size_t nameLen = fits ? readU16LE(obj.data() + pos) : 0;
        fits = fits && obj.size() - pos - 2 >= nameLen + 4;
        std::size_t valueAt = pos + 2 + nameLen + 4;
        std::size_t valueLen = fits ? readU16LE(obj.data() + valueAt - 2) : 0;
        fits = fits && obj.size() - valueAt >= valueLen;
        if (!fits) {
            damage = QStringLiteral("Extended Content Description record beyond its object");
            return false;
        }
        if (!countAttribute(budget, damage))
            return false;
        Attribute a;
        a.name = nameOf(obj.subspan(pos + 2, nameLen));
        a.type = StoredType(readU16LE(obj.data() + valueAt - 4));
        a.value = copyOf(obj.subspan(valueAt, valueLen));
        pos = valueAt + valueLen;
        a.raw = copyOf(obj.subspan(start, pos - start));
        o.attributes.push_back(std::move(a));
    }
    o.tail = copyOf(obj.subspan(pos));
    return true;
}

// Metadata and Metadata Library: count, then records of a 12-byte head, name and data.
bool parseMetadata(ByteView obj, Object& o, Budget& budget, QString& damage)
{
    const bool library = o.kind == ObjectKind::MetadataLibrary;
    if (obj.size() < kObjectHead + 2) {
        damage = QStringLiteral("Metadata object too short");
        return false;
    }
    std::size_t count = readU16LE(obj.data() + kObjectHead);
    std::size_t pos = kObjectHead + 2;
    if (count > (obj.size() - pos) / 12) {
        damage = QStringLiteral("Metadata count beyond its object");
        return false;
    }
    o.attributes.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        std::size_t start = pos;
        if (obj.size() - pos < 12) {
            damage = QStringLiteral("Metadata record beyond its object");
            return false;
        }
        const std::uint8_t* h = obj.data() + pos;
        std::uint16_t language = readU16LE(h);
        std::uint16_t stream = readU16LE(h + 2);
        std::size_t nameLen = readU16LE(h + 4);
        std::uint16_t type = readU16LE(h + 6);
        std::uint64_t dataLen = readU32LE(h + 8);
        pos += 12;
        if (std::uint64_t(obj.size() - pos) < nameLen + dataLen) {
            damage = QStringLiteral("Metadata record beyond its object");
            return false;
        }
        if (!countAttribute(budget, damage))
            return false;
        Attribute a;
        a.name = nameOf(obj.subspan(pos, nameLen));
        pos += nameLen;
        a.type = StoredType(type);
        a.value = copyOf(obj.subspan(pos, std::size_t(dataLen)));
        pos += std::size_t(dataLen);
        a.stream = stream;
        a.language = library ? language : 0;
        a.raw = copyOf(obj.subspan(start, pos - start));
        o.attributes.push_back(std::move(a));
    }
    o.tail = copyOf(obj.subspan(pos));
    return true;
}

bool parseObject(ByteView obj, bool insideExtension, Object& o, Budget& budget, QString& damage);

// Children of an object laid one after another up to the end of the view.
bool parseChildren(ByteView data, std::vector<Object>& out, Bytes& tail, Budget& budget, QString& damage)
{
    std::size_t pos = 0;
    while (data.size() - pos >= kObjectHead) {
        std::uint64_t size = readU64LE(data.data() + pos + 16);
        if (size < kObjectHead || size > data.size() - pos) {
            damage = size < kObjectHead ? QStringLiteral("object size below its head")
                                        : QStringLiteral("object size beyond its parent");
            return false;
        }
        Object child;
        if (!parseObject(data.subspan(pos, std::size_t(size)), true, child, budget, damage))
            return false;
        out.push_back(std::move(child));
        pos += std::size_t(size);
    }
    tail = copyOf(data.subspan(pos));
    return true;
}

bool parseObject(ByteView obj, bool insideExtension, Object& o, Budget& budget, QString& damage)
{
    if (++budget.objects > limits::kMaxAsfObjects) {
        damage = QStringLiteral("too many objects");
        return false;
    }
    o.guid = Guid::fromBytes(obj.data());
    o.kind = kindOf(o.guid, insideExtension);
    o.raw = copyOf(obj);
    switch (o.kind) {
    case ObjectKind::FileProperties:
        if (obj.size() < kFilePropertiesSize) {
            damage = QStringLiteral("File Properties object too short");
            return false;
        }
        return true;
    case ObjectKind::ContentDescription:
        return parseContentDescription(obj, o, budget, damage);
    case ObjectKind::ExtendedContentDescription:
        return parseExtendedContent(obj, o, budget, damage);
    case ObjectKind::Metadata:
    case ObjectKind::MetadataLibrary:
        return parseMetadata(obj, o, budget, damage);
    case ObjectKind::HeaderExtension: {
        if (obj.size() < kHeaderExtensionPrefix) {
            damage = QStringLiteral("Header Extension object too short");
            return false;
        }
        o.reserved = copyOf(obj.subspan(kObjectHead, 18));
        std::size_t dataSize = readU32LE(obj.data() + 42);
        if (dataSize > obj.size() - kHeaderExtensionPrefix) {
            damage = QStringLiteral("Header Extension data beyond its object");
            return false;
        }
        if (!parseChildren(obj.subspan(kHeaderExtensionPrefix, dataSize), o.children, o.tail, budget, damage))
            return false;
        o.after = copyOf(obj.subspan(kHeaderExtensionPrefix + dataSize));
        return true;
    }
    default:
        return true;
    }
}

void renderObject(const Object& o, Bytes& out, std::size_t* filePropertiesAt);

void renderAttributes(const Object& o, Bytes& body)
{
    switch (o.kind) {
    case ObjectKind::ContentDescription: {
        const Attribute* fields[5] = {};
        for (const Attribute& a : o.attributes)
            for (int i = 0; i < 5; ++i)
                if (a.name == QStringView(kContentDescriptionNames[i]))
                    fields[i] = &a;
        for (const Attribute* a : fields)
            appendU16(body, a ? std::uint16_t(a->value.size()) : 0);
        for (const Attribute* a : fields)
            if (a)
                append(body, a->value);
        break;
    }
    case ObjectKind::ExtendedContentDescription:
        appendU16(body, std::uint16_t(o.attributes.size()));
        for (const Attribute& a : o.attributes) {
            if (!a.raw.empty()) {
                append(body, a.raw);
                continue;
            }
            Bytes name = EncodeUtf16z(a.name);
            appendU16(body, std::uint16_t(name.size()));
            append(body, name);
            appendU16(body, std::uint16_t(a.type));
            appendU16(body, std::uint16_t(a.value.size()));
            append(body, a.value);
        }
        break;
    case ObjectKind::Metadata:
    case ObjectKind::MetadataLibrary:
        appendU16(body, std::uint16_t(o.attributes.size()));
        for (const Attribute& a : o.attributes) {
            if (!a.raw.empty()) {
                append(body, a.raw);
                continue;
            }
            Bytes name = EncodeUtf16z(a.name);
            appendU16(body, o.kind == ObjectKind::MetadataLibrary ? a.language : 0);
            appendU16(body, a.stream);
            appendU16(body, std::uint16_t(name.size()));
            appendU16(body, std::uint16_t(a.type));
            appendU32(body, std::uint32_t(a.value.size()));
            append(body, name);
            append(body, a.value);
        }
        break;
    default:
        break;
    }
    append(body, o.tail);
}

// Only the objects this editor lays out itself are ever rendered anew.
bool rendersItself(ObjectKind k)
{
    switch (k) {
    case ObjectKind::ContentDescription:
    case ObjectKind::ExtendedContentDescription:
    case ObjectKind::HeaderExtension:
    case ObjectKind::Metadata:
    case ObjectKind::MetadataLibrary:
        return true;
    default:
        return false;
    }
}

bool needsRender(const Object& o)
{
    if (!rendersItself(o.kind))
        return false;
    if (o.changed || o.raw.empty())
        return true;
    return std::any_of(o.children.begin(), o.children.end(), needsRender);
}

void renderObject(const Object& o, Bytes& out, std::size_t* filePropertiesAt)
{
    if (o.kind == ObjectKind::FileProperties && filePropertiesAt && *filePropertiesAt == SIZE_MAX)
        *filePropertiesAt = out.size();
    if (!needsRender(o)) {
        append(out, o.raw);
        return;
    }
    std::size_t start = out.size();
    append(out, o.guid.bytes);
    appendU64(out, 0); // size, filled in below
    if (o.kind == ObjectKind::HeaderExtension) {
        if (o.reserved.size() == 18) {
            append(out, o.reserved);
        } else {
            append(out, guids::kHeaderExtensionReserved.bytes);
            appendU16(out, 6);
        }
        std::size_t sizeAt = out.size();
        appendU32(out, 0);
        std::size_t dataStart = out.size();
        for (const Object& c : o.children)
            renderObject(c, out, nullptr);
        append(out, o.tail);
        writeU32LE(out.data() + sizeAt, std::uint32_t(out.size() - dataStart));
        append(out, o.after);
    } else {
        renderAttributes(o, out);
    }
    writeU64LE(out.data() + start + 16, std::uint64_t(out.size() - start));
}

} // namespace

ParsedHeader ParseHeader(ByteView bytes)
{
    ParsedHeader result;
    if (bytes.size() < kHeaderObjectPrefix) {
        result.damage = QStringLiteral("file too short for an ASF header");
        return result;
    }
    if (!(Guid::fromBytes(bytes.data()) == guids::kHeader)) {
        result.damage = QStringLiteral("not an ASF header");
        return result;
    }
    std::uint64_t size = readU64LE(bytes.data() + 16);
    if (size < kHeaderObjectPrefix) {
        result.damage = QStringLiteral("header size below its fixed part");
        return result;
    }
    if (size > bytes.size() || size > limits::kMaxAsfHeaderBytes) {
        result.damage = QStringLiteral("header size beyond the file");
        return result;
    }
    std::uint32_t count = readU32LE(bytes.data() + 24);
    if (count > limits::kMaxAsfObjects || count > (size - kHeaderObjectPrefix) / kObjectHead) {
        result.damage = QStringLiteral("object count beyond the header");
        return result;
    }
    ByteView body = bytes.first(std::size_t(size));
    Header h;
    h.size = size;
    h.reserved[0] = body[28];
    h.reserved[1] = body[29];
    h.objects.reserve(count);
    Budget budget;
    std::size_t pos = kHeaderObjectPrefix;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (body.size() - pos < kObjectHead) {
            result.damage = QStringLiteral("object head beyond the header");
            return result;
        }
        std::uint64_t objSize = readU64LE(body.data() + pos + 16);
        if (objSize < kObjectHead) {
            result.damage = QStringLiteral("object size below its head");
            return result;
        }
        if (objSize > body.size() - pos) {
            result.damage = QStringLiteral("object size beyond the header");
            return result;
        }
        Object o;
        if (!parseObject(body.subspan(pos, std::size_t(objSize)), false, o, budget, result.damage))
            return result;
        h.objects.push_back(std::move(o));
        pos += std::size_t(objSize);
    }
    h.tail = copyOf(body.subspan(pos));
    result.header = std::move(h);
    return result;
}

Bytes RenderHeader(const Header& header)
{
    Bytes out;
    out.reserve(std::size_t(header.size) + 1024);
    append(out, guids::kHeader.bytes);
    appendU64(out, 0);
    appendU32(out, std::uint32_t(header.objects.size()));
    out.push_back(header.reserved[0]);
    out.push_back(header.reserved[1]);
    std::size_t fpAt = SIZE_MAX;
    for (const Object& o : header.objects)
        renderObject(o, out, &fpAt);
    append(out, header.tail);
    writeU64LE(out.data() + 16, std::uint64_t(out.size()));

    // The file grows or shrinks by exactly the header's change; a File Size of 0
    // (unknown, as while broadcasting) stays 0.
    if (fpAt != SIZE_MAX && out.size() != header.size) {
        std::uint8_t* field = out.data() + fpAt + kFpFileSize;
        std::uint64_t fileSize = readU64LE(field);
        if (fileSize != 0) {
            if (out.size() > header.size)
                fileSize += out.size() - header.size;
            else
                fileSize -= std::min<std::uint64_t>(fileSize, header.size - out.size());
            writeU64LE(field, fileSize);
        }
    }
    return out;
}

std::optional<FileProperties> ReadFileProperties(const Header& header)
{
    for (const Object& o : header.objects) {
        if (o.kind != ObjectKind::FileProperties || o.raw.size() < kFilePropertiesSize)
            continue;
        const std::uint8_t* p = o.raw.data();
        FileProperties fp;
        fp.fileSize = readU64LE(p + kFpFileSize);
        fp.playDuration = readU64LE(p + kFpPlayDuration);
        fp.preroll = readU64LE(p + kFpPreroll);
        fp.flags = readU32LE(p + kFpFlags);
        fp.maxBitrate = readU32LE(p + kFpMaxBitrate);
        return fp;
    }
    return std::nullopt;
}

std::optional<std::uint32_t> ReadTotalBitrate(const Header& header)
{
    auto clamp = [](std::uint64_t v) { return std::uint32_t(std::min<std::uint64_t>(v, UINT32_MAX)); };

    for (const Object& o : header.objects) {
        if (o.kind != ObjectKind::StreamBitrateProperties || o.raw.size() < kObjectHead + 2)
            continue;
        std::size_t count = readU16LE(o.raw.data() + kObjectHead);
        count = std::min(count, (o.raw.size() - kObjectHead - 2) / 6);
        if (count == 0)
            break;
        std::uint64_t sum = 0;
        for (std::size_t i = 0; i < count; ++i)
            sum += readU32LE(o.raw.data() + kObjectHead + 2 + 6 * i + 2);
        return clamp(sum);
    }

    std::uint64_t sum = 0;
    bool any = false;
    for (const Object& o : header.objects) {
        if (o.kind != ObjectKind::StreamProperties || o.raw.size() < kSpTypeSpecificData)
            continue;
        if (!(Guid::fromBytes(o.raw.data() + kObjectHead) == guids::kAudioMedia))
            continue;
        std::size_t len = readU32LE(o.raw.data() + kSpTypeSpecificLength);
        // WAVEFORMATEX: format tag, channels, sample rate, then the average byte rate.
        if (len < 12 || len > o.raw.size() - kSpTypeSpecificData)
            continue;
        sum += std::uint64_t(readU32LE(o.raw.data() + kSpTypeSpecificData + 8)) * 8;
        any = true;
    }
    if (any)
        return clamp(sum);

    if (auto fp = ReadFileProperties(header))
        return fp->maxBitrate;
    return std::nullopt;
}

Bytes EncodeUtf16z(const QString& text)
{
    Bytes out;
    out.reserve(std::size_t(text.size()) * 2 + 2);
    for (QChar c : text) {
        out.push_back(std::uint8_t(c.unicode() & 0xFF));
        out.push_back(std::uint8_t(c.unicode() >> 8));
    }
    out.push_back(0);
    out.push_back(0);
    return out;
}

QString DecodeUtf16z(ByteView bytes)
{
    QString out;
    std::size_t n = bytes.size() / 2;
    out.reserve(qsizetype(n));
    for (std::size_t i = 0; i < n; ++i) {
        char16_t c = char16_t(readU16LE(bytes.data() + 2 * i));
        if (c == 0)
            break;
        out += QChar(c);
    }
    return out;
}

} // namespace quillory::asf
