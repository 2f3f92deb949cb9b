#include "media/TagCopy.h"

#include "media/Genres.h"

#include <gtest/gtest.h>

using namespace quillory;

namespace {

QString q(const char* s)
{
    return QString::fromUtf8(s);
}

struct Block {
    QString title, artist, album, genre, track, year, kind, comment;
};

void putBlock(ListRow& r, int base, const Block& b)
{
    const QString* f[] = {&b.title, &b.artist, &b.album, &b.genre, &b.track, &b.year, &b.kind, &b.comment};
    for (int i = 0; i < 8; ++i)
        r.sub[std::size_t(base + i)] = *f[i];
}

// A read, selected row; v2 and v1 as stored in the v2 view.
ListRow& addRow(RowStore& s, const Block& v2, const Block& v1, const QString& path = {})
{
    const int n = s.count();
    ListRow& r = s.AddPlaceholderRow(path.isEmpty() ? QStringLiteral("/m/f%1.mp3").arg(n) : path, {}, false);
    r.caption = QString::number(n + 1);
    putBlock(r, kShownBase, v2);
    putBlock(r, kOtherBase, v1);
    r.selected = true;
    return r;
}

const Block kV2Full{q("v2 title"), q("v2 artist"), q("v2 album"), q("ロック"), q("7"), q("2004"), q("v2.3"),
                    q("v2 comment")};
const Block kV1Full{q("v1 title"), q("v1 artist"), q("v1 album"), q("ポップ"), q("3"), q("1999"), q("v1.1"),
                    q("v1 comment")};

unsigned mask(const ListRow& r, int col)
{
    return r.sub[std::size_t(col)].toUInt();
}

constexpr unsigned kAllBits = 0x8000 | 0x4000 | 0x2000 | 0x1000 | 0x0800 | 0x0400 | 0x0200;

} // namespace

TEST(TagCopy, NothingWithoutSelection)
{
    RowStore s;
    ListRow& r = addRow(s, kV2Full, kV1Full);
    r.selected = false;
    const auto before = r.sub;
    GenreTable g;
    const TagCopyResult res = ID3TagCopySpBtn2Click(s, CopyDirection::V2ToV1, false, &g);
    EXPECT_FALSE(res.ran);
    EXPECT_EQ(r.sub, before);
}

TEST(TagCopy, V2ToV1CopiesEveryFieldAndMarks)
{
    RowStore s;
    ListRow& r = addRow(s, kV2Full, kV1Full);
    GenreTable g(GenreLanguage::Japanese);
    const TagCopyResult res = ID3TagCopySpBtn2Click(s, CopyDirection::V2ToV1, false, &g);
    EXPECT_EQ(res.rowsChanged, 1);
    EXPECT_EQ(res.firstSelected, 0);
    EXPECT_EQ(r.sub[ColTitleV1], q("v2 title"));
    EXPECT_EQ(r.sub[ColArtistV1], q("v2 artist"));
    EXPECT_EQ(r.sub[ColAlbumV1], q("v2 album"));
    EXPECT_EQ(r.sub[ColGenreV1], q("ロック"));
    EXPECT_EQ(r.sub[ColTrackV1], q("7"));
    EXPECT_EQ(r.sub[ColYearV1], q("2004"));
    EXPECT_EQ(r.sub[ColCommentV1], q("v2 comment"));
    EXPECT_EQ(r.sub[ColTagKindV1], q("←v2"));
    EXPECT_EQ(mask(r, ColChangedV1), kAllBits);
    // The source side is left alone.
    EXPECT_EQ(r.sub[ColTitle], q("v2 title"));
    EXPECT_EQ(r.sub[ColTagKind], q("v2.3"));
    EXPECT_EQ(r.sub[ColChangedV2], q("0"));
}

