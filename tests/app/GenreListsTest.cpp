#include "app/GenreLists.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quillory;

TEST(GenreLists, WithoutGenreFileTheV2ListIsTheV1NamesPlusJapaneseExtras)
{
    GenreTable ja(GenreLanguage::Japanese);
    GenreBoxes b = FillGenreLists(ja, true, {});
    EXPECT_EQ(b.v1Box, ja.v1ListNames(true));
    EXPECT_EQ(b.v2List.mid(0, b.v1Box.size()), b.v1Box);
    EXPECT_EQ(b.v2List.size(), b.v1Box.size() + 12);
    EXPECT_EQ(b.v2List.last(), QStringLiteral("童謡（日本）"));
    GenreTable en(GenreLanguage::English);
    GenreBoxes e = FillGenreLists(en, true, {});
    EXPECT_EQ(e.v2List, e.v1Box);
    EXPECT_EQ(e.v1Box.count(GenreTable::unclassifiable()), 1);
}

TEST(GenreLists, SortOptionOrdersTheV1Box)
{
    GenreTable en(GenreLanguage::English);
    EXPECT_EQ(FillGenreLists(en, true, {}).v1Box.first(), QStringLiteral("Blues"));
    EXPECT_EQ(FillGenreLists(en, false, {}).v1Box, en.v1ListNames(false));
}

TEST(GenreLists, TheUsersListWinsAndRoundTripsThroughGenreTxt)
{
    QTemporaryDir dir;
    QString path = dir.filePath(kGenreFileName);
    QStringList mine = {QStringLiteral("アニソン"), QStringLiteral("Rock"), QStringLiteral("ボカロ🎤")};
    ASSERT_TRUE(WriteGenreFile(path, mine));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QByteArray bytes = f.readAll();
    EXPECT_NE(bytes.left(2), QByteArray("\xFF\xFE", 2)); // no byte-order mark
    EXPECT_EQ(ReadGenreFile(path), mine);
    GenreTable ja;
    EXPECT_EQ(FillGenreLists(ja, true, ReadGenreFile(path)).v2List, mine);
    EXPECT_TRUE(ReadGenreFile(dir.filePath(QStringLiteral("missing.txt"))).isEmpty());
}

TEST(GenreLists, EditorTextBecomesEntries)
{
    EXPECT_EQ(GenreListFromText(QStringLiteral("a\r\n\r\nb\n  \nc\r")), (QStringList{"a", "b", "c"}));
    EXPECT_TRUE(GenreListFromText(QString()).isEmpty());
}
