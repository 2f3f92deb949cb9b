#include "tags/Id3v1.h"

#include "media/Genres.h"
#include "platform/CodePage.h"
#include "support/Id3v2Builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using namespace quillory;
using quillory::test::bytes;

namespace {

// A block written byte by byte, independent of SetV1Field.
struct RawBlock {
    V1Block b{};
    RawBlock()
    {
        std::memcpy(b.data(), "TAG", 3);
        b[127] = 255;
    }
    RawBlock& put(std::size_t at, ByteView bytes)
    {
        std::copy(bytes.begin(), bytes.end(), b.begin() + std::ptrdiff_t(at));
        return *this;
    }
    RawBlock& put(std::size_t at, std::string_view s) { return put(at, viewOf(s)); }
    RawBlock& byte(std::size_t at, std::uint8_t v)
    {
        b[at] = v;
        return *this;
    }
    operator ByteView() const { return b; }
};

std::string field(const V1Block& b, std::size_t at, std::size_t width)
{
    return std::string(reinterpret_cast<const char*>(b.data() + at), width);
}

std::string padded(std::string_view s, std::size_t width)
{
    std::string out(s);
    out.resize(width, '\0');
    return out;
}

struct TrackCase {
    const char* name;
    std::uint8_t byte125, byte126;
    unsigned track;
    std::size_t commentLength; // bytes of the comment field read
    QString trackText;         // V1FieldText("TRCK")
};

const TrackCase kTrackCases[] = {
    {"V11Track7", 0, 7, 7, 28, QStringLiteral("7")},
    {"V10FullCommentShowsLastByteAsTrack", 0x41, 0x42, 66, 30, QStringLiteral("66")},
    {"NoTrack", 0, 0, 0, 28, QString()},
    {"Track255", 0, 255, 255, 28, QStringLiteral("255")},
    {"Byte125OnlyGivesTrackZeroText", 0x41, 0, 0, 30, QStringLiteral("0")},
};

class V1TrackRule : public ::testing::TestWithParam<TrackCase> {};

TEST_P(V1TrackRule, CommentWidthAndTrackFollowBytes125And126)
{
    const TrackCase& c = GetParam();
    RawBlock raw;
    raw.put(97, std::string(30, 'c')).byte(125, c.byte125).byte(126, c.byte126);
    const TAGDATA d = ParseV1Block(raw, nullptr);
    EXPECT_EQ(d.track, c.track);
    QString expectedComment(int(c.commentLength), u'c');
    if (c.commentLength == 30) {
        expectedComment[28] = QChar(c.byte125);
        if (c.byte126 != 0)
            expectedComment[29] = QChar(c.byte126);
        else
            expectedComment.truncate(29);
    }
    EXPECT_EQ(d.comment, expectedComment);
    EXPECT_EQ(V1FieldText(raw, "COMM", nullptr), expectedComment);
    EXPECT_EQ(V1FieldText(raw, "TRCK", nullptr), c.trackText);
}

INSTANTIATE_TEST_SUITE_P(Id3v1, V1TrackRule, ::testing::ValuesIn(kTrackCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Id3v1Parse, FieldsEndAtZeroOrFullWidthAndAreNotTrimmed)
{
    RawBlock raw;
    raw.put(3, std::string(30, 'T'))
        .put(33, " artist ")
        .put(63, bytes({0x83, 0x65, 0x83, 0x58, 0x83, 0x67})) // テスト
        .put(93, "19991") // the fifth byte belongs to the comment
        .byte(127, 17);
    const TAGDATA d = ParseV1Block(raw, nullptr);
    EXPECT_EQ(d.title, QString(30, u'T'));
    EXPECT_EQ(d.artist, QStringLiteral(" artist "));
    EXPECT_EQ(d.album, QStringLiteral("テスト"));
    EXPECT_EQ(d.year, QStringLiteral("1999"));
    EXPECT_EQ(d.comment, QStringLiteral("1"));
    EXPECT_EQ(d.genreByte, 17);
    EXPECT_TRUE(d.genre.isEmpty()); // no genre table
}

TEST(Id3v1Parse, GenreNameComesFromTheTable)
{
    const GenreTable english(GenreLanguage::English);
    RawBlock raw;
    raw.byte(127, 17);
    EXPECT_EQ(ParseV1Block(raw, &english).genre, english.GenreName(17));
    EXPECT_EQ(V1FieldText(raw, "TCON", &english), english.GenreName(17));
    EXPECT_FALSE(english.GenreName(17).isEmpty());
    EXPECT_TRUE(V1FieldText(raw, "TCON", nullptr).isEmpty());
}

TEST(Id3v1Parse, NotATag)
{
    RawBlock raw;
    raw.put(0, "TAX").put(3, "title");
    EXPECT_FALSE(IsV1Block(raw));
    EXPECT_TRUE(ParseV1Block(raw, nullptr).title.isEmpty());
    EXPECT_TRUE(V1FieldText(raw, "TIT2", nullptr).isEmpty());
    const Bytes shortBlock = bytes("TAGabc");
    EXPECT_FALSE(IsV1Block(shortBlock));
    EXPECT_TRUE(ParseV1Block(shortBlock, nullptr).title.isEmpty());
    EXPECT_TRUE(V1FieldText(shortBlock, "TIT2", nullptr).isEmpty());
}

TEST(Id3v1FieldText, EachIdReadsItsField)
{
    RawBlock raw;
    raw.put(3, "ti").put(33, "ar").put(63, "al").put(93, "2001").put(97, "co").byte(126, 3);
    const struct {
        const char* id;
        QString expected;
    } cases[] = {
        {"TIT2", QStringLiteral("ti")}, {"TPE1", QStringLiteral("ar")}, {"TALB", QStringLiteral("al")},
        {"TYER", QStringLiteral("2001")}, {"COMM", QStringLiteral("co")}, {"TRCK", QStringLiteral("3")},
        {"APIC", QString()}, {"TCOM", QString()}, {"TIT", QString()},
    };
    for (const auto& c : cases)
        EXPECT_EQ(V1FieldText(raw, c.id, nullptr), c.expected) << c.id;
}

TEST(Id3v1New, FreshBlock)
{
    const V1Block b = NewV1Block();
    EXPECT_EQ(field(b, 0, 3), "TAG");
    EXPECT_TRUE(std::all_of(b.begin() + 3, b.begin() + 127, [](std::uint8_t v) { return v == 0; }));
    EXPECT_EQ(b[127], 255);
    EXPECT_TRUE(IsV1Block(b));
}

struct SetCase {
    const char* name;
    const char* id;
    QString text;
    std::size_t at, width;
    std::string expected; // field bytes, zero-padded to width
};

const SetCase kSetCases[] = {
    {"TitleShortIsZeroPadded", "TIT2", QStringLiteral("abc"), 3, 30, padded("abc", 30)},
    {"Title31BytesCutTo30", "TIT2", QString(31, u'x'), 3, 30, std::string(30, 'x')},
    {"ArtistOffset", "TPE1", QStringLiteral("ar"), 33, 30, padded("ar", 30)},
    {"AlbumOffset", "TALB", QStringLiteral("al"), 63, 30, padded("al", 30)},
    {"YearWidthFour", "TYER", QStringLiteral("20011"), 93, 4, "2001"},
    {"KanjiNotSplitAtTitleEnd", "TIT2", QString(29, u'a') + QStringLiteral("漢"), 3, 30, padded(std::string(29, 'a'), 30)},
    {"KanjiNotSplitInYear", "TYER", QStringLiteral("1漢字"), 93, 4, padded("1\x8A\xBF", 4)},
    {"HalfwidthKanaFillsWholeWidth", "TIT2", QString(30, QChar(0xFF71)), 3, 30, std::string(30, '\xB1')},
    {"UnmappableBecomesQuestionMark", "TIT2", QStringLiteral("caf\u00E9"), 3, 30, padded("caf?", 30)},
    {"EmptyClears", "TIT2", QString(), 3, 30, std::string(30, '\0')},
};

class V1SetField : public ::testing::TestWithParam<SetCase> {};

TEST_P(V1SetField, WritesZeroPaddedAtCharacterBoundary)
{
    const SetCase& c = GetParam();
    V1Block b = NewV1Block();
    std::fill(b.begin() + 3, b.begin() + 127, std::uint8_t('#')); // old content is overwritten
    SetV1Field(b, c.id, c.text);
    EXPECT_EQ(field(b, c.at, c.width), c.expected);
    // Bytes next to the field are untouched.
    EXPECT_EQ(b[c.at - 1], c.at == 3 ? 'G' : '#');
    EXPECT_EQ(b[c.at + c.width], '#');
}

INSTANTIATE_TEST_SUITE_P(Id3v1, V1SetField, ::testing::ValuesIn(kSetCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Id3v1SetField, TrackTurnsFullCommentInto28Bytes)
{
    V1Block b = NewV1Block();
    SetV1Field(b, "COMM", QString(30, u'c'));
    EXPECT_EQ(field(b, 97, 30), std::string(30, 'c'));
    SetV1Field(b, "TRCK", QStringLiteral("12"));
    EXPECT_EQ(b[125], 0);
    EXPECT_EQ(b[126], 12);
    EXPECT_EQ(ParseV1Block(b, nullptr).comment, QString(28, u'c'));
}

TEST(Id3v1SetField, CommentWidthDependsOnTrackByte)
{
    V1Block b = NewV1Block();
    SetV1Field(b, "TRCK", QStringLiteral("5"));
    SetV1Field(b, "COMM", QString(30, u'c'));
    EXPECT_EQ(field(b, 97, 28), std::string(28, 'c'));
    EXPECT_EQ(b[125], 0);
    EXPECT_EQ(b[126], 5);

    V1Block noTrack = NewV1Block();
    SetV1Field(noTrack, "COMM", QString(31, u'c'));
    EXPECT_EQ(field(noTrack, 97, 30), std::string(30, 'c'));
    EXPECT_EQ(ParseV1Block(noTrack, nullptr).track, unsigned('c'));

    // A double-byte character that would straddle the 28-byte limit is left out.
    V1Block kanji = NewV1Block();
    SetV1Field(kanji, "TRCK", QStringLiteral("1"));
    SetV1Field(kanji, "COMM", QString(27, u'c') + QStringLiteral("字"));
    EXPECT_EQ(field(kanji, 97, 28), padded(std::string(27, 'c'), 28));
    EXPECT_EQ(kanji[126], 1);
}

TEST(Id3v1SetField, NumbersForTrackAndGenre)
{
    const struct {
        const char* id;
        QString text;
        std::size_t at;
        std::uint8_t expected;
    } cases[] = {
        {"TRCK", QString(), 126, 0},          {"TRCK", QStringLiteral("x"), 126, 0},
        {"TRCK", QStringLiteral("257"), 126, 1}, {"TRCK", QStringLiteral("1/10"), 126, 0},
        {"TCON", QStringLiteral("17"), 127, 17}, {"TCON", QStringLiteral("-1"), 127, 255},
        {"TCON", QStringLiteral("Rock"), 127, 255}, {"TCON", QString(), 127, 255},
    };
    for (const auto& c : cases) {
        V1Block b = NewV1Block();
        b[125] = 0x41;
        b[126] = 0x42;
        b[127] = 3;
        SetV1Field(b, c.id, c.text);
        EXPECT_EQ(b[c.at], c.expected) << c.id << " " << c.text.toStdString();
        if (std::string_view(c.id) == "TRCK")
            EXPECT_EQ(b[125], 0);
        else
            EXPECT_EQ(b[125], 0x41);
    }
}

TEST(Id3v1SetField, BlockWithoutTagIsLeftAlone)
{
    V1Block b{};
    SetV1Field(b, "TIT2", QStringLiteral("abc"));
    SetV1Field(b, "TRCK", QStringLiteral("3"));
    EXPECT_TRUE(std::all_of(b.begin(), b.end(), [](std::uint8_t v) { return v == 0; }));
}

TEST(Id3v1SetField, WrittenFieldsReadBack)
{
    V1Block b = NewV1Block();
    // The writer's order: title, artist, album, genre, track, year, comment.
    SetV1Field(b, "TIT2", QStringLiteral("曲名～テスト"));
    SetV1Field(b, "TPE1", QStringLiteral("歌手"));
    SetV1Field(b, "TALB", QStringLiteral("アルバム①"));
    SetV1Field(b, "TCON", QStringLiteral("17"));
    SetV1Field(b, "TRCK", QStringLiteral("9"));
    SetV1Field(b, "TYER", QStringLiteral("2004"));
    SetV1Field(b, "COMM", QStringLiteral("コメント"));
    const TAGDATA d = ParseV1Block(b, nullptr);
    EXPECT_EQ(d.title, QStringLiteral("曲名～テスト"));
    EXPECT_EQ(d.artist, QStringLiteral("歌手"));
    EXPECT_EQ(d.album, QStringLiteral("アルバム①"));
    EXPECT_EQ(d.genreByte, 17);
    EXPECT_EQ(d.track, 9u);
    EXPECT_EQ(d.year, QStringLiteral("2004"));
    EXPECT_EQ(d.comment, QStringLiteral("コメント"));
}

TEST(Id3v1Genre, NumberForColumnText)
{
    const GenreTable english(GenreLanguage::English);
    const QString rock = english.GenreName(17);
    EXPECT_EQ(V1GenreNumber(rock, &english), 17);
    EXPECT_EQ(V1GenreNumber(rock.toUpper(), &english), 17);
    EXPECT_EQ(V1GenreNumber(QStringLiteral("No Such Genre Here"), &english), -1);
    EXPECT_EQ(V1GenreNumber(rock, nullptr), -1);

    // Stored through SetV1Field: unknown names end as 255.
    V1Block b = NewV1Block();
    SetV1Field(b, "TCON", QString::number(V1GenreNumber(QStringLiteral("No Such Genre Here"), &english)));
    EXPECT_EQ(b[127], 255);
}

} // namespace
