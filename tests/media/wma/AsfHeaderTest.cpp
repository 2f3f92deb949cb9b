#include "media/wma/AsfHeader.h"

#include "support/AsfBuilder.h"
#include "support/Id3v2Builder.h"

#include <gtest/gtest.h>

namespace quillory::asf {
namespace {

using namespace quillory::test;

constexpr std::string_view kUnknownGuid = "01234567-89AB-CDEF-0123-456789ABCDEF";

// A header with every kind of child the parser opens, and some it must keep shut.
Bytes richHeader()
{
    return AsfFileBuilder::standard()
        .child(contentDescription(QStringLiteral("題名"), QStringLiteral("Artist"), std::nullopt,
                                  QStringLiteral("Comment"), QString()))
        .child(extendedContent({stringRecord(u"WM/AlbumTitle", u"Album"), dwordRecord(u"WM/Track", 4),
                                boolRecord(u"IsVBR", true), qwordRecord(u"WM/EncodingTime", 1234567890123ull),
                                wordRecord(u"WM/Word", 7), binaryRecord(u"WM/MCDI", bytes({1, 2, 3}))}))
        .child(headerExtension({metadataObject({boolRecord(u"IsVBR", false, 2),
                                                {QStringLiteral("DeviceConformanceTemplate"), kAsfString,
                                                 utf16z(u"L2"), 1, 0}}),
                                asfObject(kUnknownGuid, bytes({9, 9, 9})),
                                metadataLibraryObject({{QStringLiteral("WM/MediaClassPrimaryID"), kAsfGuid,
                                                        Bytes(16, 0xAB), 0, 0}}),
                                paddingObject(20)}))
        .child(asfObject(kUnknownGuid, bytes("opaque")))
        .child(paddingObject(100))
        .header();
}

void markAllChanged(std::vector<Object>& objects)
{
    for (Object& o : objects) {
        o.changed = true;
        for (Attribute& a : o.attributes)
            a.raw.clear();
        markAllChanged(o.children);
    }
}

TEST(AsfHeader, ParsesEveryAttributeObject)
{
    Bytes h = richHeader();
    ParsedHeader p = ParseHeader(h);
    ASSERT_TRUE(p.header) << p.damage.toStdString();
    const Header& header = *p.header;
    ASSERT_EQ(header.objects.size(), 8u);
    EXPECT_EQ(header.objects[3].kind, ObjectKind::ContentDescription);
    ASSERT_EQ(header.objects[3].attributes.size(), 4u); // copyright left out
    EXPECT_EQ(header.objects[3].attributes[0].name, QStringLiteral("Title"));
    EXPECT_EQ(DecodeUtf16z(header.objects[3].attributes[0].value), QStringLiteral("題名"));
    EXPECT_EQ(header.objects[3].attributes[3].name, QStringLiteral("Rating"));
    EXPECT_EQ(header.objects[3].attributes[3].value, utf16z(u""));

    const Object& ecd = header.objects[4];
    ASSERT_EQ(ecd.attributes.size(), 6u);
    EXPECT_EQ(ecd.attributes[1].name, QStringLiteral("WM/Track"));
    EXPECT_EQ(ecd.attributes[1].type, StoredType::Dword);
    EXPECT_EQ(ecd.attributes[1].value, le32(4));

    const Object& ext = header.objects[5];
    ASSERT_EQ(ext.kind, ObjectKind::HeaderExtension);
    ASSERT_EQ(ext.children.size(), 4u);
    EXPECT_EQ(ext.children[0].kind, ObjectKind::Metadata);
    EXPECT_EQ(ext.children[0].attributes[1].stream, 1);
    EXPECT_EQ(ext.children[1].kind, ObjectKind::Other);
    EXPECT_EQ(ext.children[2].kind, ObjectKind::MetadataLibrary);
    EXPECT_EQ(ext.children[2].attributes[0].type, StoredType::Guid);
    EXPECT_EQ(header.objects[6].kind, ObjectKind::Other);
}

TEST(AsfHeader, UntouchedHeaderRendersByteForByte)
{
    Bytes h = richHeader();
    ParsedHeader p = ParseHeader(h);
    ASSERT_TRUE(p.header);
    EXPECT_EQ(RenderHeader(*p.header), h);
}

// Rendering every object and record anew must give the same bytes for a header
// laid out the standard way: this checks each renderer against the fixture's layout.
TEST(AsfHeader, RerenderedObjectsMatchTheirLayout)
{
    Bytes h = richHeader();
    ParsedHeader p = ParseHeader(h);
    ASSERT_TRUE(p.header);
    markAllChanged(p.header->objects);
    EXPECT_EQ(RenderHeader(*p.header), h);
}

TEST(AsfHeader, KeepsBytesAfterTheCountedObjects)
{
    Bytes h = AsfFileBuilder::standard().child(bytes("trailing junk")).declaredObjectCount(3).header();
    ParsedHeader p = ParseHeader(h);
    ASSERT_TRUE(p.header) << p.damage.toStdString();
    EXPECT_EQ(p.header->tail, bytes("trailing junk"));
    markAllChanged(p.header->objects);
    EXPECT_EQ(RenderHeader(*p.header), h);
}

TEST(AsfHeader, FileSizeFollowsTheHeaderSize)
{
    Bytes file = AsfFileBuilder::standard().child(extendedContent({stringRecord(u"WM/Genre", u"Rock")})).build();
    ParsedHeader p = ParseHeader(file);
    ASSERT_TRUE(p.header);
    ASSERT_EQ(ReadFileProperties(*p.header)->fileSize, file.size());

    Object& ecd = p.header->objects.back();
    ecd.attributes[0].value = utf16z(u"Progressive Rock");
    ecd.attributes[0].raw.clear();
    ecd.changed = true;
    Bytes rendered = RenderHeader(*p.header);
    ASSERT_EQ(rendered.size(), p.header->size + 24);
    ParsedHeader again = ParseHeader(rendered);
    ASSERT_TRUE(again.header);
    EXPECT_EQ(ReadFileProperties(*again.header)->fileSize, file.size() + 24);
    EXPECT_EQ(readU64LE(rendered.data() + 16), rendered.size());

    // Shrinking moves it back; an unknown size (0) stays unknown.
    ecd.attributes[0].value = utf16z(u"");
    Bytes shrunk = RenderHeader(*p.header);
    EXPECT_EQ(ReadFileProperties(*ParseHeader(shrunk).header)->fileSize, file.size() - 8);

    AsfFileProps unknown;
    unknown.fileSize = 0;
    Bytes h0 = AsfFileBuilder().fileProperties(unknown).child(extendedContent({})).header();
    ParsedHeader p0 = ParseHeader(h0);
    ASSERT_TRUE(p0.header);
    p0.header->objects.back().attributes.push_back({QStringLiteral("WM/Year"), StoredType::String, utf16z(u"1999")});
    p0.header->objects.back().changed = true;
    EXPECT_EQ(ReadFileProperties(*ParseHeader(RenderHeader(*p0.header)).header)->fileSize, 0u);
}

struct BitrateCase {
    const char* what;
    Bytes header;
    std::optional<std::uint32_t> bitrate;
};

TEST(AsfHeader, TotalBitrateComesFromTheStreams)
{
    AsfFileProps props;
    props.maxBitrate = 130000;
    const BitrateCase cases[] = {
        {"bitrate object, summed over streams",
         AsfFileBuilder()
             .fileProperties(props)
             .child(audioStreamObject(1, 44100, 2, 16000))
             .child(streamBitrateObject({{1, 64000}, {2, 32000}}))
             .header(),
         96000},
        {"no bitrate object: the audio stream's byte rate",
         AsfFileBuilder().fileProperties(props).child(audioStreamObject(1, 44100, 2, 16002)).header(), 128016},
        {"no stream information: the file's maximum",
         AsfFileBuilder().fileProperties(props).header(), 130000},
        {"nothing at all", AsfFileBuilder().child(paddingObject(4)).header(), std::nullopt},
    };
    for (const BitrateCase& c : cases) {
        ParsedHeader p = ParseHeader(c.header);
        ASSERT_TRUE(p.header) << c.what;
        EXPECT_EQ(ReadTotalBitrate(*p.header), c.bitrate) << c.what;
    }
}

TEST(AsfHeader, ReadsFileProperties)
{
    AsfFileProps props;
    props.playDuration = 2'400'000'000ull;
    props.preroll = 3000;
    props.flags = 3;
    props.maxBitrate = 64000;
    props.fileSize = 12345;
    ParsedHeader p = ParseHeader(AsfFileBuilder().fileProperties(props).header());
    ASSERT_TRUE(p.header);
    auto fp = ReadFileProperties(*p.header);
    ASSERT_TRUE(fp);
    EXPECT_EQ(fp->playDuration, 2'400'000'000ull);
    EXPECT_EQ(fp->preroll, 3000u);
    EXPECT_EQ(fp->flags, 3u);
    EXPECT_EQ(fp->maxBitrate, 64000u);
    EXPECT_EQ(fp->fileSize, 12345u);
}

struct DamageCase {
    const char* what;
    Bytes bytes;
};

Bytes withU64At(Bytes b, std::size_t at, std::uint64_t v)
{
    writeU64LE(b.data() + at, v);
    return b;
}
Bytes withU32At(Bytes b, std::size_t at, std::uint32_t v)
{
    writeU32LE(b.data() + at, v);
    return b;
}

std::vector<DamageCase> damageCases()
{
    Bytes good = AsfFileBuilder::standard().header();
    const std::size_t firstChild = 30;
    Bytes ecdTwo = AsfFileBuilder().child(extendedContent({stringRecord(u"A", u"x")}, 0xFFFF)).header();
    Bytes ecdLong = AsfFileBuilder().child(extendedContent({stringRecord(u"A", u"x")})).header();
    // Value length field of the one record: after count (2), name length (2), "A\0" (4), type (2).
    ecdLong[firstChild + 24 + 2 + 2 + 4 + 2] = 0xFF;
    Bytes metaCount = AsfFileBuilder().child(headerExtension({metadataObject({stringRecord(u"A", u"x")})})).header();
    // Metadata count: header extension prefix (46) then the Metadata head (24).
    metaCount[firstChild + 46 + 24] = 0xFF;
    metaCount[firstChild + 46 + 25] = 0xFF;
    Bytes metaLen = AsfFileBuilder().child(headerExtension({metadataObject({stringRecord(u"A", u"x")})})).header();
    metaLen = withU32At(metaLen, firstChild + 46 + 24 + 2 + 8, 0xFFFFFFFFu);
    Bytes extData = AsfFileBuilder().child(headerExtension({paddingObject(8)})).header();
    extData = withU32At(extData, firstChild + 42, 0x7FFFFFFF);
    Bytes extChildZero = AsfFileBuilder().child(headerExtension({paddingObject(8)})).header();
    extChildZero = withU64At(extChildZero, firstChild + 46 + 16, 0);
    Bytes cdLong = AsfFileBuilder().child(contentDescription(QStringLiteral("T"))).header();
    cdLong[firstChild + 24] = 0xF0;

    return {
        {"cut inside the fixed part", Bytes(good.begin(), good.begin() + 20)},
        {"not a Header Object", withU32At(good, 0, 0x12345678)},
        {"header size below its fixed part", withU64At(good, 16, 10)},
        {"header size beyond the bytes", withU64At(good, 16, good.size() + 1)},
        {"truncated header", Bytes(good.begin(), good.begin() + std::ptrdiff_t(good.size() - 7))},
        {"object count beyond the header", withU32At(good, 24, 1000)},
        {"absurd object count", withU32At(good, 24, 0xFFFFFFFFu)},
        {"object size 0", withU64At(good, firstChild + 16, 0)},
        {"object size below its head", withU64At(good, firstChild + 16, 23)},
        {"object size beyond the header", withU64At(good, firstChild + 16, 1u << 30)},
        {"File Properties too short",
         AsfFileBuilder().child(asfObject("8CABDCA1-A947-11CF-8EE4-00C00C205365", Bytes(40, 0))).header()},
        {"Content Description string beyond its object", cdLong},
        {"Extended Content Description count beyond its object", ecdTwo},
        {"Extended Content Description value beyond its object", ecdLong},
        {"Metadata count beyond its object", metaCount},
        {"Metadata data length beyond its object", metaLen},
        {"Header Extension data beyond its object", extData},
        {"Header Extension child of size 0", extChildZero},
    };
}

TEST(AsfHeader, RefusesDamagedHeaders)
{
    for (const DamageCase& c : damageCases()) {
        ParsedHeader p = ParseHeader(c.bytes);
        EXPECT_FALSE(p.header.has_value()) << c.what;
        EXPECT_FALSE(p.damage.isEmpty()) << c.what;
    }
}

// No cut and no single corrupted byte may make the parser read outside its bytes
// (the sanitizer build watches), hang, or render something it could not parse.
TEST(AsfHeader, SurvivesEveryCutAndCorruptedByte)
{
    Bytes h = richHeader();
    for (std::size_t n = 0; n < h.size(); ++n) {
        Bytes cut(h.begin(), h.begin() + std::ptrdiff_t(n));
        EXPECT_FALSE(ParseHeader(cut).header.has_value()) << "cut at " << n;
    }
    for (std::size_t i = 0; i < h.size(); ++i) {
        for (std::uint8_t v : {std::uint8_t(0x00), std::uint8_t(0xFF)}) {
            Bytes bad = h;
            bad[i] = v;
            ParsedHeader p = ParseHeader(bad);
            if (p.header)
                EXPECT_TRUE(ParseHeader(RenderHeader(*p.header)).header.has_value()) << "byte " << i;
        }
    }
}

TEST(AsfHeader, Utf16TextStopsAtItsTerminator)
{
    EXPECT_EQ(DecodeUtf16z(utf16z(u"abc")), QStringLiteral("abc"));
    EXPECT_EQ(DecodeUtf16z(bytes({'a', 0, 0, 0, 'b', 0})), QStringLiteral("a"));
    EXPECT_EQ(DecodeUtf16z(bytes({'a', 0, 'b'})), QStringLiteral("a")); // odd last byte
    EXPECT_EQ(EncodeUtf16z(QStringLiteral("題")), utf16z(u"題"));
}

} // namespace
} // namespace quillory::asf
