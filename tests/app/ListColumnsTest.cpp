#include "app/ListColumns.h"
#include "app/ListRow.h"

#include <gtest/gtest.h>

using namespace quillory;

namespace {

std::vector<int> widthsOf(const std::vector<ColumnGeometry>& g)
{
    std::vector<int> w;
    for (const auto& c : g)
        w.push_back(c.width);
    return w;
}

} // namespace

TEST(ListColumns, CaptionsAndInitialWidthsOfTheShownColumns)
{
    const auto& s = ListColumnDefs();
    EXPECT_EQ(s[0].caption, QStringLiteral("No"));
    EXPECT_EQ(s[0].width, 69);
    EXPECT_EQ(s[0].minWidth, 50);
    EXPECT_EQ(s[0].maxWidth, 80);
    EXPECT_TRUE(s[0].rightAligned);
    EXPECT_EQ(s[columnOfSubItem(ColTitle)].caption, QStringLiteral("タイトル（曲名）"));
    EXPECT_EQ(s[columnOfSubItem(ColTitle)].width, 208);
    EXPECT_EQ(s[columnOfSubItem(ColTrack)].caption, QStringLiteral("Track"));
    EXPECT_TRUE(s[columnOfSubItem(ColTrack)].rightAligned);
    EXPECT_EQ(s[columnOfSubItem(ColTrack)].maxWidth, 45);
    EXPECT_EQ(s[columnOfSubItem(ColCommentV1)].caption, QStringLiteral("commet"));
    EXPECT_EQ(s[columnOfSubItem(ColAudioFormat)].caption, QStringLiteral("音声形式"));
    EXPECT_TRUE(s[columnOfSubItem(ColTagSize)].rightAligned);
}

struct MaskCase {
    int sub;
    int bit;
};

class ListColumnsMask : public ::testing::TestWithParam<MaskCase> {};

TEST_P(ListColumnsMask, OptionalColumnFollowsItsBitOnly)
{
    const MaskCase c = GetParam();
    EXPECT_EQ(ColumnMaskBit(c.sub), c.bit);
    ColumnLayout layout;
    std::vector<int> widths = widthsOf(layout.geometry());
    const auto& g = layout.SetVisibleColumns(1 << c.bit, false, false, widths);
    int col = columnOfSubItem(c.sub);
    EXPECT_GE(g[col].width, 50);
    EXPECT_EQ(g[col].minWidth, 50);
    EXPECT_EQ(g[col].maxWidth, kNoMaxWidth);
    // Every other optional column stays closed.
    for (int sub = 0; sub < ColPictureDescription; ++sub) {
        int bit = ColumnMaskBit(sub);
        if (bit >= 0 && bit != c.bit) {
            EXPECT_EQ(g[columnOfSubItem(sub)].width, 0) << sub;
            EXPECT_EQ(g[columnOfSubItem(sub)].maxWidth, 1) << sub;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllBits, ListColumnsMask,
                         ::testing::Values(MaskCase{ColComposer, 0}, MaskCase{ColLyricist, 1}, MaskCase{ColLabel, 2},
                                           MaskCase{ColCopyright, 3}, MaskCase{ColEncoder, 4}, MaskCase{ColUrl, 5},
                                           MaskCase{ColPicture, 6}, MaskCase{ColUnsync, 7},
                                           MaskCase{ColTextCode, 8}, MaskCase{ColTagSize, 9},
                                           MaskCase{ColAudioFormat, 10}));

TEST(ListColumns, AlwaysHiddenColumnsStayClosedWithEveryBitSet)
{
    ColumnLayout layout;
    const auto& g = layout.SetVisibleColumns(0x7FF, false, false, widthsOf(layout.geometry()));
    for (int sub : {ColComment, ColChangedV2, ColTitleV1, ColCommentV1, ColChangedV1, ColDiscSet, ColLyrics, ColPath,
                    ColNumber}) {
        EXPECT_EQ(g[columnOfSubItem(sub)].width, 0) << sub;
        EXPECT_LE(g[columnOfSubItem(sub)].maxWidth, 1) << sub;
        EXPECT_EQ(layout.clampWidth(columnOfSubItem(sub), 300), 0) << sub;
    }
}

TEST(ListColumns, HiddenOptionalColumnComesBackAtItsWidth)
{
    ColumnLayout layout;
    int col = columnOfSubItem(ColComposer);
    std::vector<int> w = widthsOf(layout.SetVisibleColumns(1, false, false, widthsOf(layout.geometry())));
    w[std::size_t(col)] = 120; // the user widened it
    w = widthsOf(layout.SetVisibleColumns(0, false, false, w));
    EXPECT_EQ(w[std::size_t(col)], 0);
    w = widthsOf(layout.SetVisibleColumns(1, false, false, w));
    EXPECT_EQ(w[std::size_t(col)], 120);
    // While the fit-to-window button is down a shown column always opens at 50.
    w = widthsOf(layout.SetVisibleColumns(0, false, true, w));
    w = widthsOf(layout.SetVisibleColumns(1, false, true, w));
    EXPECT_EQ(w[std::size_t(col)], 50);
}

TEST(ListColumns, V1ViewKeepsOptionalColumnsAndRestoresMainWidthsOnReturn)
{
    ColumnLayout layout;
    std::vector<int> w = widthsOf(layout.SetVisibleColumns(0, false, false, widthsOf(layout.geometry())));
    w[1] = 300;
    w[2] = 150;
    w[3] = 100;
    const auto& v1 = layout.SetVisibleColumns(0, true, false, w);
    EXPECT_TRUE(v1[1].autoSize);
    EXPECT_TRUE(v1[3].autoSize);
    std::vector<int> inV1 = widthsOf(v1);
    inV1[1] = 90;
    inV1[2] = 90;
    inV1[3] = 90;
    const auto& back = layout.SetVisibleColumns(0, false, false, inV1);
    EXPECT_EQ(back[1].width, 300);
    EXPECT_EQ(back[2].width, 150);
    EXPECT_EQ(back[3].width, 100);
    EXPECT_FALSE(back[1].autoSize);
}

TEST(ListColumns, FitWidthsSplitsTheFreeWidthAmongTheTextColumns)
{
    ColumnLayout layout;
    std::vector<int> w = widthsOf(layout.SetVisibleColumns(0, false, true, widthsOf(layout.geometry())));
    int fixed = 0;
    for (int c = 0; c < kListColumnCount; ++c)
        if (c < 1 || c > 3)
            fixed += w[std::size_t(c)];
    std::vector<int> fit = layout.FitWidths(fixed + 601, w);
    EXPECT_EQ(fit[1] + fit[2] + fit[3], 601);
    EXPECT_LE(std::abs(fit[1] - fit[3]), 1);
    // A narrow view never squeezes a column below its minimum.
    fit = layout.FitWidths(10, w);
    EXPECT_GE(fit[1], 30);
}

TEST(ListColumns, DraggedWidthsAreClampedToTheLimits)
{
    ColumnLayout layout;
    EXPECT_EQ(layout.clampWidth(0, 200), 80);
    EXPECT_EQ(layout.clampWidth(0, 10), 50);
    EXPECT_EQ(layout.clampWidth(columnOfSubItem(ColGenre), 500), 150);
    EXPECT_EQ(layout.clampWidth(columnOfSubItem(ColComposer), 500), 0); // closed by the mask
}