TEST(TagCopy, V1ToV2ShowsTheChangedImageInTheV2View)
{
    RowStore s;
    ListRow& r = addRow(s, kV2Full, kV1Full);
    GenreTable g;
    ID3TagCopySpBtn2Click(s, CopyDirection::V1ToV2, false, &g);
    EXPECT_EQ(r.sub[ColTitle], q("v1 title"));
    EXPECT_EQ(r.sub[ColGenre], q("ポップ"));
    EXPECT_EQ(r.sub[ColTagKind], q("←v1"));
    EXPECT_EQ(mask(r, ColChangedV2), kAllBits);
    EXPECT_EQ(r.sub[ColChangedV1], q("0"));
    EXPECT_EQ(r.image, kImageEdited);
}

TEST(TagCopy, TheV1ViewChoosesTheBlocksTheOtherWayRound)
{
    for (CopyDirection dir : {CopyDirection::V2ToV1, CopyDirection::V1ToV2}) {
        RowStore s;
        ListRow& r = addRow(s, kV2Full, kV1Full);
        s.SwapTagBlocks(PrimarySide::V1); // block 0 = ID3v1, block 9 = ID3v2
        GenreTable g;
        ID3TagCopySpBtn2Click(s, dir, false, &g);
        if (dir == CopyDirection::V2ToV1) {
            EXPECT_EQ(r.sub[ColTitle], q("v2 title"));
            EXPECT_EQ(r.sub[ColTagKind], q("←v2"));
            EXPECT_EQ(mask(r, ColChangedV2), kAllBits);
            EXPECT_EQ(r.image, kImageEdited);
            EXPECT_EQ(r.sub[ColTitleV1], q("v2 title"));
        } else {
            EXPECT_EQ(r.sub[ColTitleV1], q("v1 title"));
            EXPECT_EQ(r.sub[ColTagKindV1], q("←v1"));
            EXPECT_EQ(mask(r, ColChangedV1), kAllBits);
            EXPECT_EQ(r.sub[ColTitle], q("v1 title"));
        }
    }
}

TEST(TagCopy, WidthsAreCutOnlyForID3v1)
{
    const QString title40 = QString(40, QLatin1Char('t'));
    const QString kana20 = QString(20, QChar(0x3042));
    Block v2 = kV2Full;
    v2.title = title40;
    v2.artist = kana20;                       // 40 Shift-JIS bytes
    v2.album = q("a") + QString(15, QChar(0x3042)); // 31 bytes
    v2.year = q("2004-05-06");
    v2.track = q("12/15");
    v2.comment = QString(29, QLatin1Char('c')) + QString::fromUtf16(u"\U0001F600x"); // emoji is one byte
    RowStore s;
    ListRow& r = addRow(s, v2, kV1Full);
    GenreTable g;
    ID3TagCopySpBtn2Click(s, CopyDirection::V2ToV1, false, &g);
    EXPECT_EQ(r.sub[ColTitleV1], title40.left(30));
    EXPECT_EQ(r.sub[ColArtistV1], kana20.left(15));
    EXPECT_EQ(r.sub[ColAlbumV1], q("a") + QString(14, QChar(0x3042)));
    EXPECT_EQ(r.sub[ColYearV1], q("2004"));
    EXPECT_EQ(r.sub[ColTrackV1], q("12/"));
    EXPECT_EQ(r.sub[ColCommentV1], QString(29, QLatin1Char('c')) + QString::fromUtf16(u"\U0001F600"));

    // ID3v1 texts are never cut on the way to ID3v2.
    Block v1 = kV1Full;
    v1.title = QString(30, QChar(0x3044));
    RowStore t;
    ListRow& u = addRow(t, kV2Full, v1);
    ID3TagCopySpBtn2Click(t, CopyDirection::V1ToV2, false, &g);
    EXPECT_EQ(u.sub[ColTitle], v1.title);
}

TEST(TagCopy, CutForV1)
{
    struct Case {
        QString in;
        int width;
        QString want;
    };
    const Case cases[] = {
        {q("abcdef"), 4, q("abcd")},
        {q("abc"), 4, q("abc")},
        {q("aあい"), 4, q("aあ")},     // the second kana would need bytes 4-5
        {q("ｱｲｳｴ"), 3, q("ｱｲｳ")},      // half-width katakana are one byte
        {QString::fromUtf16(u"\U0001F600\U0001F600"), 1, QString::fromUtf16(u"\U0001F600")},
        {q("abc"), 0, QString()},
    };
    for (const Case& k : cases)
        EXPECT_EQ(CutForV1(k.in, k.width), k.want) << qPrintable(k.in);
    EXPECT_EQ(V1FieldWidth(FieldTrack), 3);
    EXPECT_EQ(V1FieldWidth(FieldYear), 4);
    EXPECT_EQ(V1FieldWidth(FieldComment), 30);
}

