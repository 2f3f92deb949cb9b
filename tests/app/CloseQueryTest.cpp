#include "app/CloseQuery.h"

#include <gtest/gtest.h>

using namespace quillory;

TEST(CloseQuery, CountsRowsEditedOnEitherSide)
{
    RowStore s;
    for (int i = 0; i < 5; ++i)
        s.AddPlaceholderRow(QStringLiteral("/m/%1.mp3").arg(i), {}, false);
    s.row(0).sub[ColChangedV2] = QStringLiteral("32768");
    s.row(2).sub[ColChangedV1] = QStringLiteral("1024");
    s.row(4).sub[ColChangedV2] = QStringLiteral("1");
    s.row(4).sub[ColChangedV1] = QStringLiteral("1");
    int steps = 0;
    EXPECT_EQ(CountEditedRows(s, [&] { ++steps; }), 3);
    EXPECT_EQ(steps, 5);
}

TEST(CloseQuery, TextsOfTheQuestion)
{
    EXPECT_EQ(CloseQueryCaption(QStringLiteral("Quillory")), QStringLiteral("Quillory 終了確認"));
    EXPECT_EQ(CloseQueryText(3), QStringLiteral("3 個のリストが変更されています。 \n変更した内容を破棄しますか？"));
    EXPECT_EQ(BusyCloseMessage(), QStringLiteral("処理中です。\n\n終了する場合は処理を中止してから行って下さい。"));
}
