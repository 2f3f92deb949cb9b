#include "platform/CodePage.h"

#include "support/Id3v2Builder.h"

#include <gtest/gtest.h>

using namespace quillory;
using quillory::test::bytes;

namespace {

struct Mapping {
    const char* name;
    Bytes sjis;
    char16_t unicode;
};

// The Microsoft table, not JIS X 0208 as other Shift-JIS tables read it.
const Mapping kMappings[] = {
    {"WaveDashIsFullwidthTilde", bytes({0x81, 0x60}), u'\uFF5E'},
    {"BackslashIsFullwidthReverseSolidus", bytes({0x81, 0x5F}), u'\uFF3C'},
    {"MinusIsFullwidthHyphenMinus", bytes({0x81, 0x7C}), u'\uFF0D'},
    {"NecCircledDigitOne", bytes({0x87, 0x40}), u'\u2460'},
    {"NecRomanNumeralOne", bytes({0x87, 0x54}), u'\u2160'},
    {"HalfwidthKatakanaA", bytes({0xB1}), u'\uFF71'},
    {"HalfwidthIdeographicFullStop", bytes({0xA1}), u'\uFF61'},
    {"HalfwidthKatakanaVoicedMark", bytes({0xDE}), u'\uFF9E'},
    {"HiraganaA", bytes({0x82, 0xA0}), u'\u3042'},
    {"KanjiAsia", bytes({0x88, 0x9F}), u'\u4E9C'},
    {"AsciiBackslashStaysBackslash", bytes({0x5C}), u'\\'},
};

class CodePageMapping : public ::testing::TestWithParam<Mapping> {};

TEST_P(CodePageMapping, DecodesAndEncodesBothWays)
{
    const Mapping& m = GetParam();
    EXPECT_EQ(CodePage::toUnicode(m.sjis), QString(QChar(m.unicode)));
    EXPECT_EQ(CodePage::toUnicodeStrict(m.sjis), QString(QChar(m.unicode)));
    bool lossless = false;
    const std::string encoded = CodePage::fromUnicode(QString(QChar(m.unicode)), ' ', &lossless);
    EXPECT_TRUE(lossless);
    EXPECT_EQ(Bytes(encoded.begin(), encoded.end()), m.sjis);
}

INSTANTIATE_TEST_SUITE_P(Cp932, CodePageMapping, ::testing::ValuesIn(kMappings),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CodePage, MixedTextRoundTrips)
{
    const QString text = QStringLiteral("Aあ～ｱ①漢");
    const std::string sjis = CodePage::fromUnicode(text);
    EXPECT_EQ(CodePage::toUnicode(viewOf(sjis)), text);
    EXPECT_EQ(CodePage::encodedLength(text), 1 + 2 + 2 + 1 + 2 + 2);
}

TEST(CodePage, JisWaveDashEncodesToTheSameByteButReadsBackFullwidth)
{
    // U+301C has no code of its own in CP932; it shares 0x8160 with U+FF5E, which is
    // what 0x8160 decodes to.
    const std::string sjis = CodePage::fromUnicode(QStringLiteral("\u301C"));
    EXPECT_EQ(sjis, std::string("\x81\x60"));
    EXPECT_EQ(CodePage::toUnicode(viewOf(sjis)), QStringLiteral("\uFF5E"));
}

struct Invalid {
    const char* name;
    Bytes sjis;
    QString lenient; // toUnicode: one undecodable mark per bad byte
};

const Invalid kInvalid[] = {
    {"LeadByteCutAtEnd", bytes({0x41, 0x82}), QStringLiteral("A・")},
    {"TrailByteOutOfRange", bytes({0x82, 0x20}), QStringLiteral("・ ")},
    {"UnassignedSingleByte", bytes({0xFD}), QStringLiteral("・")},
    {"UnassignedDoubleByte", bytes({0x85, 0x40}), QStringLiteral("・@")},
};

class CodePageInvalid : public ::testing::TestWithParam<Invalid> {};

TEST_P(CodePageInvalid, StrictRefusesLenientMarks)
{
    const Invalid& c = GetParam();
    EXPECT_FALSE(CodePage::toUnicodeStrict(c.sjis).has_value());
    EXPECT_EQ(CodePage::toUnicode(c.sjis), c.lenient);
}

INSTANTIATE_TEST_SUITE_P(Cp932, CodePageInvalid, ::testing::ValuesIn(kInvalid),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CodePage, CharactersOutsideCp932BecomeTheReplacement)
{
    const struct {
        QString text;
        std::string expected;
    } cases[] = {
        {QStringLiteral("caf\u00E9"), "caf?"},
        {QString::fromUcs4(U"a\U0001F600b"), "a?b"}, // one replacement for the whole pair
        {QString(QChar(0xD800)), "?"},                // half a pair
    };
    for (const auto& c : cases) {
        bool lossless = true;
        EXPECT_EQ(CodePage::fromUnicode(c.text, '?', &lossless), c.expected) << c.text.toStdString();
        EXPECT_FALSE(lossless);
        EXPECT_FALSE(CodePage::canEncode(c.text));
    }
    EXPECT_TRUE(CodePage::canEncode(QStringLiteral("ＡＢＣ～")));
}

struct Cut {
    const char* name;
    Bytes text;
    std::size_t max;
    std::size_t expected;
};

const Cut kCuts[] = {
    {"ShorterThanLimit", bytes({0x41, 0x42}), 5, 2},
    {"AsciiCutExactly", bytes({0x41, 0x42, 0x43}), 2, 2},
    {"DoubleByteNotSplit", bytes({0x41, 0x82, 0xA0}), 2, 1},
    {"DoubleByteFitsWhole", bytes({0x82, 0xA0, 0x82, 0xA2}), 2, 2},
    {"HalfwidthKanaIsOneByte", bytes({0xB1, 0xB2, 0xB3}), 2, 2},
    {"TrailByteValueInAsciiRange", bytes({0x83, 0x5C, 0x41}), 1, 0}, // 0x5C is a trail byte here
    {"ZeroLimit", bytes({0x41}), 0, 0},
};

class CodePageCut : public ::testing::TestWithParam<Cut> {};

TEST_P(CodePageCut, NeverSplitsADoubleByteCharacter)
{
    const Cut& c = GetParam();
    EXPECT_EQ(CodePage::cutAtCharBoundary(c.text, c.max), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cp932, CodePageCut, ::testing::ValuesIn(kCuts),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
