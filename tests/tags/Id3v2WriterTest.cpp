#include "tags/Id3v2Writer.h"

#include "media/Genres.h"
#include "support/Id3v2Builder.h"
#include "tags/Id3v2Reader.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace quillory::id3v2 {
namespace {

using test::bytes;
using test::commentContent;
using test::concat;
using test::FrameOptions;
using test::Id3v2Builder;
using test::textContent;
using test::Utf16Order;

// A text Shift-JIS cannot hold.
const QString kHangul = QStringLiteral("한국");

EditableTag open(const Bytes& tag)
{
    std::optional<EditableTag> t = OpenTag(tag);
    EXPECT_TRUE(t.has_value());
    return t.value_or(NewTag(3, false));
}

std::size_t headerLength(int version) { return version == 2 ? 6 : 10; }

// Content of the first frame with the id (as written, after the frame header).
std::optional<Bytes> contentOf(ByteView tag, int version, std::string_view id23)
{
    const FrameText ft = GetFrameText(tag, version, id23);
    if (ft.position < 0)
        return std::nullopt;
    const std::size_t at = std::size_t(ft.position);
    const std::uint8_t* p = tag.data() + at;
    const std::uint32_t size = version == 2 ? readU24BE(p + 3) : version == 4 ? readSynchsafe32(p + 4) : readU32BE(p + 4);
    return Bytes(p + headerLength(version), p + headerLength(version) + size);
}

std::uint32_t sizeField(const Bytes& tag) { return readSynchsafe32(tag.data() + 6); }

bool contains(const Bytes& hay, const Bytes& needle)
{
    return std::search(hay.begin(), hay.end(), needle.begin(), needle.end()) != hay.end();
}

EncodingChoice choice(int combo = 0, bool littleEndian = true, int rowCode = -1)
{
    EncodingChoice c;
    c.comboEncoding = combo;
    c.littleEndian = littleEndian;
    c.rowTextCode = rowCode;
    return c;
}

struct ReplaceCase {
    const char* name;
    int version;
    Bytes oldContent;
    QString text;
    EncodingChoice choice;
    Bytes wantContent;
    bool readsBack = true;
};

class ReplaceTextTest : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplaceTextTest, RewritesTheContentKeepingTheRest)
{
    const ReplaceCase& c = GetParam();
    const std::string_view titleId = MapFrameId("TIT2", c.version);
    const Bytes priv = concat({bytes("owner"), bytes({0, 0xFF, 0xFE, 0x00, 0x12})});
    const Bytes built = Id3v2Builder(c.version)
                            .frame(titleId, c.oldContent)
                            .frame(c.version == 2 ? "TT3" : "PRIV", priv)
                            .padding(32)
                            .build();
    EditableTag tag = open(built);
    ASSERT_EQ(SetFrameText(tag, "TIT2", c.text, c.choice), FrameChange::Replaced);
    EXPECT_EQ(contentOf(tag.tag, c.version, "TIT2"), c.wantContent);
    if (c.readsBack)
        EXPECT_EQ(GetFrameText(tag.tag, c.version, "TIT2").text, c.text);
    EXPECT_TRUE(contains(tag.tag, priv)) << "the other frame stays byte for byte";
    EXPECT_EQ(sizeField(tag.tag) + 10, tag.tag.size());
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, ReplaceTextTest,
    ::testing::Values(
        ReplaceCase{"Utf16BigEndianStaysBigEndian", 3, textContent(1, u"Old", Utf16Order::Big), QStringLiteral("新しい歌"),
                    choice(1, true), textContent(1, u"新しい歌", Utf16Order::Big)},
        ReplaceCase{"Utf16LittleEndianStaysLittleEndian", 3, textContent(1, u"Old", Utf16Order::Little),
                    QStringLiteral("新しい歌"), choice(1, false), textContent(1, u"新しい歌", Utf16Order::Little)},
        ReplaceCase{"ShiftJisStaysShiftJis", 3, textContent(0, u"古い"), QStringLiteral("新しい歌"), choice(1),
                    textContent(0, u"新しい歌")},
        ReplaceCase{"ShiftJisTakesUtf16ForWideTextWithUtf16Combo", 3, textContent(0, u"古い"), kHangul,
                    choice(1, true, 0), textContent(1, kHangul, Utf16Order::Little)},
        // Shift-JIS cannot hold the text: UTF-16 keeps it, whatever the combo says.
        ReplaceCase{"ShiftJisTakesUtf16ForWideTextWithShiftJisCombo", 3, textContent(0, u"古い"),
                    QStringLiteral("Beyoncé 🎤"), choice(0), textContent(1, u"Beyoncé 🎤", Utf16Order::Little)},
        ReplaceCase{"Utf8StaysUtf8ForUtf8Row", 4, textContent(3, u"Old"), QStringLiteral("春の歌 🌸"),
                    choice(1, true, 3), textContent(3, u"春の歌 🌸")},
        ReplaceCase{"Utf8TakesUtf16ForWideTextWithUtf16Combo", 4, textContent(3, u"Old"), kHangul, choice(1, false, 0),
                    textContent(1, kHangul, Utf16Order::Big)},
        ReplaceCase{"Utf16WithoutMarkKeepsEncoding2", 3, textContent(2, u"Old"), QStringLiteral("New"), choice(1),
                    textContent(2, u"New")},
        ReplaceCase{"Version22ThreeLetterFrame", 2, textContent(1, u"Old", Utf16Order::Big), QStringLiteral("二・二"),
                    choice(), textContent(1, u"二・二", Utf16Order::Big)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Id3v2Writer, EmptyTextRemovesTheWholeFrame)
{
    const Bytes built = Id3v2Builder(3).text("TIT2", 0, u"Title").text("TPE1", 0, u"Artist").padding(16).build();
    EditableTag tag = open(built);
    const std::size_t frameLength = 10 + textContent(0, u"Title").size();
    ASSERT_EQ(SetFrameText(tag, "TIT2", QString(), choice()), FrameChange::Removed);
    EXPECT_EQ(sizeField(tag.tag), sizeField(built) - frameLength);
    EXPECT_LT(GetFrameText(tag.tag, 3, "TIT2").position, 0);
    EXPECT_EQ(GetFrameText(tag.tag, 3, "TPE1").text, QStringLiteral("Artist"));
    EXPECT_EQ(SetFrameText(tag, "TIT2", QString(), choice()), FrameChange::Absent);
}

TEST(Id3v2Writer, NewCommentFrameIsLanguageEmptyDescriptionAndText)
{
    EditableTag tag = NewTag(3, false);
    ASSERT_EQ(SetFrameText(tag, "COMM", QStringLiteral("abc"), choice(0, true, 0)), FrameChange::Inserted);
    EXPECT_EQ(contentOf(tag.tag, 3, "COMM"), bytes({0, 'j', 'p', 'n', 0, 'a', 'b', 'c', 0}));
    EXPECT_EQ(GetFrameText(tag.tag, 3, "COMM").text, QStringLiteral("abc"));
}

TEST(Id3v2Writer, ReplacedUtf16CommentKeepsItsByteOrder)
{
    const Bytes built =
        Id3v2Builder(3).comment("COMM", 1, "eng", u"", u"old", Utf16Order::Big).padding(8).build();
    EditableTag tag = open(built);
    ASSERT_EQ(SetFrameText(tag, "COMM", QStringLiteral("新しい"), choice(0, true)), FrameChange::Replaced);
    EXPECT_EQ(contentOf(tag.tag, 3, "COMM"), commentContent(1, "jpn", u"", u"新しい", Utf16Order::Big));
    EXPECT_EQ(GetFrameText(tag.tag, 3, "COMM").text, QStringLiteral("新しい"));
}

TEST(Id3v2Writer, Utf16WithoutMarkCommentReadsBack)
{
    const Bytes built = Id3v2Builder(3).comment("COMM", 2, "eng", u"", u"old").build();
    EditableTag tag = open(built);
    ASSERT_EQ(SetFrameText(tag, "COMM", QStringLiteral("new"), choice()), FrameChange::Replaced);
    EXPECT_EQ(GetFrameText(tag.tag, 3, "COMM").text, QStringLiteral("new"));
}

TEST(Id3v2Writer, DescribedCommentOfAnotherProgramStaysAndTheNewOneIsRead)
{
    const Bytes norm = commentContent(0, "eng", u"iTunNORM", u" 0000 0001");
    const Bytes built = Id3v2Builder(3).text("TIT2", 0, u"T").frame("COMM", norm).padding(8).build();
    EditableTag tag = open(built);
    ASSERT_EQ(SetFrameText(tag, "COMM", QStringLiteral("mine"), choice(0, true, 0)), FrameChange::Inserted);
    EXPECT_EQ(GetFrameText(tag.tag, 3, "COMM").text, QStringLiteral("mine"));
    EXPECT_TRUE(contains(tag.tag, norm));
}

struct InsertEncodingCase {
    const char* name;
    int version;
    QString text;
    EncodingChoice choice;
    int wantEncoding;
};

class InsertEncodingTest : public ::testing::TestWithParam<InsertEncodingCase> {};

TEST_P(InsertEncodingTest, ChoosesTheEncodingOfANewFrame)
{
    const InsertEncodingCase& c = GetParam();
    EditableTag tag = NewTag(c.version, false);
    ASSERT_EQ(SetFrameText(tag, "TPE1", c.text, c.choice), FrameChange::Inserted);
    const std::optional<Bytes> content = contentOf(tag.tag, c.version, "TPE1");
    ASSERT_TRUE(content);
    EXPECT_EQ((*content)[0], c.wantEncoding);
    EXPECT_EQ(GetFrameText(tag.tag, c.version, "TPE1").text, c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, InsertEncodingTest,
    ::testing::Values(InsertEncodingCase{"RowCodeShiftJis", 3, QStringLiteral("歌手"), choice(1, true, 0), 0},
                      InsertEncodingCase{"Utf8RowInVersion23GivesUtf16", 3, QStringLiteral("歌手"), choice(0, true, 3), 1},
                      InsertEncodingCase{"Utf8RowInVersion24StaysUtf8", 4, QStringLiteral("歌手"), choice(0, true, 3), 3},
                      InsertEncodingCase{"UnknownRowCodeTakesTheCombo", 4, QStringLiteral("歌手"), choice(3, true, -1), 3},
                      InsertEncodingCase{"WideTextWithUtf16ComboForcesUtf16", 3, kHangul, choice(1, true, 0), 1},
                      InsertEncodingCase{"WideTextNeverGoesIntoShiftJis", 3, kHangul, choice(0, true, 0), 1},
                      InsertEncodingCase{"WideTextInUtf8RowOfVersion24StaysUtf8", 4, kHangul, choice(0, true, 3), 3},
                      InsertEncodingCase{"Utf16InVersion22", 2, QStringLiteral("歌手"), choice(1, true, -1), 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Id3v2Writer, NewFrameGoesAfterTheLastOfTheMainFields)
{
    const Bytes built = Id3v2Builder(3)
                            .text("TALB", 0, u"Album")
                            .text("TIT2", 0, u"Title")
                            .frame("PRIV", bytes({'o', 'w', 0, 'd'}))
                            .padding(16)
                            .build();
    EditableTag tag = open(built);
    ASSERT_EQ(SetFrameText(tag, "TCOM", QStringLiteral("Comp"), choice()), FrameChange::Inserted);
    const long title = GetFrameText(tag.tag, 3, "TIT2").position;
    const long composer = GetFrameText(tag.tag, 3, "TCOM").position;
    EXPECT_EQ(composer, title + long(10 + textContent(0, u"Title").size()));
    EXPECT_LT(composer, GetFrameText(tag.tag, 3, "PRIV").position);
}

TEST(Id3v2Writer, WithoutMainFieldsTheNewFrameGoesAfterTheExtendedHeader)
{
    const Bytes built = Id3v2Builder(3).extendedHeader(16).frame("PRIV", bytes({'x', 0, 'y'})).padding(16).build();
    EditableTag tag = open(built);
    ASSERT_EQ(SetFrameText(tag, "TIT2", QStringLiteral("T"), choice()), FrameChange::Inserted);
    EXPECT_EQ(GetFrameText(tag.tag, 3, "TIT2").position, 10 + 14);
    EXPECT_EQ(GetFrameText(tag.tag, 3, "PRIV").position, 10 + 14 + 10 + 3);
}

TEST(Id3v2Writer, SearchForNeighboursReachesPastALargePicture)
{
    const Bytes picture(2000, 0x55);
    const Bytes built = Id3v2Builder(3)
                            .picture(0, "image/jpeg", 3, u"", picture)
                            .text("TIT2", 0, u"Late title")
                            .frame("PRIV", bytes({'o', 0, 'd'}))
                            .build();
    EditableTag tag = open(built);
    ASSERT_EQ(SetFrameText(tag, "TPE1", QStringLiteral("A"), choice()), FrameChange::Inserted);
    EXPECT_GT(GetFrameText(tag.tag, 3, "TPE1").position, GetFrameText(tag.tag, 3, "TIT2").position);
}

TEST(Id3v2Writer, FlaggedFramesAreLeftAsTheyAre)
{
    FrameOptions dataLength;
    dataLength.dataLength = true;
    FrameOptions compressed;
    compressed.compress = true;
    struct Case {
        int version;
        FrameOptions options;
    };
    for (const Case& c : {Case{4, dataLength}, Case{3, compressed}, Case{4, compressed}}) {
        const Bytes built = Id3v2Builder(c.version).frame("TIT2", textContent(0, u"Kept"), c.options).padding(8).build();
        EditableTag tag = open(built);
        EXPECT_EQ(SetFrameText(tag, "TIT2", QStringLiteral("New"), choice()), FrameChange::Unchanged);
        EXPECT_EQ(tag.tag, built);
    }
}

TEST(Id3v2Writer, UnknownFramesSurviveEveryKindOfEdit)
{
    FrameOptions dli;
    dli.dataLength = true;
    const Bytes privFrame = bytes({'P', 'R', 'I', 'V', 0, 0, 0, 9, 0, 0, 'o', 'w', 'n', 0, 0xFF, 0xE0, 1, 2, 3});
    const Bytes built = Id3v2Builder(4)
                            .text("TIT2", 3, u"Title")
                            .raw(privFrame)
                            .frame("TXXX", textContent(3, u"desc"))
                            .frame("GEOB", bytes({0, 'a', '/', 'b', 0, 'f', 0, 'd', 0, 9, 8, 7}))
                            .frame("TOPE", textContent(0, u"With DLI"), dli)
                            .padding(64)
                            .build();
    // The unknown frames as they stand in the tag.
    const std::size_t from = 10 + 10 + textContent(3, u"Title").size();
    const Bytes unknown(built.begin() + std::ptrdiff_t(from), built.end() - 64);

    for (const char* edit : {"replace", "insert", "remove"}) {
        EditableTag tag = open(built);
        if (std::string_view(edit) == "replace")
            SetFrameText(tag, "TIT2", QStringLiteral("A much longer title than before"), choice());
        else if (std::string_view(edit) == "insert")
            SetFrameText(tag, "TPE1", QStringLiteral("Artist"), choice());
        else
            SetFrameText(tag, "TIT2", QString(), choice());
        for (bool inPlace : {true, false}) {
            const std::optional<Bytes> out = RenderTag(tag, inPlace);
            ASSERT_TRUE(out) << edit;
            EXPECT_TRUE(contains(*out, unknown)) << edit << (inPlace ? " in place" : " rewrite");
        }
    }
}

TEST(Id3v2Writer, EstimateGrowthCountsChangesNewFramesAndRemovals)
{
    const Bytes built =
        Id3v2Builder(3).text("TIT2", 1, u"abcd").text("TPE1", 0, u"artist").comment("COMM", 0, "eng", u"", u"c").build();
    EstimatedTexts texts;
    texts[0] = QStringLiteral("abcdef"); // title: 4 -> 6 Shift-JIS bytes
    texts[1] = QString();                // artist removed: 10 + 1 + 6 + 1
    texts[6] = QStringLiteral("c");      // comment unchanged
    texts[2] = QStringLiteral("アルバム");  // new album: 8 bytes + 11
    EXPECT_EQ(EstimateGrowth(built, 3, texts, false), 2 - 18 + 19);
    EstimatedTexts newComment;
    newComment[6] = QStringLiteral("xyz");
    EXPECT_EQ(EstimateGrowth(Id3v2Builder(3).build(), 3, newComment, true), 3 + 11 + 8);
    EXPECT_EQ(EstimateGrowth(Id3v2Builder(3).build(), 3, newComment, false), 3 + 11 + 4);
    EXPECT_EQ(EstimateGrowth(Id3v2Builder(2).build(), 2, newComment, false), 3 + 7 + 4);
}

struct ModeCase {
    const char* name;
    int flags;
    long padding;
    long estimate;
    int option;
    bool picture;
    WriteMode want;
};

class ChooseWriteModeTest : public ::testing::TestWithParam<ModeCase> {};

TEST_P(ChooseWriteModeTest, Decides)
{
    const ModeCase& c = GetParam();
    EXPECT_EQ(ChooseWriteMode(c.flags, c.padding, c.estimate, c.option, c.picture), c.want);
}

INSTANTIATE_TEST_SUITE_P(
    PaddingOptions, ChooseWriteModeTest,
    ::testing::Values(ModeCase{"ZeroAlwaysRewrites", 0, 1000, 5, 0, false, WriteMode::Rewrite},
                      ModeCase{"Option128FitsInPlace", 0, 100, 50, 128, false, WriteMode::InPlace},
                      ModeCase{"Option128TooBigRewritesWithoutPadding", 0, 100, 100, 128, false, WriteMode::Rewrite},
                      ModeCase{"Option1024AddsPadding", 0, 10, 500, 1024, false, WriteMode::RewriteAddingPadding},
                      ModeCase{"Option1024GrowthBeyondOptionAddsNone", 0, 10, 2000, 1024, false, WriteMode::Rewrite},
                      ModeCase{"Option8192FitsInPlace", 0, 4000, 3999, 8192, false, WriteMode::InPlace},
                      ModeCase{"PictureChangeRewritesWithoutPadding", 0, 10000, 5, 1024, true, WriteMode::Rewrite},
                      ModeCase{"FooterRewritesWithoutPadding", 0x10, 10000, 5, 1024, false, WriteMode::Rewrite},
                      ModeCase{"ShrinkingFitsInPlace", 0, 0, -20, 512, false, WriteMode::InPlace}),
    [](const auto& info) { return std::string(info.param.name); });

struct UnsyncCase {
    const char* name;
    Bytes in;
    Bytes out;
};

class UnsynchroniseTest : public ::testing::TestWithParam<UnsyncCase> {};

TEST_P(UnsynchroniseTest, InsertsZeroAfterFalseSyncs)
{
    Bytes b = GetParam().in;
    Unsynchronise(b);
    EXPECT_EQ(b, GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(Patterns, UnsynchroniseTest,
                         ::testing::Values(UnsyncCase{"FFE0", bytes({1, 0xFF, 0xE0, 2}), bytes({1, 0xFF, 0, 0xE0, 2})},
                                           UnsyncCase{"FF00", bytes({0xFF, 0x00, 7}), bytes({0xFF, 0, 0, 7})},
                                           UnsyncCase{"FFDF", bytes({0xFF, 0xDF}), bytes({0xFF, 0xDF})},
                                           UnsyncCase{"TrailingFF", bytes({5, 0xFF}), bytes({5, 0xFF, 0})},
                                           UnsyncCase{"Plain", bytes({1, 2, 3}), bytes({1, 2, 3})}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Id3v2Writer, UnsynchroniseTagSetsTheFlagAndSize)
{
    Bytes tag = Id3v2Builder(3).frame("PRIV", bytes({'a', 0, 0xFF, 0xFB})).build();
    ASSERT_TRUE(UnsynchroniseTag(tag));
    EXPECT_EQ(tag[5] & 0x80, 0x80);
    EXPECT_EQ(sizeField(tag) + 10, tag.size());
    EXPECT_EQ(tag.back(), 0xFB);
    EXPECT_EQ(tag[tag.size() - 2], 0x00);
}

TEST(Id3v2Writer, UnsynchronisedVersion23TagIsUndoneForEditingAndRedoneOnOutput)
{
    const Bytes built = Id3v2Builder(3)
                            .text("TIT2", 0, u"Old")
                            .frame("PRIV", bytes({'o', 0, 0xFF, 0xE7, 0xFF, 0x00}))
                            .padding(20)
                            .unsynchronised()
                            .build();
    EditableTag tag = open(built);
    EXPECT_TRUE(tag.unsynchronise);
    EXPECT_TRUE(contains(tag.tag, bytes({'o', 0, 0xFF, 0xE7, 0xFF, 0x00})));
    ASSERT_EQ(SetFrameText(tag, "TIT2", QStringLiteral("New"), choice()), FrameChange::Replaced);
    const std::optional<Bytes> out = RenderTag(tag, true);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->size(), built.size());
    EXPECT_EQ((*out)[5] & 0x80, 0x80);
    EXPECT_TRUE(contains(*out, bytes({'o', 0, 0xFF, 0x00, 0xE7, 0xFF, 0x00, 0x00})));
    const EditableTag again = open(*out);
    EXPECT_EQ(GetFrameText(again.tag, 3, "TIT2").text, QStringLiteral("New"));
}

TEST(Id3v2Writer, Version24FrameUnsynchronisationIsKeptPerFrame)
{
    FrameOptions unsync;
    unsync.unsync = true;
    const Bytes raw = bytes({'o', 0, 0xFF, 0xF1, 9});
    const Bytes built = Id3v2Builder(4).text("TIT2", 3, u"Old").frame("PRIV", raw, unsync).padding(16).build();
    EditableTag tag = open(built);
    EXPECT_TRUE(contains(tag.tag, raw)) << "decoded for editing";
    ASSERT_EQ(SetFrameText(tag, "TIT2", QStringLiteral("New"), choice(0, true, 3)), FrameChange::Replaced);
    const std::optional<Bytes> out = RenderTag(tag, false);
    ASSERT_TRUE(out);
    const Bytes privFrame = concat({bytes({'P', 'R', 'I', 'V', 0, 0, 0, 6, 0, 2}), bytes({'o', 0, 0xFF, 0, 0xF1, 9})});
    EXPECT_TRUE(contains(*out, privFrame));
}

TEST(Id3v2Writer, NewVersion24TagWithUnsynchronisationMarksItsFrames)
{
    EditableTag tag = NewTag(4, true);
    ASSERT_EQ(SetFrameText(tag, "TIT2", QStringLiteral("ÿà"), choice(3, true, 3)), FrameChange::Inserted);
    const std::optional<Bytes> out = RenderTag(tag, false);
    ASSERT_TRUE(out);
    EXPECT_EQ((*out)[5] & 0x80, 0x80);
    EXPECT_EQ((*out)[10 + 9], 0x02);
    EXPECT_EQ(GetFrameText(*out, 4, "TIT2").text, QStringLiteral("ÿà"));
}

TEST(Id3v2Writer, InPlaceKeepsTheTagLengthAndTakesGrowthFromPadding)
{
    const Bytes built = Id3v2Builder(3).text("TIT2", 0, u"abc").padding(100).build();
    EditableTag tag = open(built);
    EXPECT_EQ(tag.originalPadding, 100u);
    SetFrameText(tag, "TIT2", QStringLiteral("abcdefghij"), choice());
    std::optional<Bytes> inPlace = RenderTag(tag, true);
    ASSERT_TRUE(inPlace);
    EXPECT_EQ(inPlace->size(), built.size());
    EXPECT_EQ(sizeField(*inPlace), sizeField(built));
    EXPECT_EQ(PaddingSize(*inPlace), 93);

    const std::optional<Bytes> rewrite = RenderTag(tag, false, 1024);
    ASSERT_TRUE(rewrite);
    EXPECT_EQ(PaddingSize(*rewrite), 100 + 1024);
    EXPECT_EQ(sizeField(*rewrite), sizeField(built) + 7 + 1024);

    SetFrameText(tag, "TPE1", QString(200, QLatin1Char('x')), choice());
    EXPECT_FALSE(RenderTag(tag, true)) << "frames that outgrow the padding do not fit in place";
}

TEST(Id3v2Writer, Version23ExtendedHeaderPaddingFieldFollows)
{
    const Bytes built = Id3v2Builder(3).extendedHeader(50).text("TIT2", 0, u"abc").padding(50).build();
    EditableTag tag = open(built);
    SetFrameText(tag, "TIT2", QStringLiteral("abcde"), choice());
    const std::optional<Bytes> out = RenderTag(tag, true);
    ASSERT_TRUE(out);
    EXPECT_EQ(readU32BE(out->data() + 16), 48u);
}

TEST(Id3v2Writer, FooterAndSeekTagsAreNotChanged)
{
    EXPECT_EQ(UnchangeableTagKind(open(Id3v2Builder(4).headerFlags(0x10).text("TIT2", 3, u"x").build())),
              QStringLiteral("3DI"));
    EXPECT_EQ(UnchangeableTagKind(open(Id3v2Builder(4).text("TIT2", 3, u"x").frame("SEEK", bytes({0, 0, 0, 1})).build())),
              QStringLiteral("SEEK"));
    EXPECT_EQ(UnchangeableTagKind(open(Id3v2Builder(3).text("TIT2", 0, u"x").build())), QString());
}

TEST(Id3v2Writer, GenreAsReferenceUsesEitherTable)
{
    const GenreTable japanese(GenreLanguage::Japanese);
    const QString rock = genreNameIn(GenreLanguage::English, 17);
    EXPECT_EQ(GenreAsReference(rock, &japanese), QStringLiteral("(17)"));
    EXPECT_EQ(GenreAsReference(genreNameIn(GenreLanguage::Japanese, 17), &japanese), QStringLiteral("(17)"));
    EXPECT_EQ(GenreAsReference(QStringLiteral("Shibuya-kei deluxe"), &japanese), QStringLiteral("Shibuya-kei deluxe"));
}

TEST(Id3v2Writer, PictureFrameReplacesTheFirstAndIsRemoved)
{
    const Bytes built = Id3v2Builder(3)
                            .text("TIT2", 0, u"T")
                            .picture(0, "image/jpeg", 3, u"", bytes({0xFF, 0xD8, 0xFF, 1}))
                            .frame("PRIV", bytes({'o', 0, 'd'}))
                            .build();
    EditableTag tag = open(built);
    const Bytes content = bytes({0, 'i', 'm', 'a', 'g', 'e', '/', 'p', 'n', 'g', 0, 0, 0, 0x89, 'P', 'N', 'G'});
    ASSERT_EQ(SetPictureFrame(tag, content), FrameChange::Replaced);
    EXPECT_EQ(contentOf(tag.tag, 3, "APIC"), content);
    EXPECT_LT(GetFrameText(tag.tag, 3, "APIC").position, GetFrameText(tag.tag, 3, "PRIV").position);
    ASSERT_EQ(SetPictureFrame(tag, std::nullopt), FrameChange::Removed);
    EXPECT_LT(GetFrameText(tag.tag, 3, "APIC").position, 0);
    EXPECT_EQ(SetPictureFrame(tag, content), FrameChange::Inserted);
    EXPECT_GT(GetFrameText(tag.tag, 3, "APIC").position, GetFrameText(tag.tag, 3, "PRIV").position);
}

TEST(Id3v2Writer, UrlFrameKeepsItsEncodingAndReadsBack)
{
    for (int encoding : {0, 1}) {
        const Bytes built = Id3v2Builder(3).url(encoding, u"", "http://old.example/").build();
        EditableTag tag = open(built);
        ASSERT_EQ(SetFrameText(tag, "WXXX", QStringLiteral("https://new.example/x"), choice()), FrameChange::Replaced);
        EXPECT_EQ((*contentOf(tag.tag, 3, "WXXX"))[0], encoding);
        EXPECT_EQ(GetFrameText(tag.tag, 3, "WXXX").text, QStringLiteral("https://new.example/x"));
    }
}

TEST(Id3v2Writer, CombinedTextCodeFoldsLikeTheLoader)
{
    EditableTag le = open(Id3v2Builder(3).text("TIT2", 1, u"a").text("TPE1", 1, u"b").build());
    EXPECT_EQ(CombinedTextCode(le), 5);
    EditableTag mixed = open(Id3v2Builder(3).text("TIT2", 1, u"a").text("TPE1", 1, u"b", Utf16Order::Big).build());
    EXPECT_EQ(CombinedTextCode(mixed), 1);
}

} // namespace
} // namespace quillory::id3v2
