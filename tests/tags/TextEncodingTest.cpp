#include "tags/TextEncoding.h"

#include "support/Id3v2Builder.h"

#include <gtest/gtest.h>

using namespace quillory;
using quillory::test::bytes;

namespace {

struct DecodeCase {
    const char* name;
    int encoding;
    Bytes text;
    QString expected;
};

const DecodeCase kDecodeCases[] = {
    {"Utf16BigEndianMark", 1, bytes({0xFE, 0xFF, 0x00, 0x41, 0x00, 0x42, 0x00, 0x00}), QStringLiteral("AB")},
    {"Utf16LittleEndianMark", 1, bytes({0xFF, 0xFE, 0x41, 0x00, 0x42, 0x00, 0x00, 0x00}), QStringLiteral("AB")},
    {"Utf16WithoutMarkIsEmpty", 1, bytes({0x41, 0x00, 0x42, 0x00}), QString()},
    {"Utf16EndsAtFirstZeroUnit", 1, bytes({0xFF, 0xFE, 0x41, 0x00, 0x00, 0x00, 0x42, 0x00}), QStringLiteral("A")},
    {"Utf16ZeroByteInsideUnitIsNoTerminator", 1, bytes({0xFF, 0xFE, 0x00, 0x30, 0x41, 0x00}),
     QStringLiteral("\u3000A")},
    {"Utf16OddTrailingByteIgnored", 1, bytes({0xFF, 0xFE, 0x41, 0x00, 0x42}), QStringLiteral("A")},
    {"Utf16OnlyMark", 1, bytes({0xFF, 0xFE}), QString()},
    {"Utf16HalfMark", 1, bytes({0xFF}), QString()},
    {"Utf16LeSurrogatePairKept", 1, bytes({0xFF, 0xFE, 0x3D, 0xD8, 0x00, 0xDE}), QString::fromUcs4(U"\U0001F600")},
    {"Utf16BeNoMark", 2, bytes({0x00, 0x41, 0x00, 0x42}), QStringLiteral("AB")},
    {"Utf16BeNoMarkTerminated", 2, bytes({0x30, 0x42, 0x00, 0x00, 0x00, 0x41}), QStringLiteral("\u3042")},
    {"Utf8SkipsMark", 3, bytes({0xEF, 0xBB, 0xBF, 0x41}), QStringLiteral("A")},
    {"Utf8ThreeBytes", 3, bytes({0xE3, 0x81, 0x82}), QStringLiteral("\u3042")},
    {"Utf8TwoBytes", 3, bytes({0xC3, 0xA9, 0x00, 0x41}), QStringLiteral("\u00E9")},
    {"Utf8FourBytesGiveSurrogatePair", 3, bytes({0xF0, 0x9F, 0x98, 0x80}), QString::fromUcs4(U"\U0001F600")},
    {"Utf8RareKanjiBeyondBmp", 3, bytes({0xF0, 0xA0, 0x80, 0x8B}), QString::fromUcs4(U"\U0002000B")},
    {"Utf8SequenceCutByEndIsDropped", 3, bytes({0x41, 0xE3, 0x81}), QStringLiteral("A")},
    {"Utf8FourByteSequenceCutByEnd", 3, bytes({0x41, 0xF0, 0x9F, 0x98}), QStringLiteral("A")},
    {"Utf8TerminatorInsideSequenceEndsText", 3, bytes({0x41, 0xE3, 0x00, 0x82, 0x42}), QStringLiteral("A")},
    // Continuation bytes are not checked: a stray one starts a three-byte sequence.
    {"Utf8StrayContinuationByLengthRule", 3, bytes({0x81, 0x41, 0x42}), QChar(char16_t(0x1042))},
    {"Utf8BeyondUnicodeIsReplacement", 3, bytes({0xF7, 0xBF, 0xBF, 0xBF}), QStringLiteral("\uFFFD")},
    {"SjisUpToZeroByte", 0, bytes({0x82, 0xA0, 0x41, 0x00, 0x42}), QStringLiteral("\u3042A")},
    {"SjisWaveDash", 0, bytes({0x81, 0x60}), QStringLiteral("\uFF5E")},
    {"UnknownEncodingReadAsCodePage", 7, bytes({0x41, 0x42}), QStringLiteral("AB")},
    {"EmptySjis", 0, Bytes(), QString()},
    {"EmptyUtf8", 3, Bytes(), QString()},
};

class DecodeFrameTextCases : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeFrameTextCases, Decodes)
{
    const DecodeCase& c = GetParam();
    EXPECT_EQ(DecodeFrameText(c.text, c.encoding), c.expected);
}