TEST(TagCopy, EmptyFillsOnlyEmptyOrUnclassifiedTargets)
{
    Block v2 = kV2Full;
    v2.album = QString();            // empty source: never copied
    v2.year = q("分類不能");          // unclassified source: never copied
    Block v1;
    v1.title = q("keep me");         // target with text: kept
    v1.artist = QString();           // empty target: filled
    v1.album = QString();
    v1.genre = q("分類不能");         // unclassified target: filled
    v1.year = QString();
    v1.kind = q("v1.1");
    RowStore s;
    ListRow& r = addRow(s, v2, v1);
    GenreTable g;
    ID3TagCopySpBtn2Click(s, CopyDirection::V2ToV1, true, &g);
    EXPECT_EQ(r.sub[ColTitleV1], q("keep me"));
    EXPECT_EQ(r.sub[ColArtistV1], q("v2 artist"));
    EXPECT_TRUE(r.sub[ColAlbumV1].isEmpty());
    EXPECT_EQ(r.sub[ColGenreV1], q("ロック"));
    EXPECT_TRUE(r.sub[ColYearV1].isEmpty());
    EXPECT_EQ(r.sub[ColTrackV1], q("7"));
    EXPECT_EQ(r.sub[ColCommentV1], q("v2 comment"));
    EXPECT_EQ(r.sub[ColTagKindV1], q("←v2"));
    EXPECT_EQ(mask(r, ColChangedV1), 0x4000u | 0x1000u | 0x0800u | 0x0200u);
}

TEST(TagCopy, EmptyWithNothingToFillLeavesTheRow)
{
    RowStore s;
    ListRow& r = addRow(s, kV2Full, kV1Full);
    const auto before = r.sub;
    GenreTable g;
    const TagCopyResult res = ID3TagCopySpBtn2Click(s, CopyDirection::V2ToV1, true, &g);
    EXPECT_EQ(res.rowsChanged, 0);
    EXPECT_EQ(r.sub, before);
    EXPECT_EQ(r.image, kImageNone);
}

TEST(TagCopy, WithoutEmptyAnEmptySourceEmptiesTheTargetAndEqualTextsAreMarked)
{
    Block v2 = kV2Full;
    v2.album = QString();
    Block v1 = kV1Full;
    v1.title = v2.title; // already equal
    RowStore s;
    ListRow& r = addRow(s, v2, v1);
    GenreTable g;
    ID3TagCopySpBtn2Click(s, CopyDirection::V2ToV1, false, &g);
    EXPECT_TRUE(r.sub[ColAlbumV1].isEmpty());
    EXPECT_TRUE(mask(r, ColChangedV1) & 0x2000u);
    EXPECT_TRUE(mask(r, ColChangedV1) & 0x8000u);
}

TEST(TagCopy, SkippedRows)
{
    struct Case {
        const char* what;
        const char* path;
        bool read;
        bool sourceNot;
        bool selected;
    };
    const Case cases[] = {
        {"wave", "/m/a.wav", true, false, true},
        {"wave in capitals", "/m/A.WAV", true, false, true},
        {"source has no tag", "/m/a.mp3", true, true, true},
        {"not read yet", "/m/a.mp3", false, false, true},
        {"not selected", "/m/a.mp3", true, false, false},
    };
    for (const Case& k : cases) {
        RowStore s;
        addRow(s, kV2Full, kV1Full); // a row that is copied, so the run is not empty
        Block v2 = kV2Full;
        if (k.sourceNot)
            v2.kind = q("not");
        ListRow& r = addRow(s, v2, kV1Full, QString::fromLatin1(k.path));
        if (!k.read)
            r.caption.clear();
        r.selected = k.selected;
        const auto before = r.sub;
        GenreTable g;
        const TagCopyResult res = ID3TagCopySpBtn2Click(s, CopyDirection::V2ToV1, false, &g);
        EXPECT_EQ(res.rowsChanged, 1) << k.what;
        EXPECT_EQ(r.sub, before) << k.what;
    }
}

