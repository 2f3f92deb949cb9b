#include "app/ListPaint.h"
#include "app/ListColumns.h"
#include "app/RowStore.h"

#include <gtest/gtest.h>

using namespace quillory;

TEST(ListPaint, TagSizeIsShownWithSeparatorsAndNothingForZero)
{
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {{"0", ""}, {"", ""}, {"abc", ""}, {"1048576", "1,048,576"}, {"123456", "123,456"}, {"999", "999"}};
    for (const Case& c : cases)
        EXPECT_EQ(FormatTagSize(QString::fromLatin1(c.in)), QString::fromLatin1(c.out)) << c.in;
}

TEST(ListPaint, CellTextIsCaptionThenSubItems)
{
    RowStore s;
    ListRow& r = s.AddPlaceholderRow(QStringLiteral("/m/曲.mp3"), {}, false);
    EXPECT_EQ(ListCellText(r, 0), QString());
    EXPECT_EQ(ListCellText(r, columnOfSubItem(ColTitle)), QStringLiteral("曲.mp3"));
    EXPECT_EQ(ListCellText(r, columnOfSubItem(ColArtist)), kFetchingText);
    r.caption = QStringLiteral("1");
    r.sub[ColTagSize] = QStringLiteral("2048");
    EXPECT_EQ(ListCellText(r, 0), QStringLiteral("1"));
    EXPECT_EQ(ListCellText(r, columnOfSubItem(ColTagSize)), QStringLiteral("2,048"));
    EXPECT_EQ(ListCellText(r, 99), QString());
}

struct ColourCase {
    const char* path;
    const char* tagKind;
    const char* mask;
    int image;
    RowTextColour expected;
};

class ListPaintColour : public ::testing::TestWithParam<ColourCase> {};

TEST_P(ListPaintColour, TextColourPrecedence)
{
    const ColourCase c = GetParam();
    RowStore s;
    ListRow& r = s.AddPlaceholderRow(QString::fromLatin1(c.path), {}, false);
    r.sub[ColTagKind] = QString::fromLatin1(c.tagKind);
    r.sub[ColChangedV2] = QString::fromLatin1(c.mask);
    r.image = c.image;
    EXPECT_EQ(RowTextColourOf(r), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ListPaintColour,
    ::testing::Values(ColourCase{"/a.mp3", "v2.3", "0", -1, RowTextColour::Default},
                      ColourCase{"/a.wma", "wma", "0", -1, RowTextColour::Wma},
                      ColourCase{"/a.WAV", "riff", "0", -1, RowTextColour::Wave},
                      ColourCase{"/a.wav", "wma", "0", -1, RowTextColour::Wave},
                      ColourCase{"/a.wav", "riff", "32768", 8, RowTextColour::Edited},
                      ColourCase{"/a.mp3", "v2.3", "0", 9, RowTextColour::Playing},
                      ColourCase{"/a.mp3", "v2.3", "16384", 10, RowTextColour::Edited},
                      ColourCase{"/a.mp3", "v2.3", "16384", 11, RowTextColour::Playing},
                      ColourCase{"/a.mp3", "v2.3", "0", 12, RowTextColour::Default}));

TEST(ListPaint, ChangeMarksFollowTheBitsOfEachSide)
{
    RowStore s;
    ListRow& r = s.AddPlaceholderRow(QStringLiteral("/a.mp3"), {}, false);
    r.sub[ColChangedV2] = QString::number(0x4000 | 0x0100); // artist, composer
    r.sub[ColChangedV1] = QString::number(0x8000);
    EXPECT_TRUE(CellChanged(r, columnOfSubItem(ColArtist), PrimarySide::V2));
    EXPECT_FALSE(CellChanged(r, columnOfSubItem(ColTitle), PrimarySide::V2));
    EXPECT_TRUE(CellChanged(r, columnOfSubItem(ColComposer), PrimarySide::V2));
    EXPECT_FALSE(CellChanged(r, columnOfSubItem(ColTagKind), PrimarySide::V2));
    EXPECT_FALSE(CellChanged(r, 0, PrimarySide::V2));
    // In the v1 view the v2 side's mask is in sub-item 17.
    std::swap(r.sub[ColChangedV2], r.sub[ColChangedV1]);
    EXPECT_TRUE(CellChanged(r, columnOfSubItem(ColTitle), PrimarySide::V1));
    EXPECT_TRUE(CellChanged(r, columnOfSubItem(ColComposer), PrimarySide::V1));
    r.sub[ColChangedV2] = QStringLiteral("junk");
    EXPECT_FALSE(CellChanged(r, columnOfSubItem(ColTitle), PrimarySide::V1));
}

TEST(ListPaint, StripesAndPlayingRowBackground)
{
    Rgb panel = rgb(0x80, 0x80, 0x80);
    StripeColours plain = StripeColoursFor(panel, false);
    StripeColours grid = StripeColoursFor(panel, true);
    EXPECT_EQ(plain.even, MixTowardWhite(panel, 30));
    EXPECT_EQ(plain.odd, MixTowardWhite(panel, 70));
    EXPECT_EQ(grid.even, MixTowardWhite(panel, 80));
    EXPECT_EQ(MixTowardWhite(panel, 255), rgb(255, 255, 255));
    EXPECT_EQ(MixTowardWhite(panel, 0), panel);
    Rgb window = rgb(255, 255, 255);
    EXPECT_EQ(RowBackground(4, false, false, plain, window), window);
    EXPECT_EQ(RowBackground(4, true, false, plain, window), plain.even);
    EXPECT_EQ(RowBackground(3, false, true, plain, window), plain.odd);
    EXPECT_EQ(RowBackground(3, true, true, plain, window), Darken(plain.odd, 5));
    EXPECT_EQ(Darken(rgb(2, 10, 255), 5), rgb(0, 5, 250));
}

TEST(ListPaint, FiveSchemesWithTheirNames)
{
    const char* names[] = {"Gray", "Navy", "Purple", "Wine Red", "Green"};
    for (int i = 0; i < kColourSchemeCount; ++i)
        EXPECT_EQ(ColourSchemeAt(i).name, QString::fromLatin1(names[i]));
    EXPECT_EQ(ColourSchemeAt(7).name, QStringLiteral("Gray"));
    EXPECT_EQ(ColourSchemeAt(-1).name, QStringLiteral("Gray"));
}
