#include "tags/Id3v2Reader.h"

#include "media/Genres.h"
#include "platform/Limits.h"
#include "support/Id3v2Builder.h"

#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <functional>
#include <random>

using namespace quillory;
using namespace quillory::id3v2;
using quillory::test::bytes;
using quillory::test::concat;
using quillory::test::FrameOptions;
using quillory::test::Id3v2Builder;
using quillory::test::Utf16Order;
using namespace std::string_view_literals;

namespace {

// Every id the loader asks for.
constexpr std::string_view kLoaderIds[] = {"TIT2", "TPE1", "TALB", "TCON", "TRCK", "TYER", "COMM", "TCOM",
                                           "TEXT", "TPUB", "TPOS", "USLT", "TCOP", "TSSE", "WXXX", "APIC"};

QString textOf(const Id3v2Builder& tag, std::string_view id)
{
    return GetFrameText(tag.body(), tag.version(), id).text;
}

// ---------------------------------------------------------------- numbers

TEST(Id3v2Syncsafe, ReadsWithoutMaskingAndWritesMasked)
{
    const struct {
        Bytes in;
        std::uint32_t value;
    } reads[] = {
        {bytes({0x00, 0x00, 0x02, 0x01}), 257},
        {bytes({0x7F, 0x7F, 0x7F, 0x7F}), 0x0FFFFFFF},
        {bytes({0x00, 0x00, 0x00, 0x80}), 128}, // a high bit is added, not masked
        {bytes({0x00, 0x00, 0x01, 0xFF}), 128 + 255},
    };
    for (const auto& r : reads)
        EXPECT_EQ(SyncsafeToInt(r.in.data()), r.value);

    std::uint8_t out[4];
    IntToSyncsafe(out, 257);
    EXPECT_EQ(Bytes(out, out + 4), bytes({0x00, 0x00, 0x02, 0x01}));
    IntToSyncsafe(out, 0xFFFFFFFF);
    EXPECT_EQ(Bytes(out, out + 4), bytes({0x7F, 0x7F, 0x7F, 0x7F}));
}

TEST(Id3v2Sizes, FrameContentSizeByVersion)
{
    const Bytes field = bytes({0x00, 0x00, 0x01, 0x00});
    EXPECT_EQ(FrameContentSize(field.data(), 2), 0u);      // 3 bytes: 00 00 01
    EXPECT_EQ(FrameContentSize(field.data(), 3), 255u);    // big-endian 256
    EXPECT_EQ(FrameContentSize(field.data(), 4), 127u);    // syncsafe 128
    EXPECT_EQ(FrameContentSize(bytes({0x00, 0x02, 0x00}).data(), 2), 511u);
}

TEST(Id3v2Header, Parse)
{
    Header h;
    const Bytes tag = Id3v2Builder(4).headerFlags(kFlagFooter).text("TIT2", 0, u"a").padding(5).build();
    ASSERT_TRUE(ParseHeader(tag, h));
    EXPECT_EQ(h.version, 4);
    EXPECT_EQ(h.flags, kFlagFooter);
    EXPECT_EQ(h.size, tag.size() - 10);
    EXPECT_FALSE(ParseHeader(bytes("ID3\x03\x00\x00\x00\x00\x00"sv), h)); // 9 bytes
    EXPECT_FALSE(ParseHeader(bytes("TAG\x03\x00\x00\x00\x00\x00\x00"sv), h));
}

struct ExtendedCase {
    const char* name;
    Bytes tag;
    std::uint32_t length;
    std::uint32_t padding;
};

std::vector<ExtendedCase> extendedCases()
{
    Bytes v3Short = Id3v2Builder(3).rawExtendedHeader(bytes({0, 0, 0, 6, 0, 0, 0, 0, 0, 9})).padding(20).build();
    Bytes cut = Id3v2Builder(3).headerFlags(kFlagExtended).build(); // flag set, nothing follows
    return {
        {"V3WithPaddingField", Id3v2Builder(3).extendedHeader(33).padding(40).build(), 14, 33},
        {"V3SixBytesHasNoPaddingField", v3Short, 10, 0},
        {"V4WholeLength", Id3v2Builder(4).extendedHeader().padding(10).build(), 6, 0},
        {"V2HasNone", Id3v2Builder(2).headerFlags(kFlagExtended).padding(20).build(), 0, 0},
        {"FlagClear", Id3v2Builder(3).padding(20).build(), 0, 0},
        {"CutBeforeSize", cut, 0, 0},
        {"FlagSetButFramesFollow", Id3v2Builder(4).headerFlags(kFlagExtended).text("TIT2", 0, u"t").build(), 0, 0},
        {"LongerThanTagIsClamped",
         Id3v2Builder(4).rawExtendedHeader(bytes({0x7F, 0x7F, 0x7F, 0x7F, 1, 0})).padding(4).build(), 10, 0},
    };
}

class Id3v2ExtendedHeader : public ::testing::TestWithParam<ExtendedCase> {};

TEST_P(Id3v2ExtendedHeader, Length)
{
    const ExtendedCase& c = GetParam();
    std::uint32_t padding = 12345;
    EXPECT_EQ(ExtendedHeaderLength(c.tag, &padding), c.length);
    EXPECT_EQ(padding, c.padding);
    EXPECT_EQ(ExtendedHeaderLength(c.tag), c.length);
}

INSTANTIATE_TEST_SUITE_P(Id3v2, Id3v2ExtendedHeader, ::testing::ValuesIn(extendedCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- unsynchronisation

struct UnsyncCase {
    const char* name;
    Bytes in, out;
};

const UnsyncCase kUnsyncCases[] = {
    {"DropsZeroBeforeSyncByte", bytes({0xFF, 0x00, 0xE0, 0x41}), bytes({0xFF, 0xE0, 0x41})},
    {"KeepsZeroBeforeOrdinaryByte", bytes({0xFF, 0x00, 0x41}), bytes({0xFF, 0x00, 0x41})},
    {"DropsZeroBeforeZero", bytes({0xFF, 0x00, 0x00, 0x41}), bytes({0xFF, 0x00, 0x41})},
    {"Chained", bytes({0xFF, 0x00, 0xFF, 0x00, 0xE0}), bytes({0xFF, 0xFF, 0xE0})},
    {"LastTwoBytesCopied", bytes({0x41, 0xFF, 0x00}), bytes({0x41, 0xFF, 0x00})},
    {"ThreeBytesAtEnd", bytes({0xFF, 0x00, 0xFB}), bytes({0xFF, 0xFB})},
    {"Empty", Bytes(), Bytes()},
    {"Single", bytes({0xFF}), bytes({0xFF})},
};

class Id3v2Deunsync : public ::testing::TestWithParam<UnsyncCase> {};

TEST_P(Id3v2Deunsync, Buffer)
{
    Bytes b = GetParam().in;
    Deunsynchronise(b);
    EXPECT_EQ(b, GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(Id3v2, Id3v2Deunsync, ::testing::ValuesIn(kUnsyncCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Id3v2DeunsyncRoundTrip, UndoesTheStandardEncoding)
{
    std::mt19937 rng(7);
    const std::uint8_t alphabet[] = {0xFF, 0x00, 0xE0, 0xFE, 0x41, 0xFF, 0xFB};
    for (int round = 0; round < 200; ++round) {
        Bytes original(std::size_t(rng() % 40));
        for (auto& b : original)
            b = alphabet[rng() % std::size(alphabet)];
        Bytes b = quillory::test::unsynchronise(original);
        Deunsynchronise(b);
        ASSERT_EQ(b, original) << "round " << round;
    }
}

TEST(Id3v2DeunsyncTag, BodyOnlyAndSizeUpdated)
{
    // Frame text FF E0 and trailing audio FF 00 E0 that must stay.
    Id3v2Builder builder(3);
    builder.extendedHeader(0).frame("PRIV", bytes({0xFF, 0xE0, 0xFF, 0x00})).padding(4).unsynchronised();
    Bytes tag = builder.build();
    const Bytes audio = bytes({0xFF, 0x00, 0xE0, 0x01});
    Header before;
    ASSERT_TRUE(ParseHeader(tag, before));
    const Bytes ext(tag.begin() + 10, tag.begin() + 24);
    Bytes file = concat({tag, audio});

    DeunsynchroniseTag(file);

    Header after;
    ASSERT_TRUE(ParseHeader(file, after));
    EXPECT_EQ(after.flags & kFlagUnsync, kFlagUnsync); // the flag is left as it is
    EXPECT_EQ(after.size, before.size - 2);
    EXPECT_EQ(Bytes(file.begin() + 10, file.begin() + 24), ext);
    const Bytes expectedTag = Id3v2Builder(3).extendedHeader(0).frame("PRIV", bytes({0xFF, 0xE0, 0xFF, 0x00})).padding(4).build();
    EXPECT_EQ(Bytes(file.begin() + 24, file.end() - 4), Bytes(expectedTag.begin() + 24, expectedTag.end()));
    EXPECT_EQ(Bytes(file.end() - 4, file.end()), audio);
}

TEST(Id3v2DeunsyncTag, SizeBeyondBufferAndNoHeader)
{
    Bytes tag = Id3v2Builder(3).frame("PRIV", bytes({0xFF, 0x00, 0xE0})).declaredSize(5000).build();
    DeunsynchroniseTag(tag);
    EXPECT_EQ(tag.size(), 10u + 10 + 2);
    Header h;
    ASSERT_TRUE(ParseHeader(tag, h));
    EXPECT_EQ(h.size, 4999u);

    Bytes notATag = bytes({0xFF, 0x00, 0xE0, 0, 0, 0, 0, 0, 0, 0, 0});
    const Bytes copy = notATag;
    DeunsynchroniseTag(notATag);
    EXPECT_EQ(notATag, copy);
}

// ---------------------------------------------------------------- frame walk

TEST(Id3v2FrameId, Validity)
{
    const struct {
        const char* id;
        bool valid;
    } cases[] = {
        {"TIT2", true}, {"TXXX", true}, {"RVA2", true}, {"TT2", true}, {"tit2", false}, {"3DI", false},
        {"TI2A", false}, {"AP C", false}, {"T", true}, {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsValidFrameId(reinterpret_cast<const std::uint8_t*>(c.id), int(std::strlen(c.id))), c.valid)
            << c.id;
    const std::uint8_t zeros[4] = {};
    EXPECT_FALSE(IsValidFrameId(zeros, 4));
}

struct NextCase {
    const char* name;
    Bytes buffer;
    long pos;
    int version;
    long expected;
};

const NextCase kNextCases[] = {
    {"V3BigEndianSize", concat({bytes("TIT2"), bytes({0, 0, 1, 0, 0, 0})}), 0, 3, 10 + 256},
    {"V4SyncsafeSize", concat({bytes("TIT2"), bytes({0, 0, 1, 0, 0, 0})}), 0, 4, 10 + 128},
    {"V2ThreeByteSize", concat({bytes("TT2"), bytes({0, 1, 0})}), 0, 2, 6 + 256},
    {"V2LargeFrameSizeLooksLikeDigit", concat({bytes("PIC"), bytes({0x31, 0, 0, 0, 0, 0, 0})}), 0, 2,
     6 + 0x310000},
    {"V3ThreeCharacterIdHasSixByteHeader", concat({bytes("TT2"), bytes({0, 0, 5, 0, 0, 0})}), 0, 3, 11},
    {"AtOffset", concat({bytes("xx"), bytes("TPE1"), bytes({0, 0, 0, 2, 0, 0})}), 2, 3, 14},
    {"InvalidIdEndsWalk", bytes({0, 0, 0, 0, 0, 0, 0, 0, 0, 0}), 0, 3, -1},
    {"HeaderCutEndsWalk", bytes("TIT2\x00\x00"sv), 0, 3, -1},
    {"V2HeaderCut", bytes("TT2\x00"sv), 0, 2, -1},
    {"NegativePosition", bytes("TIT2\x00\x00\x00\x01\x00\x00"sv), -1, 3, -1},
    {"PositionPastEnd", bytes("TIT2"), 8, 3, -1},
    {"HugeSizeDoesNotWrap", concat({bytes("TIT2"), bytes({0xFF, 0xFF, 0xFF, 0xFF, 0, 0})}), 0, 3,
     10 + 0xFFFFFFFFL},
};

class Id3v2NextFrame : public ::testing::TestWithParam<NextCase> {};

TEST_P(Id3v2NextFrame, Position)
{
    const NextCase& c = GetParam();
    EXPECT_EQ(NextFrame(c.buffer, c.pos, c.version), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Id3v2, Id3v2NextFrame, ::testing::ValuesIn(kNextCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct PaddingCase {
    const char* name;
    Bytes tag;
    long framesEnd;
    long padding;
};

std::vector<PaddingCase> paddingCases()
{
    const Bytes title = quillory::test::textContent(0, u"title");            // 7 bytes
    const Bytes artist = quillory::test::textContent(0, u"artist");          // 8 bytes
    const long twoFrames = 10 + (10 + 7) + (10 + 8);
    Bytes truncated = Id3v2Builder(3).frame("TIT2", title).frame("TPE1", artist).padding(100).build();
    truncated.resize(std::size_t(twoFrames + 20));
    return {
        {"MeasuredV3", Id3v2Builder(3).frame("TIT2", title).frame("TPE1", artist).padding(100).build(), twoFrames,
         100},
        {"MeasuredV2", Id3v2Builder(2).frame("TT2", title).frame("TP1", artist).padding(30).build(),
         10 + 6 + 7 + 6 + 8, 30},
        {"NoPadding", Id3v2Builder(4).frame("TIT2", title).frame("TPE1", artist).build(), twoFrames, 0},
        {"V3DeclaredPadding",
         Id3v2Builder(3).extendedHeader(50).frame("TIT2", title).frame("TPE1", artist).padding(100).build(),
         twoFrames + 14, 50},
        {"V3DeclaredPaddingBeyondRealIsClamped",
         Id3v2Builder(3).extendedHeader(120).frame("TIT2", title).frame("TPE1", artist).padding(100).build(),
         twoFrames + 14, 100},
        {"GarbageEndsFrames",
         Id3v2Builder(3).frame("TIT2", title).raw(bytes("\x01garbage")).frame("TPE1", artist).padding(10).build(),
         10 + 17, 8 + 18 + 10},
        {"LastFrameOverrunsTag",
         Id3v2Builder(3).frame("TIT2", title).frame("TPE1", artist, {.sizeField = 5000}).padding(10).build(),
         twoFrames + 10, 0},
        {"TruncatedBuffer", truncated, twoFrames, 20},
        {"EmptyTag", Id3v2Builder(3).build(), 10, 0},
        {"NotATag", bytes("not a tag at all"), 0, 0},
    };
}

class Id3v2Padding : public ::testing::TestWithParam<PaddingCase> {};

TEST_P(Id3v2Padding, FramesEndAndPadding)
{
    const PaddingCase& c = GetParam();
    EXPECT_EQ(FramesEnd(c.tag), c.framesEnd);
    EXPECT_EQ(PaddingSize(c.tag), c.padding);
}

INSTANTIATE_TEST_SUITE_P(Id3v2, Id3v2Padding, ::testing::ValuesIn(paddingCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Id3v2MapFrameId, ByVersion)
{
    const struct {
        std::string_view v23, v22;
    } table[] = {
        {"TIT2", "TT2"}, {"TPE1", "TP1"}, {"TALB", "TAL"}, {"TRCK", "TRK"}, {"TYER", "TYE"}, {"COMM", "COM"},
        {"TCON", "TCO"}, {"TCOP", "TCR"}, {"TCOM", "TCM"}, {"TEXT", "TXT"}, {"TPUB", "TPB"}, {"TPOS", "TPA"},
        {"APIC", "PIC"}, {"USLT", "LYR"}, {"WXXX", "WXX"}, {"TSSE", "TSS"}, {"TXXX", "TXXX"},
    };
    for (const auto& row : table) {
        EXPECT_EQ(MapFrameId(row.v23, 2), row.v22);
        EXPECT_EQ(MapFrameId(row.v23, 3), row.v23);
        EXPECT_EQ(MapFrameId(row.v23, 4), row.v23 == "TYER" ? std::string_view("TDRC") : row.v23);
    }
}

// ---------------------------------------------------------------- look-ups

struct LookupCase {
    const char* name;
    std::function<Id3v2Builder()> tag;
    std::string_view id;
    QString expected;
};

// A 2.4 frame whose size is written as a plain 32-bit number, as some taggers do.
Bytes plainSizedFrame(std::string_view id, std::uint32_t size)
{
    Bytes frame = bytes(id);
    for (int shift : {24, 16, 8, 0})
        frame.push_back(std::uint8_t(size >> shift));
    frame.resize(10 + size, 0x01);
    return frame;
}

std::vector<LookupCase> lookupCases()
{
    using B = Id3v2Builder;
    const QString jp = QStringLiteral("曲名～テスト①");
    return {
        // text frames in each encoding and version
        {"V3Sjis", [=] { return B(3).text("TIT2", 0, jp); }, "TIT2", jp},
        {"V3Utf16Le", [=] { return B(3).text("TIT2", 1, jp); }, "TIT2", jp},
        {"V3Utf16Be", [=] { return B(3).text("TIT2", 1, jp, Utf16Order::Big); }, "TIT2", jp},
        {"V3Utf16BeNoMark", [=] { return B(3).text("TIT2", 2, jp); }, "TIT2", jp},
        {"V4Utf8", [=] { return B(4).text("TIT2", 3, jp); }, "TIT2", jp},
        {"V4Utf8Emoji", [] { return B(4).text("TPE1", 3, QString::fromUcs4(U"a\U0001F600")); }, "TPE1",
         QString::fromUcs4(U"a\U0001F600")},
        {"V3Utf16WithoutMarkIsEmpty", [] { return B(3).frame("TIT2", bytes({1, 0x41, 0, 0x42, 0})); }, "TIT2", ""},
        {"V3Unterminated", [] { return B(3).frame("TIT2", bytes({0, 'a', 'b'})); }, "TIT2", "ab"},
        {"SecondFrameFoundAfterFirst", [] { return B(3).text("TIT2", 0, u"t").text("TPE1", 0, u"a"); }, "TPE1", "a"},
        {"FirstOfTwoWins", [] { return B(3).text("TIT2", 0, u"one").text("TIT2", 0, u"two"); }, "TIT2", "one"},
        {"MissingFrame", [] { return B(3).text("TIT2", 0, u"t"); }, "TALB", ""},
        {"AllLoaderTextIds",
         [] {
             return B(3).text("TCOM", 0, u"c").text("TEXT", 0, u"x").text("TPUB", 0, u"p").text("TPOS", 0, u"1/2")
                 .text("TCOP", 0, u"(C)").text("TSSE", 0, u"lame");
         },
         "TSSE", "lame"},
        // version 2.2 ids
        {"V2TitleByV23Id", [] { return B(2).text("TT2", 0, u"title22"); }, "TIT2", "title22"},
        {"V2LyricsAreLookedUpAsLYR", [] { return B(2).comment("ULT", 0, "eng", u"", u"lyrics"); }, "USLT", ""},
        {"V2LYRFound", [] { return B(2).comment("LYR", 0, "eng", u"", u"lyrics"); }, "USLT", "lyrics"},
        {"V2Comment", [] { return B(2).text("TT2", 0, u"t").comment("COM", 0, "eng", u"", u"c22"); }, "COMM", "c22"},
        // the 2.4 year
        {"V4TdrcBeforeTyer", [] { return B(4).text("TYER", 0, u"1999").text("TDRC", 0, u"2004"); }, "TYER", "2004"},
        {"V4TyerWhenNoTdrc", [] { return B(4).text("TYER", 0, u"1999"); }, "TYER", "1999"},
        {"V3TdrcIgnored", [] { return B(3).text("TDRC", 0, u"2004"); }, "TYER", ""},
        // 2.4 frames with plain sizes
        {"V4PlainSizeWithHighBit", [] { return B(4).raw(plainSizedFrame("PRIV", 200)).text("TIT2", 0, u"after"); },
         "TIT2", "after"},
        {"V4PlainSizeLeadingNowhereAsSyncsafe",
         [] { return B(4).raw(plainSizedFrame("PRIV", 4096)).text("TIT2", 0, u"after"); }, "TIT2", "after"},
        {"V4SyncsafeSizePreferred",
         [] { return B(4).frame("PRIV", Bytes(300, 0x01)).text("TIT2", 0, u"after"); }, "TIT2", "after"},
        // 2.4 seek frames
        {"V4SeekFrame", [] { return B(4).frame("SEEK", bytes({0, 0, 0, 9})); }, "SEEK", "1"},
        // damaged frames
        {"SizeOneIsEmpty", [] { return B(3).frame("TIT2", bytes({0})); }, "TIT2", ""},
        {"SizeZeroIsEmpty", [] { return B(3).frame("TIT2", Bytes()).text("TPE1", 0, u"a"); }, "TIT2", ""},
        {"SizeBeyondBuffer", [] { return B(3).frame("TIT2", bytes({0, 'a', 'b'}), {.sizeField = 4}); }, "TIT2", ""},
        {"SizeAllOnes", [] { return B(3).frame("TIT2", bytes({0, 'a'}), {.sizeField = 0xFFFFFFFF}); }, "TIT2", ""},
        {"V4SizeAllOnes", [] { return B(4).frame("TIT2", bytes({0, 'a'}), {.sizeField = 0x0FFFFFFF}); }, "TIT2", ""},
        {"V2SizeBeyondBuffer", [] { return B(2).frame("TT2", bytes({0, 'a'}), {.sizeField = 0xFFFFFF}); }, "TIT2", ""},
        {"FrameAfterGarbageNotSeen", [] { return B(3).text("TIT2", 0, u"t").raw(bytes("\x01junk")).text("TPE1", 0, u"a"); },
         "TPE1", ""},
        {"FrameAfterPaddingNotSeen", [] { return B(3).text("TIT2", 0, u"t").raw(Bytes(8, 0)).text("TPE1", 0, u"a"); },
         "TPE1", ""},
    };
}

class Id3v2Lookup : public ::testing::TestWithParam<LookupCase> {};

TEST_P(Id3v2Lookup, Text)
{
    const LookupCase& c = GetParam();
    const Id3v2Builder tag = c.tag();
    EXPECT_EQ(textOf(tag, c.id), c.expected);
    // The same with the header in front of the buffer.
    EXPECT_EQ(GetFrameText(tag.build(), tag.version(), c.id).text, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Id3v2, Id3v2Lookup, ::testing::ValuesIn(lookupCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Id3v2LookupPosition, PointsAtTheFrameInEitherBuffer)
{
    Id3v2Builder tag(4);
    tag.extendedHeader().text("TIT2", 0, u"t").text("TPE1", 1, u"a").padding(20);
    const FrameText inBody = GetFrameText(tag.body(), 4, "TPE1");
    EXPECT_EQ(inBody.position, 13);
    EXPECT_EQ(inBody.textCode, kCodeUtf16Le);
    const FrameText inTag = GetFrameText(tag.build(), 4, "TPE1");
    EXPECT_EQ(inTag.position, 10 + 6 + 13);
    EXPECT_EQ(inTag.text, QStringLiteral("a"));

    EXPECT_EQ(GetFrameText(tag.body(), 4, "TALB").position, -1);
    EXPECT_EQ(GetFrameText(tag.body(), 4, "TALB").textCode, kCodeUnknown);
    const Id3v2Builder empty = Id3v2Builder(3).frame("TIT2", bytes({0}));
    EXPECT_EQ(GetFrameText(empty.body(), 3, "TIT2").position, -1);
}

TEST(Id3v2LookupPosition, TextCodeOfFoundFrames)
{
    const Id3v2Builder tag = Id3v2Builder(3)
                                 .text("TIT2", 1, u"t", Utf16Order::Big)
                                 .text("TPE1", 3, u"a")
                                 .comment("COMM", 1, "jpn", u"", u"c", Utf16Order::Little);
    EXPECT_EQ(GetFrameText(tag.body(), 3, "TIT2").textCode, kCodeUtf16Be);
    EXPECT_EQ(GetFrameText(tag.body(), 3, "TPE1").textCode, kCodeUtf8);
    EXPECT_EQ(GetFrameText(tag.body(), 3, "COMM").textCode, kCodeUtf16Le);
}

TEST(Id3v2LookupPosition, ManyTinyFramesAreWalked)
{
    Id3v2Builder tag(3);
    for (int i = 0; i < 10000; ++i)
        tag.frame("PRIV", bytes({0}));
    tag.text("TIT2", 0, u"found");
    EXPECT_EQ(textOf(tag, "TIT2"), QStringLiteral("found"));
    EXPECT_EQ(FramesEnd(tag.build()), long(tag.build().size()));
}

TEST(Id3v2LookupPosition, WalkEndsAtTheFrameCap)
{
    Id3v2Builder tag(3);
    for (int i = 0; i < limits::kMaxFramesPerTag + 10; ++i)
        tag.frame("PRIV", Bytes());
    tag.text("TIT2", 0, u"too far");
    EXPECT_TRUE(textOf(tag, "TIT2").isEmpty());
}

// ---------------------------------------------------------------- COMM, USLT, WXXX, APIC

struct CommentCase {
    const char* name;
    Bytes content;
    QString expected;
};

std::vector<CommentCase> commentCases()
{
    using quillory::test::commentContent;
    const Utf16Order be = Utf16Order::Big;
    return {
        {"SjisEmptyDescription", commentContent(0, "eng", u"", u"abc"), "abc"},
        {"SjisDescriptionGivesEmpty", commentContent(0, "eng", u"d", u"abc"), ""},
        {"SjisJapanese", commentContent(0, "jpn", u"", u"コメント"), "コメント"},
        {"Utf8", commentContent(3, "jpn", u"", u"コメント"), "コメント"},
        {"Utf8DescriptionGivesEmpty", commentContent(3, "jpn", u"x", u"c"), ""},
        {"Utf16LeMarks", commentContent(1, "eng", u"", u"テキスト"), "テキスト"},
        {"Utf16BeMarks", commentContent(1, "eng", u"", u"テキスト", be), "テキスト"},
        // The description ends at its aligned terminator; its text is never taken.
        {"Utf16DescriptionSkipped", commentContent(1, "eng", u"iTunNORM", u"real comment"), "real comment"},
        {"Utf16ZeroHighByteInDescription", commentContent(1, "eng", u"\u0100", u"text"), "text"},
        {"Utf16DescriptionWithoutMark", bytes({1, 'e', 'n', 'g', 0, 0, 0xFF, 0xFE, 'a', 0, 0, 0}), ""},
        {"Utf16DescriptionUnterminated", bytes({1, 'e', 'n', 'g', 0xFF, 0xFE, 'd', 0}), ""},
        {"Utf16TextWithoutMark", bytes({1, 'e', 'n', 'g', 0xFF, 0xFE, 0, 0, 'a', 0, 0, 0}), ""},
        {"Utf16BeNoMarkEmptyDescription", commentContent(2, "eng", u"", u"AB"), "AB"},
        {"Utf16BeNoMarkDescriptionGivesEmpty", commentContent(2, "eng", u"d", u"AB"), ""},
        {"EmptyText", commentContent(0, "eng", u"", u""), ""},
        {"OnlyLanguage", bytes({0, 'e', 'n', 'g'}), ""},
        {"LanguageOfZeros", bytes({0, 0, 0, 0, 0, 'h', 'i', 0}), "hi"},
    };
}

class Id3v2Comment : public ::testing::TestWithParam<CommentCase> {};

TEST_P(Id3v2Comment, CommAndUsltText)
{
    const CommentCase& c = GetParam();
    for (int version : {3, 4}) {
        EXPECT_EQ(textOf(Id3v2Builder(version).frame("COMM", c.content), "COMM"), c.expected) << version;
        EXPECT_EQ(textOf(Id3v2Builder(version).frame("USLT", c.content), "USLT"), c.expected) << version;
    }
    EXPECT_EQ(textOf(Id3v2Builder(2).frame("COM", c.content), "COMM"), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Id3v2, Id3v2Comment, ::testing::ValuesIn(commentCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Id3v2CommentRule, OnlyTheFirstCommentCounts)
{
    const Id3v2Builder tag =
        Id3v2Builder(3).comment("COMM", 0, "eng", u"d", u"first").comment("COMM", 0, "eng", u"", u"second");
    EXPECT_TRUE(textOf(tag, "COMM").isEmpty());
    const Id3v2Builder plain =
        Id3v2Builder(3).comment("COMM", 0, "eng", u"", u"first").comment("COMM", 0, "eng", u"", u"second");
    EXPECT_EQ(textOf(plain, "COMM"), QStringLiteral("first"));
}

TEST(Id3v2Url, DescriptionSkippedInEachEncoding)
{
    const std::string url = "http://example.jp/曲";
    const QString expected = QString::fromUtf8(url.c_str());
    const struct {
        const char* name;
        int version;
        Bytes content;
        QString expected;
    } cases[] = {
        {"Sjis", 3, quillory::test::urlContent(0, u"", "http://a.jp/"), "http://a.jp/"},
        {"SjisDescription", 3, quillory::test::urlContent(0, u"home", "http://a.jp/"), "http://a.jp/"},
        {"Utf8Url", 4, quillory::test::urlContent(3, u"", url), expected},
        {"Utf16Description", 3, quillory::test::urlContent(1, u"ホーム", "http://a.jp/"), "http://a.jp/"},
        {"Utf16EmptyDescription", 3, quillory::test::urlContent(1, u"", "http://a.jp/"), "http://a.jp/"},
        {"Utf16MarkedUrl", 3,
         concat({quillory::test::urlContent(1, u"", ""), quillory::test::encodeText(1, u"http://b.jp/")}),
         "http://b.jp/"},
        {"NoTerminator", 3, bytes({0, 'h', 't'}), ""},
        {"V2Wxx", 2, quillory::test::urlContent(0, u"", "http://c.jp/"), "http://c.jp/"},
    };
    for (const auto& c : cases) {
        const Id3v2Builder tag = Id3v2Builder(c.version).frame(c.version == 2 ? "WXX" : "WXXX", c.content);
        EXPECT_EQ(textOf(tag, "WXXX"), c.expected) << c.name;
    }
}

TEST(Id3v2Picture, SizeAndDescription)
{
    const Bytes jpeg = bytes({0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F'});
    const struct {
        const char* name;
        Id3v2Builder tag;
        QString description;
    } cases[] = {
        {"Sjis", Id3v2Builder(3).picture(0, "image/jpeg", 3, u"Front", jpeg), "Front"},
        {"SjisJapanese", Id3v2Builder(3).picture(0, "image/jpeg", 3, u"表紙", jpeg), "表紙"},
        {"Utf16Le", Id3v2Builder(3).picture(1, "image/jpeg", 3, u"表紙", jpeg), "表紙"},
        {"Utf16Be", Id3v2Builder(4).picture(1, "image/png", 0, u"表紙", jpeg, Utf16Order::Big), "表紙"},
        {"Utf8", Id3v2Builder(4).picture(3, "image/jpeg", 0, u"表紙", jpeg), "表紙"},
        {"Empty", Id3v2Builder(3).picture(0, "image/jpeg", 0, u"", jpeg), ""},
        {"V2Pic", Id3v2Builder(2).picture(0, "JPG", 3, u"Front", jpeg), "Front"},
    };
    for (const auto& c : cases) {
        const FrameText ft = GetFrameText(c.tag.body(), c.tag.version(), "APIC");
        const std::size_t headerLength = c.tag.version() == 2 ? 6 : 10;
        EXPECT_EQ(ft.text, QString::number(c.tag.body().size() - headerLength - 1)) << c.name;
        EXPECT_EQ(ft.pictureDescription, c.description) << c.name;
        EXPECT_EQ(ft.position, 0) << c.name;
    }
}

TEST(Id3v2Picture, DamagedPictureFrames)
{
    EXPECT_TRUE(textOf(Id3v2Builder(3).frame("APIC", bytes({0})), "APIC").isEmpty());
    // MIME without terminator: the size is known, the description is not.
    const FrameText noMime = GetFrameText(Id3v2Builder(3).frame("APIC", bytes({0, 'i', 'm', 'g'})).body(), 3, "APIC");
    EXPECT_EQ(noMime.text, QStringLiteral("3"));
    EXPECT_TRUE(noMime.pictureDescription.isEmpty());
    const FrameText noDescriptionEnd =
        GetFrameText(Id3v2Builder(3).frame("APIC", bytes({1, 'i', 0, 3, 0xFF, 0xFE, 'a', 0})).body(), 3, "APIC");
    EXPECT_TRUE(noDescriptionEnd.pictureDescription.isEmpty());
}

// ---------------------------------------------------------------- flagged frames

struct FlagCase {
    const char* name;
    int version;
    FrameOptions options;
    Bytes content;
    QString expected;
};

std::vector<FlagCase> flagCases()
{
    using quillory::test::textContent;
    const QString jp = QStringLiteral("圧縮されたタイトル");
    const Bytes le = textContent(1, jp);
    const Bytes withSync = textContent(1, QStringLiteral("\u00FF\u00E0\uFFE0")); // FF bytes everywhere
    return {
        {"V3Compressed", 3, {.compress = true}, le, jp},
        {"V4CompressedWithDataLength", 4, {.compress = true}, le, jp},
        {"V4CompressedAndUnsynchronised", 4, {.compress = true, .unsync = true}, le, jp},
        {"V4Unsynchronised", 4, {.unsync = true}, withSync, QStringLiteral("\u00FF\u00E0\uFFE0")},
        {"V4UnsynchronisedWithDataLength", 4, {.unsync = true, .dataLength = true}, withSync,
         QStringLiteral("\u00FF\u00E0\uFFE0")},
        {"V4Grouped", 4, {.group = 7}, le, jp},
        {"V3Grouped", 3, {.group = 7}, le, jp},
        {"V3CompressedAndGrouped", 3, {.compress = true, .group = 1}, le, jp},
        {"V3EncryptedIsEmpty", 3, {.flags = 0x0040}, le, ""},
        {"V4EncryptedIsEmpty", 4, {.flags = 0x0004}, le, ""},
        // 0x0002 is no unsynchronisation flag in 2.3; the content is read as it stands.
        {"V3IgnoresV4UnsyncFlag", 3, {.flags = 0x0002}, bytes({1, 0xFF, 0xFE, 0xFF, 0x00, 0x41, 0x00, 0x00, 0x00}),
         QStringLiteral("\u00FFA")},
        {"V4StatusFlagsIgnored", 4, {.flags = 0x6000}, textContent(3, u"s"), "s"},
        {"LyingSmallDecompressedSize", 3, {.compress = true, .claimedSize = 1}, le, jp},
        {"LyingHugeDecompressedSize", 3, {.compress = true, .claimedSize = 0xFFFFFFFF}, le, jp},
        {"LyingHugeDataLength", 4, {.compress = true, .claimedSize = 0x0FFFFFFF}, le, jp},
    };
}

class Id3v2FlaggedFrame : public ::testing::TestWithParam<FlagCase> {};

TEST_P(Id3v2FlaggedFrame, ReadAsOtherReadersDo)
{
    const FlagCase& c = GetParam();
    const Id3v2Builder tag = Id3v2Builder(c.version).frame("TIT2", c.content, c.options).text("TPE1", 0, u"next");
    EXPECT_EQ(textOf(tag, "TIT2"), c.expected);
    EXPECT_EQ(textOf(tag, "TPE1"), QStringLiteral("next"));
}

INSTANTIATE_TEST_SUITE_P(Id3v2, Id3v2FlaggedFrame, ::testing::ValuesIn(flagCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Id3v2Compression, BadStreamsGiveEmptyText)
{
    const Bytes content = quillory::test::textContent(0, u"some text that compresses");
    Bytes stream = quillory::test::zlibCompress(content);

    Bytes cut = concat({bytes({0, 0, 0, std::uint8_t(content.size())}), stream});
    cut.erase(cut.end() - 4, cut.end());
    Bytes corrupt = concat({bytes({0, 0, 0, std::uint8_t(content.size())}), stream});
    corrupt[6] ^= 0x55;
    const Bytes tooShort = bytes({0, 0, 1});

    for (const Bytes& raw : {cut, corrupt, tooShort}) {
        const Id3v2Builder tag = Id3v2Builder(3).frame("TIT2", raw, {.flags = 0x0080}).text("TPE1", 0, u"after");
        EXPECT_TRUE(textOf(tag, "TIT2").isEmpty());
        EXPECT_EQ(textOf(tag, "TPE1"), QStringLiteral("after"));
    }
}

TEST(Id3v2Compression, BombIsRefused)
{
    // 1 MiB of one letter compresses about a thousandfold, past the allowed ratio.
    Bytes content = bytes({0});
    content.resize(1 << 20, 'a');
    const Id3v2Builder tag = Id3v2Builder(3).frame("TIT2", content, {.compress = true});
    ASSERT_LT(tag.body().size() * limits::kMaxInflateRatio, content.size());
    EXPECT_TRUE(textOf(tag, "TIT2").isEmpty());

    // Within the ratio the same kind of text is read whole.
    std::mt19937 rng(5);
    Bytes moderate = bytes({0});
    for (int i = 0; i < 2000; ++i)
        moderate.push_back(std::uint8_t('a' + rng() % 26));
    const Id3v2Builder ok = Id3v2Builder(3).frame("TIT2", moderate, {.compress = true});
    EXPECT_EQ(textOf(ok, "TIT2").size(), 2000);
}

// ---------------------------------------------------------------- picture cut

TEST(Id3v2CutPicture, RemovesTheWholeFirstPictureFrame)
{
    const Bytes data(600, 0xAB);
    Id3v2Builder with(3);
    with.text("TIT2", 0, u"t").picture(0, "image/jpeg", 3, u"Front", data).picture(0, "image/png", 0, u"Back", data)
        .text("TPE1", 0, u"a");
    const Bytes expected =
        Id3v2Builder(3).text("TIT2", 0, u"t").picture(0, "image/png", 0, u"Back", data).text("TPE1", 0, u"a").body();

    Bytes body = with.body();
    QString description;
    ASSERT_TRUE(CutFirstPicture(body, 3, &description));
    EXPECT_EQ(description, QStringLiteral("Front"));
    EXPECT_EQ(body, expected);
    EXPECT_EQ(GetFrameText(body, 3, "TPE1").text, QStringLiteral("a"));
}

TEST(Id3v2CutPicture, FullTagKeepsItsSizeRight)
{
    Id3v2Builder with(4);
    with.extendedHeader().picture(1, "image/jpeg", 3, u"表紙", Bytes(100, 1)).text("TIT2", 0, u"t").padding(50);
    Bytes tag = with.build();
    const Bytes expected = Id3v2Builder(4).extendedHeader().text("TIT2", 0, u"t").padding(50).build();
    QString description;
    ASSERT_TRUE(CutFirstPicture(tag, 4, &description));
    EXPECT_EQ(tag, expected);
    EXPECT_EQ(description, QStringLiteral("表紙"));
}

TEST(Id3v2CutPicture, Version22)
{
    Bytes body = Id3v2Builder(2).text("TT2", 0, u"t").picture(0, "PNG", 0, u"p", Bytes(40, 2)).body();
    ASSERT_TRUE(CutFirstPicture(body, 2, nullptr));
    EXPECT_EQ(body, Id3v2Builder(2).text("TT2", 0, u"t").body());
}

TEST(Id3v2CutPicture, NothingToCut)
{
    const Bytes cases[] = {
        Id3v2Builder(3).text("TIT2", 0, u"t").body(),
        Id3v2Builder(3).frame("APIC", bytes({0})).text("TIT2", 0, u"t").body(),
        Id3v2Builder(3).frame("APIC", bytes({0, 'i', 0, 3, 0}), {.sizeField = 900}).body(),
        Id3v2Builder(3).raw(bytes("\x01x")).picture(0, "image/jpeg", 0, u"", Bytes(10, 1)).body(),
        Bytes(),
    };
    for (const Bytes& original : cases) {
        Bytes body = original;
        QString description = QStringLiteral("unchanged");
        EXPECT_FALSE(CutFirstPicture(body, 3, &description));
        EXPECT_EQ(body, original);
        EXPECT_EQ(description, QStringLiteral("unchanged"));
    }
}

// ---------------------------------------------------------------- genres

TEST(Id3v2Genre, ExpandReferences)
{
    const GenreTable en(GenreLanguage::English);
    const QString rock = en.GenreName(17), soundtrack = en.GenreName(24);
    const struct {
        QString in, out;
    } cases[] = {
        {"(17)", rock},
        {"(17)(24)", rock + " " + soundtrack},
        {"(17)Rock", rock + " Rock"},
        {"Rock", "Rock"},
        {"17", "17"},
        {"(RX)", ""},
        {"(17)(RX)", rock},
        {"((Foo)", " (Foo)"},
        {"(17)((Foo)", rock + " (Foo)"},
        {"Hard (Rock)", "Hard (Rock)"},
        {"(17", "(17"},
        {"Rock)", " Rock)"},
        {"(255)", en.GenreName(255)},
        {"(300)", GenreTable::unclassifiable()},
        {"()", ""},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExpandGenreReferences(c.in, &en), c.out) << c.in.toStdString();
    EXPECT_NE(rock, QStringLiteral("(17)"));
    EXPECT_TRUE(ExpandGenreReferences(QStringLiteral("(17)"), nullptr).isEmpty());
    EXPECT_EQ(ExpandGenreReferences(QStringLiteral("(17)Pop"), nullptr), QStringLiteral(" Pop"));
}

TEST(Id3v2Genre, JapaneseNames)
{
    const GenreTable ja(GenreLanguage::Japanese);
    EXPECT_EQ(ExpandGenreReferences(QStringLiteral("(17)"), &ja), ja.GenreName(17));
    EXPECT_NE(ja.GenreName(17), GenreTable(GenreLanguage::English).GenreName(17));
}

// ---------------------------------------------------------------- hostile input

TEST(Id3v2Hostile, TruncatedTagsAtEveryLength)
{
    Id3v2Builder builder(3);
    builder.text("TIT2", 1, u"タイトル").comment("COMM", 1, "jpn", u"", u"comment")
        .picture(1, "image/jpeg", 3, u"表紙", Bytes(40, 0xFF)).url(0, u"", "http://a/")
        .frame("TALB", quillory::test::textContent(0, u"album"), {.compress = true});
    const Bytes full = builder.build();
    for (std::size_t n = 0; n <= full.size(); ++n) {
        const Bytes cut(full.begin(), full.begin() + std::ptrdiff_t(n));
        for (std::string_view id : kLoaderIds) {
            const FrameText ft = GetFrameText(cut, 3, id);
            if (ft.position >= 0)
                EXPECT_LT(std::size_t(ft.position), n);
        }
        Bytes copy = cut;
        CutFirstPicture(copy, 3, nullptr);
        EXPECT_LE(FramesEnd(cut), long(n));
        EXPECT_GE(PaddingSize(cut), 0);
        DeunsynchroniseTag(copy);
    }
    EXPECT_EQ(GetFrameText(full, 3, "TALB").text, QStringLiteral("album"));
}

TEST(Id3v2Hostile, RandomBytesAfterAHeader)
{
    std::mt19937 rng(2024);
    const std::uint8_t likely[] = {'T', 'I', 'T', '2', 'A', 'P', 'I', 'C', 'C', 'O', 'M', 'M', 0x00,
                                   0x01, 0xFF, 0xFE, 0x80, 0x7F, 0x03, 0x08, 0x09, 0x02, 0x78, 0x9C};
    for (int round = 0; round < 300; ++round) {
        const int version = 2 + round % 3;
        Bytes tag = bytes({'I', 'D', '3', version, 0, (round % 7 == 0) ? 0x40 : 0, 0, 0, 2, 0});
        const std::size_t n = rng() % 300;
        for (std::size_t i = 0; i < n; ++i)
            tag.push_back(rng() % 3 == 0 ? std::uint8_t(rng()) : likely[rng() % std::size(likely)]);
        for (std::string_view id : kLoaderIds)
            GetFrameText(tag, version, id);
        Bytes copy = tag;
        CutFirstPicture(copy, version, nullptr);
        DeunsynchroniseTag(copy);
        EXPECT_LE(FramesEnd(tag), long(tag.size()));
    }
}

// ---------------------------------------------------------------- peer samples

struct KnownField {
    const char* file;
    std::string_view id;
    const char* text; // as an independent reader shows it
};

const KnownField kKnownFields[] = {
    {"mutagen/id3v22-test.mp3", "TIT2", "cosmic american"},
    {"mutagen/id3v22-test.mp3", "TALB", "Hymns for the Exiled"},
    {"mutagen/id3v23_unsynch.id3", "TIT2", "My babe just cares for me"},
    {"mutagen/id3v23_unsynch.id3", "TALB", "100% Jazz"},
    {"taglib/unsynch.id3", "TPE1", "Nina Simone"},
    {"mutagen/issue_21.id3", "TIT2", "Punk To Funk"},
    {"mutagen/issue_21.id3", "TYER", "1996"},
    {"taglib/005411.id3", "TPE1", "Donovan"},
    {"taglib/unsynch24.id3", "TIT2", "Hi"},
    {"mutagen/bad-POPM-frame.mp3", "TCOM", "pjat lain"},
    {"taglib/itunes10.mp3", "TPOS", "1/2"},
};

Bytes readFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray all = f.readAll();
    return Bytes(all.begin(), all.end());
}

// The loader's view of a file: the body after header and extended header, as long as
// the header says and the file holds, de-unsynchronised for 2.2/2.3.
bool loaderBody(const Bytes& file, Bytes& body, int& version)
{
    Header h;
    if (!ParseHeader(file, h))
        return false;
    version = h.version;
    const std::size_t start = std::min<std::size_t>(10 + ExtendedHeaderLength(file), file.size());
    const std::size_t end = std::min<std::size_t>(start + h.size, file.size());
    body.assign(file.begin() + std::ptrdiff_t(start), file.begin() + std::ptrdiff_t(end));
    if ((h.flags & kFlagUnsync) && h.version < 4)
        Deunsynchronise(body);
    return true;
}

TEST(Id3v2PeerSamples, EveryTagIsReadWithoutHarm)
{
    const QString root = QStringLiteral(QUILLORY_PEER_SAMPLES);
    if (!QFile::exists(root))
        GTEST_SKIP() << "no peer samples at " << root.toStdString();
    int tags = 0;
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const Bytes file = readFile(path);
        SCOPED_TRACE(path.toStdString());
        Bytes body;
        int version = 0;
        if (!loaderBody(file, body, version))
            continue;
        ++tags;
        if (body.size() > 512)
            CutFirstPicture(body, version, nullptr);
        for (std::string_view id : kLoaderIds) {
            GetFrameText(body, version, id);
            GetFrameText(file, version, id);
        }
        EXPECT_LE(FramesEnd(file), long(file.size()));
        EXPECT_GE(PaddingSize(file), 0);
        Bytes copy = file;
        DeunsynchroniseTag(copy);
    }
    EXPECT_GT(tags, 20);
}

TEST(Id3v2PeerSamples, KnownFieldsMatchAnIndependentReader)
{
    const QString root = QStringLiteral(QUILLORY_PEER_SAMPLES);
    if (!QFile::exists(root))
        GTEST_SKIP() << "no peer samples at " << root.toStdString();
    for (const KnownField& k : kKnownFields) {
        const Bytes file = readFile(root + u'/' + QString::fromLatin1(k.file));
        Bytes body;
        int version = 0;
        ASSERT_TRUE(loaderBody(file, body, version)) << k.file;
        if (body.size() > 512)
            CutFirstPicture(body, version, nullptr);
        EXPECT_EQ(GetFrameText(body, version, k.id).text, QString::fromUtf8(k.text)) << k.file << " " << k.id;
    }
}

} // namespace