TEST(TagCopy, GenreIntoID3v1)
{
    struct Case {
        const char* what;
        GenreLanguage language;
        const char* v2Genre;
        const char* v1Before;
        const char* v1After;
        bool marked;
    };
    const Case cases[] = {
        {"name of the current language", GenreLanguage::Japanese, "ロック", "ポップ", "ロック", true},
        {"name of the other language", GenreLanguage::Japanese, "Rock", "ポップ", "ロック", true},
        {"case ignored", GenreLanguage::English, "rock", "Pop", "Rock", true},
        {"Japanese name under English", GenreLanguage::English, "ポップ", "Rock", "Pop", true},
        {"text from the parenthesis on ignored", GenreLanguage::English, "Rock (17)", "Pop", "Rock", true},
        {"unknown keeps the target", GenreLanguage::Japanese, "Nintendocore", "ポップ", "ポップ", false},
        {"unclassified source", GenreLanguage::Japanese, "分類不能", "ポップ", "ポップ", false},
    };
    for (const Case& k : cases) {
        GenreTable g(k.language);
        Block v2 = kV2Full;
        v2.genre = q(k.v2Genre);
        Block v1 = kV1Full;
        v1.genre = q(k.v1Before);
        RowStore s;
        ListRow& r = addRow(s, v2, v1);
        ID3TagCopySpBtn2Click(s, CopyDirection::V2ToV1, false, &g);
        EXPECT_EQ(r.sub[ColGenreV1], q(k.v1After)) << k.what;
        EXPECT_TRUE(g.isV1ListName(r.sub[ColGenreV1])) << k.what;
        EXPECT_EQ((mask(r, ColChangedV1) & 0x1000u) != 0, k.marked) << k.what;
        EXPECT_EQ(r.sub[ColTagKindV1], q("←v2")) << k.what << ": the other fields were copied";
    }
}

TEST(TagCopy, OnlyAnUnmatchedGenreLeavesNoMarker)
{
    // With "Empty" the genre is the only field to fill; an unmatched genre fills
    // nothing, so no marker and no change.
    Block v2;
    v2.genre = q("Nintendocore");
    v2.kind = q("v2.3");
    Block v1;
    v1.genre = q("分類不能");
    v1.kind = q("v1.1");
    RowStore s;
    ListRow& r = addRow(s, v2, v1);
    GenreTable g;
    const TagCopyResult res = ID3TagCopySpBtn2Click(s, CopyDirection::V2ToV1, true, &g);
    EXPECT_EQ(res.rowsChanged, 0);
    EXPECT_EQ(r.sub[ColTagKindV1], q("v1.1"));
    EXPECT_EQ(r.sub[ColChangedV1], q("0"));
    EXPECT_EQ(r.sub[ColGenreV1], q("分類不能"));
}

TEST(TagCopy, TagKindAloneLeavesOnlyTheMarker)
{
    // Only the tag kind field is empty on the target: it gets the marker, no bit.
    Block v1 = kV1Full;
    v1.kind = QString();
    RowStore s;
    ListRow& r = addRow(s, kV2Full, v1);
    GenreTable g;
    EXPECT_EQ(ID3TagCopySpBtn2Click(s, CopyDirection::V2ToV1, true, &g).rowsChanged, 1);
    EXPECT_EQ(r.sub[ColTagKindV1], q("←v2"));
    EXPECT_EQ(r.sub[ColChangedV1], q("0"));
}

TEST(TagCopy, WithoutGenreTableTheID3v1GenreStays)
{
    RowStore s;
    ListRow& r = addRow(s, kV2Full, kV1Full);
    ID3TagCopySpBtn2Click(s, CopyDirection::V2ToV1, false, nullptr);
    EXPECT_EQ(r.sub[ColGenreV1], q("ポップ"));
    EXPECT_EQ(r.sub[ColTitleV1], q("v2 title"));
}
