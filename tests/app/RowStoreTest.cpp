#include "app/RowStore.h"
#include "media/Genres.h"

#include <gtest/gtest.h>

using namespace quillory;

namespace {

RowStore storeWith(int n)
{
    RowStore s;
    for (int i = 0; i < n; ++i)
        s.AddPlaceholderRow(QStringLiteral("/m/f%1.mp3").arg(i), {}, false);
    return s;
}

} // namespace

TEST(RowStore, PlaceholderRowHasFileNameAndFetchingText)
{
    RowStore s;
    ListRow& r = s.AddPlaceholderRow(QStringLiteral("/music/曲.mp3"), {}, true);
    EXPECT_TRUE(r.caption.isEmpty());
    EXPECT_FALSE(r.isRead());
    EXPECT_TRUE(r.ghosted);
    EXPECT_EQ(r.sub[ColTitle], QStringLiteral("曲.mp3"));
    EXPECT_EQ(r.sub[ColArtist], kFetchingText);
    EXPECT_EQ(r.sub[ColTitleV1], QStringLiteral("曲.mp3"));
    EXPECT_EQ(r.sub[ColArtistV1], kFetchingText);
    EXPECT_EQ(r.sub[ColChangedV2], QStringLiteral("0"));
    EXPECT_EQ(r.sub[ColChangedV1], QStringLiteral("0"));
    EXPECT_EQ(r.sub[ColPath], QStringLiteral("/music/曲.mp3"));
    EXPECT_EQ(r.sub[ColNumber], QStringLiteral("0000000"));
    for (int c : {ColAlbum, ColGenre, ColTagKind, ColComposer, ColTagSize, ColPlaySeconds})
        EXPECT_TRUE(r.sub[std::size_t(c)].isEmpty()) << c;
    EXPECT_EQ(s.AddPlaceholderRow(QStringLiteral("/x.wav"), QStringLiteral("表示名"), false).sub[ColTitle],
              QStringLiteral("表示名"));
}

TEST(RowStore, InsertionNumbersRepeatAfterDeletion)
{
    RowStore s = storeWith(3);
    s.removeAt(1);
    s.AddPlaceholderRow(QStringLiteral("/m/new.mp3"), {}, false);
    EXPECT_EQ(s.row(1).sub[ColNumber], QStringLiteral("0000002"));
    EXPECT_EQ(s.row(2).sub[ColNumber], QStringLiteral("0000002"));
}