INSTANTIATE_TEST_SUITE_P(TextEncoding, DecodeFrameTextCases, ::testing::ValuesIn(kDecodeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TextEncodingUtf16, AnsiToUtf16FollowsTheByteOrderOption)
{
    const Bytes ab = bytes("AB");
    EXPECT_EQ(AnsiToUtf16(ab, Utf16Mark::Default, true), bytes({0xFF, 0xFE, 0x41, 0x00, 0x42, 0x00, 0x00, 0x00}));
    EXPECT_EQ(AnsiToUtf16(ab, Utf16Mark::Default, false), bytes({0xFE, 0xFF, 0x00, 0x41, 0x00, 0x42, 0x00, 0x00}));
}

TEST(TextEncodingUtf16, ExplicitMarksOverrideTheOption)
{
    const QString a = QStringLiteral("\u3042");
    EXPECT_EQ(WideToUtf16(a, Utf16Mark::BigEndian, true), bytes({0xFE, 0xFF, 0x30, 0x42, 0x00, 0x00}));
    EXPECT_EQ(WideToUtf16(a, Utf16Mark::LittleEndian, false), bytes({0xFF, 0xFE, 0x42, 0x30, 0x00, 0x00}));
    EXPECT_EQ(WideToUtf16(a, Utf16Mark::None, true), bytes({0x30, 0x42, 0x00, 0x00}));
    EXPECT_EQ(WideToUtf16(QString(), Utf16Mark::LittleEndian), bytes({0xFF, 0xFE, 0x00, 0x00}));
}

TEST(TextEncodingUtf16, AnsiToUtf16ConvertsShiftJisAndStopsAtTerminator)
{
    EXPECT_EQ(AnsiToUtf16(bytes({0x82, 0xA0, 0x00, 0x41}), Utf16Mark::LittleEndian),
              bytes({0xFF, 0xFE, 0x42, 0x30, 0x00, 0x00}));
    EXPECT_FALSE(AnsiToUtf16(bytes({0x41, 0x82}), Utf16Mark::LittleEndian).has_value());
}

TEST(TextEncodingUtf16, EncodedTextDecodesBack)
{
    const QString text = QString::fromUcs4(U"曲名～\U0001F600");
    for (Utf16Mark mark : {Utf16Mark::LittleEndian, Utf16Mark::BigEndian}) {
        const Bytes encoded = WideToUtf16(text, mark);
        EXPECT_EQ(DecodeFrameText(encoded, 1), text);
    }
    EXPECT_EQ(DecodeFrameText(WideToUtf16(text, Utf16Mark::None), 2), text);
}

struct Utf8Case {
    const char* name;
    QString text;
    Bytes expected;
};

const Utf8Case kUtf8Cases[] = {
    {"Ascii", QStringLiteral("A"), bytes({0x41, 0x00})},
    {"Empty", QString(), bytes({0x00})},
    {"TwoBytes", QStringLiteral("\u00E9"), bytes({0xC3, 0xA9, 0x00})},
    {"TwoBytesUpperBound", QStringLiteral("\u07FF"), bytes({0xDF, 0xBF, 0x00})},
    {"ThreeBytes", QStringLiteral("\u3042"), bytes({0xE3, 0x81, 0x82, 0x00})},
    {"ThreeBytesLowerBound", QStringLiteral("\u0800"), bytes({0xE0, 0xA0, 0x80, 0x00})},
    {"SurrogatePairAsFourBytes", QString::fromUcs4(U"\U0001F600"), bytes({0xF0, 0x9F, 0x98, 0x80, 0x00})},
    {"LastPlane", QString::fromUcs4(U"\U0010FFFD"), bytes({0xF4, 0x8F, 0xBF, 0xBD, 0x00})},
    {"LoneSurrogateIsReplacement", QString(QChar(0xDC00)), bytes({0xEF, 0xBF, 0xBD, 0x00})},
};

class WideToUtf8Cases : public ::testing::TestWithParam<Utf8Case> {};

TEST_P(WideToUtf8Cases, EncodesWithOneTerminator)
{
    const Utf8Case& c = GetParam();
    EXPECT_EQ(WideToUtf8(c.text), c.expected);
}

INSTANTIATE_TEST_SUITE_P(TextEncoding, WideToUtf8Cases, ::testing::ValuesIn(kUtf8Cases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TextEncodingUtf8, AnsiToUtf8)
{
    EXPECT_EQ(AnsiToUtf8(bytes("A")), bytes({0x41, 0x00}));
    EXPECT_EQ(AnsiToUtf8(bytes({0x82, 0xA0})), bytes({0xE3, 0x81, 0x82, 0x00}));
    EXPECT_FALSE(AnsiToUtf8(bytes({0xFD})).has_value());
}

TEST(TextEncodingUtf8, EncodedTextDecodesBack)
{
    const QString text = QString::fromUcs4(U"Ｑuillory 𠀋 テスト é");
    Bytes encoded = WideToUtf8(text);
    EXPECT_EQ(DecodeFrameText(encoded, 3), text);
    // The same bytes as an independent encoder gives.
    encoded.pop_back();
    const QByteArray reference = text.toUtf8();
    EXPECT_EQ(encoded, Bytes(reference.begin(), reference.end()));
}

struct AnsiCase {
    const char* name;
    QString text;
    Bytes expected;
};

const AnsiCase kAnsiCases[] = {
    {"Ascii", QStringLiteral("AB"), bytes({0x41, 0x42, 0x00})},
    {"Kana", QStringLiteral("\u3042\uFF71"), bytes({0x82, 0xA0, 0xB1, 0x00})},
    {"LittleEndianMarkDropped", QStringLiteral("\uFEFFA"), bytes({0x41, 0x00})},
    // A big-endian text read as little-endian: mark FFFE, every unit swapped.
    {"BigEndianMarkSwapsUnits", QString::fromUtf16(u"\uFFFE\u4100\u4230"), bytes({0x41, 0x82, 0xA0, 0x00})},
    {"UnmappableBecomesBlank", QStringLiteral("a\u00E9b"), bytes({0x61, 0x20, 0x62, 0x00})},
    {"PairBecomesOneBlank", QString::fromUcs4(U"\U0001F600"), bytes({0x20, 0x00})},
    {"Empty", QString(), bytes({0x00})},
};

class WideToAnsiCases : public ::testing::TestWithParam<AnsiCase> {};

TEST_P(WideToAnsiCases, ConvertsWithTerminator)
{
    const AnsiCase& c = GetParam();
    EXPECT_EQ(WideToAnsi(c.text), c.expected);
}

INSTANTIATE_TEST_SUITE_P(TextEncoding, WideToAnsiCases, ::testing::ValuesIn(kAnsiCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct CodeCase {
    const char* name;
    Bytes content;
    bool hasLanguage;
    int expected;
};

const CodeCase kCodeCases[] = {
    {"Sjis", bytes({0x00, 0x41}), false, kCodeSjis},
    {"Utf16Le", bytes({0x01, 0xFF, 0xFE, 0x41, 0x00}), false, kCodeUtf16Le},
    {"Utf16Be", bytes({0x01, 0xFE, 0xFF, 0x00, 0x41}), false, kCodeUtf16Be},
    {"Utf16NoMark", bytes({0x01, 0x41, 0x00}), false, kCodeUnknown},
    {"Utf16Cut", bytes({0x01, 0xFF}), false, kCodeUnknown},
    {"Utf16BeNoMark", bytes({0x02, 0x00, 0x41}), false, kCodeUtf16BeNoMark},
    {"Utf8", bytes({0x03, 0x41}), false, kCodeUtf8},
    {"OtherByteIsItsOwnValue", bytes({0x09}), false, 9},
    {"CommentLooksPastLanguage", bytes({0x01, 'j', 'p', 'n', 0xFE, 0xFF, 0x00, 0x00}), true, kCodeUtf16Be},
    {"CommentLanguageIsNoMark", bytes({0x01, 0xFF, 0xFE, 'n', 0x41, 0x00}), true, kCodeUnknown},
    {"Empty", Bytes(), false, kCodeUnknown},
};

class TextCodeOfFrameCases : public ::testing::TestWithParam<CodeCase> {};

TEST_P(TextCodeOfFrameCases, ReadsEncodingAndMark)
{
    const CodeCase& c = GetParam();
    EXPECT_EQ(TextCodeOfFrame(c.content, c.hasLanguage), c.expected);
}

INSTANTIATE_TEST_SUITE_P(TextEncoding, TextCodeOfFrameCases, ::testing::ValuesIn(kCodeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TextCode, NamesAndBack)
{
    const struct {
        int code;
        const char* name;
        int back;
    } cases[] = {
        {kCodeSjis, "Sjis", 0},        {kCodeUtf16Be, "Utf16 be", 1}, {kCodeUtf16Le, "Utf16 le", 1},
        {kCodeUtf8, "Utf8", 3},        {kCodeUtf16BeNoMark, "", -1},  {kCodeUnknown, "", -1},
        {4, "", -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TextCodeName(c.code), QString::fromLatin1(c.name)) << c.code;
        EXPECT_EQ(TextCodeFromName(QString::fromLatin1(c.name)), c.back) << c.name;
    }
    EXPECT_EQ(TextCodeFromName(QStringLiteral("Utf16")), 1);
    EXPECT_EQ(TextCodeFromName(QStringLiteral("sjis")), -1);
}

TEST(TextCode, CombiningCodesOverATag)
{
    // The loader ANDs the codes of the frames it reads, starting from all ones.
    auto combine = [](std::initializer_list<int> codes) {
        int running = kCodeUnknown;
        for (int c : codes)
            running &= c;
        return TextCodeName(running);
    };
    const Bytes le = bytes({0x01, 0xFF, 0xFE, 0x41, 0x00});
    const Bytes be = bytes({0x01, 0xFE, 0xFF, 0x00, 0x41});
    const int leCode = TextCodeOfFrame(le, false);
    const int beCode = TextCodeOfFrame(be, false);
    EXPECT_EQ(combine({leCode, leCode}), QStringLiteral("Utf16 le"));
    EXPECT_EQ(combine({leCode, leCode, beCode}), QStringLiteral("Utf16 be"));
    EXPECT_EQ(combine({leCode, kCodeUtf8}), QStringLiteral("Utf16 be"));
    EXPECT_EQ(combine({kCodeUtf8, kCodeSjis}), QStringLiteral("Sjis"));
    EXPECT_EQ(combine({}), QString());
}

} // namespace
