#include "app/ListActions.h"

#include <QStringList>

#include <gtest/gtest.h>

using namespace quillory;

namespace {

RowStore readRows(int n)
{
    RowStore s;
    for (int i = 0; i < n; ++i) {
        ListRow& r = s.AddPlaceholderRow(QStringLiteral("/m/%1.mp3").arg(i), {}, false);
        r.caption = QString::number(i + 1);
    }
    return s;
}

QStringList paths(const RowStore& s)
{
    QStringList out;
    for (int i = 0; i < s.count(); ++i)
        out << s.row(i).path();
    return out;
}

} // namespace

TEST(ListActions, DeletingRemovesExactlyTheSelectedRowsAndRenumbers)
{
    RowStore s = readRows(5);
    s.row(1).selected = true;
    s.row(3).selected = true;
    EXPECT_EQ(DeleteSelectedRows(s), 2);
    EXPECT_EQ(paths(s), (QStringList{"/m/0.mp3", "/m/2.mp3", "/m/4.mp3"}));
    EXPECT_EQ(s.row(2).caption, QStringLiteral("3"));
    EXPECT_EQ(s.selectedCount(), 0);
}

TEST(ListActions, DeletingWithoutSelectionDoesNothing)
{
    RowStore s = readRows(3);
    EXPECT_EQ(DeleteSelectedRows(s), 0);
    EXPECT_EQ(s.count(), 3);
    RowStore empty;
    EXPECT_EQ(DeleteSelectedRows(empty), 0);
}

TEST(ListActions, RowsNotReadKeepTheirEmptyCaption)
{
    RowStore s = readRows(3);
    s.row(2).caption.clear();
    s.row(0).selected = true;
    DeleteSelectedRows(s);
    EXPECT_EQ(s.row(0).caption, QStringLiteral("1"));
    EXPECT_TRUE(s.row(1).caption.isEmpty());
}

TEST(ListActions, AfterDeletingRowTwoAnAddedRowRepeatsItsNumber)
{
    RowStore s = readRows(3);
    s.row(1).selected = true;
    DeleteSelectedRows(s);
    s.AddPlaceholderRow(QStringLiteral("/m/new.mp3"), {}, false);
    EXPECT_EQ(s.row(1).sub[ColNumber], QStringLiteral("0000002"));
    EXPECT_EQ(s.row(2).sub[ColNumber], QStringLiteral("0000002"));
}

TEST(ListActions, HeldMoveButtonRepeatsAfter300msThenEvery100ms)
{
    MoveRepeat m;
    EXPECT_FALSE(m.running());
    EXPECT_EQ(m.start(), 10);
    EXPECT_TRUE(m.running());
    EXPECT_EQ(m.tick(), 300);
    EXPECT_EQ(m.tick(), 100);
    EXPECT_EQ(m.tick(), 100);
    m.stop();
    EXPECT_FALSE(m.running());
    // A new press starts over.
    EXPECT_EQ(m.start(), 10);
    EXPECT_EQ(m.tick(), 300);
}

TEST(ListActions, MovingUpWithTheFirstRowSelectedMovesNothing)
{
    RowStore s = readRows(4);
    s.row(0).selected = true;
    s.row(2).selected = true;
    EXPECT_EQ(s.MoveSelectedRows(-1), -1);
    EXPECT_EQ(paths(s), (QStringList{"/m/0.mp3", "/m/1.mp3", "/m/2.mp3", "/m/3.mp3"}));
    s.row(0).selected = false;
    EXPECT_EQ(s.MoveSelectedRows(-1), 1);
    EXPECT_EQ(paths(s), (QStringList{"/m/0.mp3", "/m/2.mp3", "/m/1.mp3", "/m/3.mp3"}));
    EXPECT_TRUE(s.row(1).selected);
    EXPECT_FALSE(s.row(2).selected);
    // Captions are not renumbered by a move.
    EXPECT_EQ(s.row(1).caption, QStringLiteral("3"));
}
