#include "media/Genres.h"

#include <gtest/gtest.h>

#include <QSet>

namespace quillory {
namespace {

const QString kUnclassifiable = QStringLiteral(u"分類不能");

std::string show(GenreLanguage l) { return l == GenreLanguage::Japanese ? "Japanese" : "English"; }

class GenreTableTest : public ::testing::TestWithParam<GenreLanguage> {};

TEST_P(GenreTableTest, NamesAreUniqueAndRoundTrip)
{
    const GenreTable table(GetParam());
    QSet<QString> seen;
    for (int n = 0; n < 192; ++n) {
        const QString name = table.GenreName(n);
        SCOPED_TRACE(n);
        ASSERT_FALSE(name.isEmpty());
        EXPECT_FALSE(name.contains(u"分類")) << "only numbers without a genre may say 分類";
        EXPECT_FALSE(name.contains(u'(') || name.contains(u'（')) << "the look-up cuts at a parenthesis";
        EXPECT_EQ(name, name.trimmed());
        EXPECT_FALSE(seen.contains(name.toLower())) << name.toStdString();
        seen.insert(name.toLower());
        QString cleaned;
        EXPECT_EQ(table.GenreNumber(name, &cleaned), n) << name.toStdString();
        EXPECT_EQ(cleaned, name);
    }
    for (int n = 192; n < 256; ++n)
        EXPECT_EQ(table.GenreName(n), kUnclassifiable) << n;
}

TEST_P(GenreTableTest, NumbersOutsideTheByteHaveNoGenre)
{
    const GenreTable table(GetParam());
    EXPECT_EQ(table.GenreName(-1), kUnclassifiable);
    EXPECT_EQ(table.GenreName(256), kUnclassifiable);
}

// Writing "分類不能" back must keep a file's "no genre" byte (255), not turn it into
// the first unassigned number.
TEST_P(GenreTableTest, UnclassifiableNamesNoNumber)
{
    const GenreTable table(GetParam());
    QString cleaned = QStringLiteral("x");
    EXPECT_EQ(table.GenreNumber(kUnclassifiable, &cleaned), -1);
    EXPECT_EQ(cleaned, kUnclassifiable);
}

TEST_P(GenreTableTest, EmptyTextIsNoGenre)
{
    const GenreTable table(GetParam());
    QString cleaned;
    EXPECT_EQ(table.GenreNumber(QString(), &cleaned), -1);
    EXPECT_EQ(cleaned, kUnclassifiable);
}

TEST_P(GenreTableTest, V1BoxKeepsOneUnclassifiableEntry)
{
    const GenreTable table(GetParam());
    const QStringList names = table.v1ListNames();
    ASSERT_EQ(names.size(), 193);
    for (int n = 0; n < 192; ++n)
        EXPECT_EQ(names[n], table.GenreName(n));
    EXPECT_EQ(names.count(kUnclassifiable), 1);
    EXPECT_EQ(names.last(), kUnclassifiable);
    EXPECT_TRUE(table.isV1ListName(kUnclassifiable));
    EXPECT_TRUE(table.isV1ListName(table.GenreName(17)));
    EXPECT_FALSE(table.isV1ListName(QStringLiteral("Rock (live)")));
    EXPECT_FALSE(table.isV1ListName(QString()));
}

TEST_P(GenreTableTest, SortedBoxHoldsTheSameNames)
{
    const GenreTable table(GetParam());
    QStringList sorted = table.v1ListNames(false);
    QStringList byNumber = table.v1ListNames(true);
    EXPECT_NE(sorted, byNumber);
    std::sort(sorted.begin(), sorted.end());
    std::sort(byNumber.begin(), byNumber.end());
    EXPECT_EQ(sorted, byNumber);
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, GenreTableTest,
                         ::testing::Values(GenreLanguage::Japanese, GenreLanguage::English),
                         [](const auto& info) { return show(info.param); });

struct NumberCase {
    GenreLanguage language;
    const char16_t* text;
    int number;
    const char16_t* cleaned;
};

class GenreNumberTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(GenreNumberTest, FindsNumberAndCleanedName)
{
    const NumberCase& c = GetParam();
    const GenreTable table(c.language);
    QString cleaned;
    EXPECT_EQ(table.GenreNumber(QString::fromUtf16(c.text), &cleaned), c.number);
    EXPECT_EQ(cleaned, QString::fromUtf16(c.cleaned));
}

constexpr auto En = GenreLanguage::English;
constexpr auto Ja = GenreLanguage::Japanese;

INSTANTIATE_TEST_SUITE_P(Cases, GenreNumberTest, ::testing::Values(
    NumberCase{En, u"Rock", 17, u"Rock"},
    NumberCase{En, u"rock", 17, u"rock"},
    NumberCase{En, u"ROCK", 17, u"ROCK"},
    NumberCase{En, u"Rock (live)", 17, u"Rock"},
    NumberCase{En, u"Rock（live）", 17, u"Rock"},
    // the full-width parenthesis is looked for first, wherever it stands
    NumberCase{En, u"Rock（live) (x", 17, u"Rock"},
    NumberCase{En, u"  Hard Rock\t", 79, u"Hard Rock"},
    NumberCase{En, u"Blues", 0, u"Blues"},
    NumberCase{En, u"Psybient", 191, u"Psybient"},
    NumberCase{En, u"(17)", -1, u"分類不能"},
    NumberCase{En, u"Nonexistent Style", -1, u"分類不能"},
    NumberCase{En, u"演歌（日本）", 12, u"Other"},
    NumberCase{En, u"カラオケ（日本）", 12, u"Other"},
    NumberCase{En, u"ロック", -1, u"分類不能"},
    NumberCase{Ja, u"ロック", 17, u"ロック"},
    NumberCase{Ja, u"ブルース", 0, u"ブルース"},
    NumberCase{Ja, u"その他", 12, u"その他"},
    NumberCase{Ja, u"r&b", 14, u"r&b"},
    NumberCase{Ja, u"ジャズ（日本）", 8, u"ジャズ"},
    NumberCase{Ja, u"ロック（日本）", 17, u"ロック"},
    NumberCase{Ja, u"演歌（日本）", 12, u"その他"},
    NumberCase{Ja, u"童謡（日本）", 12, u"その他"},
    NumberCase{Ja, u"カラオケ（日本）", 12, u"その他"},
    // any piece of the Japanese-only spellings counts (a kept quirk of the rule)
    NumberCase{Ja, u"日本", 12, u"その他"},
    // half-width opening parenthesis: cut there, and not a piece of the spellings
    NumberCase{Ja, u"伝統/民謡(日本）", -1, u"分類不能"},
    // the spellings are searched for the text as passed in, blanks included
    NumberCase{Ja, u"演歌 ", -1, u"分類不能"},
    NumberCase{Ja, u"Rock", -1, u"分類不能"}));

TEST(GenreTable, TablesNameTheUsualGenres)
{
    const struct {
        GenreLanguage language;
        int number;
        const char16_t* name;
    } cases[] = {
        {En, 0, u"Blues"}, {En, 12, u"Other"}, {En, 17, u"Rock"}, {En, 79, u"Hard Rock"},
        {En, 80, u"Folk"}, {En, 191, u"Psybient"}, {Ja, 0, u"ブルース"}, {Ja, 1, u"クラシック・ロック"},
        {Ja, 8, u"ジャズ"}, {Ja, 12, u"その他"}, {Ja, 14, u"R&B"}, {Ja, 17, u"ロック"},
        {Ja, 18, u"テクノ"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(genreNameIn(c.language, c.number), QString::fromUtf16(c.name)) << c.number;
}

TEST(GenreTable, SetLanguageSwitchesTables)
{
    GenreTable table(Ja);
    EXPECT_EQ(table.GenreNumber(QStringLiteral(u"ロック")), 17);
    table.setLanguage(En);
    EXPECT_EQ(table.language(), En);
    EXPECT_EQ(table.GenreName(17), QStringLiteral("Rock"));
    EXPECT_EQ(table.GenreNumber(QStringLiteral(u"ロック")), -1);
}

TEST(GenreTable, DefaultV2ListAddsJapaneseExtrasOnlyInJapanese)
{
    const GenreTable english(En);
    EXPECT_EQ(english.defaultV2List(), english.v1ListNames());

    const GenreTable japanese(Ja);
    const QStringList list = japanese.defaultV2List();
    const QStringList v1 = japanese.v1ListNames();
    ASSERT_EQ(list.size(), v1.size() + 12);
    EXPECT_EQ(list.mid(0, v1.size()), v1);
    const QStringList extras = list.mid(v1.size());
    EXPECT_EQ(extras.first(), QStringLiteral(u"カラオケ（日本）"));
    EXPECT_EQ(extras.last(), QStringLiteral(u"童謡（日本）"));
    // spelled with a half-width opening parenthesis, as the list has always had it
    EXPECT_TRUE(extras.contains(QStringLiteral(u"伝統/民謡(日本）")));
    EXPECT_EQ(QSet<QString>(extras.begin(), extras.end()).size(), 12);
}

TEST(GenreTable, SortedBoxPutsLatinBeforeUnclassifiable)
{
    const QStringList sorted = GenreTable(En).v1ListNames(false);
    EXPECT_EQ(sorted.first(), QStringLiteral("A Cappella"));
    EXPECT_EQ(sorted.last(), kUnclassifiable);
    // case is ignored: a byte-wise sort would put "EBM" before "Easy Listening"
    EXPECT_LT(sorted.indexOf(QStringLiteral("Easy Listening")), sorted.indexOf(QStringLiteral("EBM")));
    EXPECT_LT(sorted.indexOf(QStringLiteral("EBM")), sorted.indexOf(QStringLiteral("Eclectic")));
}

} // namespace
} // namespace quillory