TEST(RowStore, MarkFieldChangedSetsAndClearsBits)
{
    struct Case { const char* mask; int field; bool clear; const char* want; };
    const Case cases[] = {
        {"0", FieldTitle, false, "32768"},
        {"32768", FieldArtist, false, "49152"},
        {"49152", FieldTitle, true, "16384"},
        {"0", ColPicture, false, "1"},
        {"0", ColUrl, false, "2"},
        {"0", ColComposer, false, "256"},
        {"abc", FieldAlbum, false, "8192"},   // not a number counts as 0
        {"5", FieldTagKind, false, "5"},      // no bit: unchanged
        {"5", ColPath, false, "5"},
        {"1", ColPicture, true, "0"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MarkFieldChanged(QString::fromLatin1(c.mask), c.field, c.clear), QString::fromLatin1(c.want))
            << c.mask << " field " << c.field;
}

TEST(RowStore, SwapTwiceInOneDirectionSwapsOnce)
{
    RowStore s = storeWith(2);
    s.row(0).sub[ColTitle] = QStringLiteral("v2 title");
    s.row(0).sub[ColTitleV1] = QStringLiteral("v1 title");
    s.row(0).sub[ColChangedV1] = QStringLiteral("512");
    const auto before = s.row(0).sub;

    EXPECT_TRUE(s.SwapTagBlocks(PrimarySide::V1));
    EXPECT_FALSE(s.SwapTagBlocks(PrimarySide::V1));
    EXPECT_EQ(s.row(0).sub[ColTitle], QStringLiteral("v1 title"));
    EXPECT_EQ(s.row(0).sub[ColTitleV1], QStringLiteral("v2 title"));
    EXPECT_EQ(s.row(0).image, kImageEdited);
    EXPECT_TRUE(s.SwapTagBlocks(PrimarySide::V2));
    EXPECT_EQ(s.row(0).sub, before);
    EXPECT_EQ(s.row(0).image, kImageEdited); // the v1 edit still counts in the v2 view
    EXPECT_EQ(s.row(1).image, kImageNone);
}

TEST(RowStore, RenumberSkipsUnreadRowsAndCarriesSelection)
{
    RowStore s = storeWith(4);
    s.row(0).caption = QStringLiteral("9");
    s.row(1).caption = QStringLiteral("S7");
    s.row(2).sub[ColNumber] = QStringLiteral("S0000002");
    s.row(2).caption = QStringLiteral("1");
    // row 3 is not read: caption stays empty with all, loop stops there without all.
    s.RenumberRows(true);
    EXPECT_EQ(s.row(0).caption, QStringLiteral("1"));
    EXPECT_EQ(s.row(1).caption, QStringLiteral("2"));
    EXPECT_EQ(s.row(2).caption, QStringLiteral("3"));
    EXPECT_TRUE(s.row(3).caption.isEmpty());
    EXPECT_FALSE(s.row(0).selected);
    EXPECT_TRUE(s.row(1).selected);
    EXPECT_TRUE(s.row(2).selected);
    EXPECT_EQ(s.row(2).sub[ColNumber], QStringLiteral("0000002"));

    RowStore t = storeWith(3);
    t.row(0).caption = QStringLiteral("5");
    t.row(2).caption = QStringLiteral("6");
    t.RenumberRows(false);
    EXPECT_EQ(t.row(0).caption, QStringLiteral("1"));
    EXPECT_EQ(t.row(2).caption, QStringLiteral("6")); // stopped at the unread row 1
}

TEST(RowStore, PlayingNumberIsFoundWhileRenumbering)
{
    RowStore s = storeWith(3);
    for (int i = 0; i < 3; ++i)
        s.row(i).caption = QStringLiteral("x");
    int playing = -1;
    s.RenumberRows(true, QStringLiteral("0000002"), &playing);
    EXPECT_EQ(playing, 2);
}

TEST(RowStore, V1GenreAcceptedOnlyFromTheV1List)
{
    GenreTable genres(GenreLanguage::English);
    RowStore s = storeWith(1);
    ListRow& r = s.row(0);
    SetRowField(r, kOtherBase, FieldGenre, QStringLiteral("Rock"), PrimarySide::V2, &genres);
    EXPECT_EQ(r.sub[ColGenreV1], QStringLiteral("Rock"));
    SetRowField(r, kOtherBase, FieldGenre, QStringLiteral("Not A Genre"), PrimarySide::V2, &genres);
    EXPECT_EQ(r.sub[ColGenreV1], QStringLiteral("Rock"));
    // The v2 genre is free text.
    SetRowField(r, kShownBase, FieldGenre, QStringLiteral("Not A Genre"), PrimarySide::V2, &genres);
    EXPECT_EQ(r.sub[ColGenre], QStringLiteral("Not A Genre"));
    // In the v1 view the v1 block is the shown one.
    SetRowField(r, kShownBase, FieldGenre, QStringLiteral("Free"), PrimarySide::V1, &genres);
    EXPECT_EQ(r.sub[ColGenre], QStringLiteral("Not A Genre"));
    EXPECT_EQ(GetRowField(r, -1, 0), QString());
    EXPECT_EQ(GetRowField(r, 0, ColPath), QStringLiteral("/m/f0.mp3"));
}

TEST(RowStore, UpdateRowImageKeepsPlayingMark)
{
    RowStore s = storeWith(1);
    ListRow& r = s.row(0);
    r.sub[ColChangedV2] = QStringLiteral("8");
    UpdateRowImage(r, 0);
    EXPECT_EQ(r.image, kImageEdited);
    r.image = 10;
    UpdateRowImage(r, 0, 0);
    EXPECT_EQ(r.image, 10);
    UpdateRowImage(r, 0, 5);
    EXPECT_EQ(r.image, kImageEdited);
    r.sub[ColChangedV2] = QStringLiteral("0");
    UpdateRowImage(r, 0);
    EXPECT_EQ(r.image, kImageNone);
}

TEST(RowStore, MoveSelectedRowsKeepsBlockTogetherAndStopsAtEdges)
{
    auto order = [](const RowStore& s) {
        QString o;
        for (int i = 0; i < s.count(); ++i)
            o += s.row(i).sub[ColNumber].right(1);
        return o;
    };
    RowStore s = storeWith(5);
    s.row(0).selected = true;
    s.row(2).selected = true;
    EXPECT_EQ(s.MoveSelectedRows(-1), -1); // first row selected: nothing moves at all
    EXPECT_EQ(order(s), QStringLiteral("01234"));

    EXPECT_EQ(s.MoveSelectedRows(+1), 3);
    EXPECT_EQ(order(s), QStringLiteral("10324"));
    EXPECT_TRUE(s.row(1).selected);
    EXPECT_TRUE(s.row(3).selected);
    EXPECT_EQ(s.MoveSelectedRows(+1), 4);
    EXPECT_EQ(order(s), QStringLiteral("13042"));
    EXPECT_EQ(s.MoveSelectedRows(+1), -1);
    EXPECT_EQ(s.MoveSelectedRows(-1), 1);
    EXPECT_EQ(order(s), QStringLiteral("10324"));
}
