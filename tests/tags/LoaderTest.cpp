#include "app/RowStore.h"
#include "media/Genres.h"
#include "platform/CodePage.h"
#include "support/Id3v2Builder.h"
#include "support/MpegFrames.h"
#include "support/RiffBuilder.h"
#include "tags/Loader.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <gtest/gtest.h>

using namespace quillory;
using namespace quillory::test;

namespace {

Bytes v1Block(std::string_view title, std::string_view artist, std::uint8_t b125, std::uint8_t b126,
              std::uint8_t genre)
{
    Bytes b(128, 0);
    std::memcpy(b.data(), "TAG", 3);
    std::memcpy(b.data() + 3, title.data(), std::min<std::size_t>(title.size(), 30));
    std::memcpy(b.data() + 33, artist.data(), std::min<std::size_t>(artist.size(), 30));
    std::memcpy(b.data() + 93, "1999", 4);
    b[125] = b125;
    b[126] = b126;
    b[127] = genre;
    return b;
}

Bytes audio() { return silentStream(FrameSpec{}, 4); }

std::string sjis(const char16_t* s) { return std::string(CodePage::fromUnicode(QStringView(s))); }

class LoaderTest : public ::testing::Test {
protected:
    ScratchFolder dir;
    GenreTable genres{GenreLanguage::Japanese};
    TagOptions options;

    LoaderTest() { options.forceAudioFormat = true; }

    // Loads one file into a fresh store (both sides, flags reset) and returns the row.
    ListRow load(const QString& name, ByteView bytes, PrimarySide side = PrimarySide::V2)
    {
        store = RowStore();
        if (side == PrimarySide::V1)
            store.SwapTagBlocks(PrimarySide::V1);
        QString path = dir.write(name, bytes);
        store.AddPlaceholderRow(path, {}, false);
        TagLoader loader(options, &genres);
        loader.LoadRow(store, 0, path, false, true, true);
        return store.row(0);
    }
    RowStore store;
};

} // namespace

TEST_F(LoaderTest, Id3v23RowWithBothSides)
{
    Bytes tag = Id3v2Builder(3)
                    .text("TIT2", 1, u"夜明け")
                    .text("TPE1", 1, u"由紀さおり")
                    .text("TALB", 1, u"ベスト")
                    .text("TCON", 1, u"(17)")
                    .text("TRCK", 1, u"3")
                    .text("TYER", 1, u"1969")
                    .comment("COMM", 1, "jpn", u"", u"コメント")
                    .text("TCOM", 1, u"作曲者")
                    .text("TEXT", 1, u"作詞者")
                    .text("TPUB", 1, u"レーベル")
                    .text("TPOS", 1, u"1/2")
                    .comment("USLT", 1, "jpn", u"", u"歌詞\n二行目")
                    .text("TCOP", 1, u"(C) 1969")
                    .text("TSSE", 1, u"LAME")
                    .url(0, u"", "http://example.jp/")
                    .padding(100)
                    .build();
    Bytes file = concat({tag, audio(), v1Block("v1 title", "v1 artist", 0, 7, 17)});
    ListRow r = load(QStringLiteral("a.mp3"), file);

    EXPECT_EQ(r.caption, QStringLiteral("1"));
    const std::pair<int, QString> want[] = {
        {ColTitle, QStringLiteral("夜明け")}, {ColArtist, QStringLiteral("由紀さおり")},
        {ColAlbum, QStringLiteral("ベスト")}, {ColGenre, QStringLiteral("ロック")},
        {ColTrack, QStringLiteral("3")}, {ColYear, QStringLiteral("1969")},
        {ColTagKind, QStringLiteral("v2.3")}, {ColComment, QStringLiteral("コメント")},
        {ColChangedV2, QStringLiteral("0")},
        {ColTitleV1, QStringLiteral("v1 title")}, {ColArtistV1, QStringLiteral("v1 artist")},
        {ColGenreV1, QStringLiteral("ロック")}, {ColTrackV1, QStringLiteral("7")},
        {ColYearV1, QStringLiteral("1999")}, {ColTagKindV1, QStringLiteral("v1.1")},
        {ColComposer, QStringLiteral("作曲者")}, {ColLyricist, QStringLiteral("作詞者")},
        {ColLabel, QStringLiteral("レーベル")}, {ColDiscSet, QStringLiteral("1/2")},
        {ColLyrics, QStringLiteral("歌詞\n二行目")}, {ColCopyright, QStringLiteral("(C) 1969")},
        {ColEncoder, QStringLiteral("LAME")}, {ColUrl, QStringLiteral("http://example.jp/")},
        {ColPicture, QString()}, {ColUnsync, QString()}, {ColTextCode, QStringLiteral("Utf16 le")},
        {ColTagSize, QString::number(tag.size())},
        {ColAudioFormat, QStringLiteral("MPEG1 Layer3 44100hz J-2ch 128kbps ")},
    };
    for (const auto& [col, text] : want)
        EXPECT_EQ(r.sub[std::size_t(col)], text) << columnNames()[std::size_t(col)];
}

TEST_F(LoaderTest, V1ViewPutsId3v1FirstAndFixedColumnsStay)
{
    Bytes tag = Id3v2Builder(3).text("TIT2", 0, u"v2").text("TCOM", 0, u"comp").text("TEXT", 0, u"lyr").build();
    ListRow r = load(QStringLiteral("a.mp3"), concat({tag, audio(), v1Block("one", "two", 0, 0, 255)}),
                     PrimarySide::V1);
    EXPECT_EQ(r.sub[ColTitle], QStringLiteral("one"));
    EXPECT_EQ(r.sub[ColTagKind], QStringLiteral("v1.0"));
    EXPECT_EQ(r.sub[ColTrack], QStringLiteral("0"));
    EXPECT_EQ(r.sub[ColGenre], GenreTable::unclassifiable());
    EXPECT_EQ(r.sub[ColTitleV1], QStringLiteral("v2"));
    EXPECT_EQ(r.sub[ColTagKindV1], QStringLiteral("v2.3"));
    EXPECT_EQ(r.sub[ColComposer], QStringLiteral("comp"));
    EXPECT_EQ(r.sub[ColLyricist], QStringLiteral("lyr"));
}

TEST_F(LoaderTest, TextCodeCombinesOverFrames)
{
    struct Case { const char* name; std::vector<std::pair<int, Utf16Order>> encodings; const char* want; };
    const Case cases[] = {
        {"all le", {{1, Utf16Order::Little}, {1, Utf16Order::Little}}, "Utf16 le"},
        {"le and be", {{1, Utf16Order::Little}, {1, Utf16Order::Big}}, "Utf16 be"},
        {"one sjis", {{1, Utf16Order::Little}, {0, Utf16Order::Little}}, "Sjis"},
        {"utf8", {{3, Utf16Order::Little}}, "Utf8"},
        {"no text frames", {}, ""},
    };
    const char* ids[] = {"TIT2", "TPE1", "TALB"};
    for (const Case& c : cases) {
        Id3v2Builder b(4);
        for (std::size_t i = 0; i < c.encodings.size(); ++i)
            b.text(ids[i], c.encodings[i].first, u"x", c.encodings[i].second);
        ListRow r = load(QStringLiteral("c.mp3"), concat({b.build(), audio()}));
        EXPECT_EQ(r.sub[ColTextCode], QString::fromLatin1(c.want)) << c.name;
    }
}

TEST_F(LoaderTest, PictureOnlyInTagsOverFiveHundredTwelveBytes)
{
    Bytes small(100, 0xAB);
    Bytes big(2000, 0xCD);
    ListRow a = load(QStringLiteral("s.mp3"),
                     concat({Id3v2Builder(3).picture(0, "image/jpeg", 3, u"d", small).build(), audio()}));
    EXPECT_EQ(a.sub[ColPicture], QString());
    ListRow b = load(QStringLiteral("b.mp3"),
                     concat({Id3v2Builder(3).text("TIT2", 0, u"t").picture(0, "image/jpeg", 3, u"表紙", big)
                                 .text("TPE1", 0, u"after").build(),
                             audio()}));
    EXPECT_EQ(b.sub[ColPicture], kPicturePresent);
    EXPECT_EQ(b.sub[ColPictureDescription], QStringLiteral("表紙"));
    EXPECT_EQ(b.sub[ColArtist], QStringLiteral("after")); // frames after the picture are still found
}

TEST_F(LoaderTest, TagSizeZeroAndUnsyncFlag)
{
    Bytes empty = bytes({'I', 'D', '3', 3, 0, 0x80, 0, 0, 0, 0});
    ListRow r = load(QStringLiteral("z.mp3"), concat({empty, audio()}));
    EXPECT_EQ(r.sub[ColTagSize], QStringLiteral("0"));
    EXPECT_EQ(r.sub[ColTagKind], QStringLiteral("v2.3"));
    EXPECT_EQ(r.sub[ColUnsync], kPicturePresent);
    EXPECT_EQ(r.sub[ColTagKindV1], QStringLiteral("not"));
}

TEST_F(LoaderTest, WaveAndRiffMp3Kinds)
{
    Bytes wave = RiffBuilder("WAVE")
                     .format(2, 44100, 16)
                     .data(Bytes(64, 0))
                     .list(InfoListBuilder().entry("INAM", sjis(u"朝")).entry("IART", "Grieg").entry("ISRC", "Label"))
                     .build();
    ListRow w = load(QStringLiteral("w.wav"), wave);
    EXPECT_EQ(w.sub[ColTitle], QStringLiteral("朝"));
    EXPECT_EQ(w.sub[ColArtist], QStringLiteral("Grieg"));
    EXPECT_EQ(w.sub[ColLabel], QStringLiteral("Label"));
    EXPECT_EQ(w.sub[ColTagKind], QStringLiteral("riff"));
    EXPECT_EQ(w.sub[ColTextCode], QString());
    EXPECT_EQ(w.sub[ColAudioFormat], QStringLiteral("PCM 16bit 44100hz 2ch 1411kbps"));
    InfoListBuilder list = InfoListBuilder().entry("INAM", sjis(u"朝"));
    EXPECT_EQ(w.sub[ColTagSize].toLongLong(), qlonglong(InfoListBuilder().entry("INAM", sjis(u"朝"))
                                                            .entry("IART", "Grieg").entry("ISRC", "Label")
                                                            .build().size()));

    ListRow noList = load(QStringLiteral("n.wav"), simpleWave(1, 8000, 8));
    EXPECT_EQ(noList.sub[ColTagKind], QStringLiteral("not"));
    EXPECT_EQ(noList.sub[ColTagSize], QString());

    ListRow notRiff = load(QStringLiteral("x.wav"), audio());
    EXPECT_EQ(notRiff.sub[ColTagKind], QStringLiteral("not"));
    EXPECT_EQ(notRiff.sub[ColAudioFormat], QStringLiteral("不明"));

    Bytes v1 = v1Block("inside", "", 0, 9, 0);
    Bytes rmp = riffMp3(audio(), InfoListBuilder().entry("INAM", "riff title"), v1, true);
    ListRow m = load(QStringLiteral("m.rmp"), rmp);
    EXPECT_EQ(m.sub[ColTagKind], QStringLiteral("riff"));
    EXPECT_EQ(m.sub[ColTitle], QStringLiteral("riff title"));
    EXPECT_EQ(m.sub[ColTrack], QStringLiteral("9"));   // RIFF track comes from the ID3v1 byte
    EXPECT_EQ(m.sub[ColTitleV1], QStringLiteral("inside"));
    EXPECT_EQ(m.sub[ColAudioFormat], QStringLiteral("MPEG1 Layer3 44100hz J-2ch 128kbps "));
}

TEST_F(LoaderTest, FillEmptyOnlyKeepsFilledColumns)
{
    Bytes file = concat({Id3v2Builder(3).text("TIT2", 0, u"file title").text("TALB", 0, u"file album")
                             .text("TPE1", 0, u"file artist").build(),
                         audio()});
    QString path = dir.write(QStringLiteral("f.mp3"), file);
    store = RowStore();
    store.AddPlaceholderRow(path, {}, false);
    store.row(0).sub[ColAlbum] = QStringLiteral("kept album");
    TagLoader loader(options, &genres);
    loader.LoadRow(store, 0, path, true, true, false);
    EXPECT_EQ(store.row(0).sub[ColAlbum], QStringLiteral("kept album"));
    // Title and artist are replaced while the artist still shows the placeholder.
    EXPECT_EQ(store.row(0).sub[ColTitle], QStringLiteral("file title"));
    EXPECT_EQ(store.row(0).sub[ColArtist], QStringLiteral("file artist"));
}

TEST_F(LoaderTest, MissingFileGivesErr)
{
    store = RowStore();
    QString path = dir.path(QStringLiteral("gone.mp3"));
    store.AddPlaceholderRow(path, {}, false);
    TagLoader loader(options, &genres);
    loader.LoadRow(store, 0, path, false, true, true);
    EXPECT_EQ(store.row(0).sub[ColTagKind], QStringLiteral("err"));
    EXPECT_EQ(store.row(0).sub[ColTitle], QString());
    EXPECT_EQ(store.row(0).sub[ColPath], path);
}

TEST_F(LoaderTest, DamagedInputLoadsWithEmptyColumns)
{
    Bytes good = Id3v2Builder(3).text("TIT2", 0, u"ok").build();
    Bytes truncated(good.begin(), good.begin() + 14);
    Bytes huge = Id3v2Builder(3).frame("TIT2", textContent(0, u"x"), FrameOptions{.sizeField = 0xFFFFFFFF}).build();
    Bytes beyond = Id3v2Builder(3).frame("TIT2", textContent(0, u"x"), FrameOptions{.sizeField = 5000}).build();
    Bytes bigHeader = bytes({'I', 'D', '3', 3, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F, 'T', 'I', 'T', '2'});
    Bytes riffBeyond = RiffBuilder("WAVE").format(2, 44100, 16).list(InfoListBuilder().entry("INAM", "t"))
                           .declaredSize(0x7FFFFFF0).build();
    Bytes listBeyond = RiffBuilder("WAVE").format(2, 44100, 16)
                           .list(InfoListBuilder().entry("INAM", "t").declaredSize(0xFFFFFFF0)).build();
    // Sizes that lie about bytes beyond the file: what is really there is still read,
    // a frame that does not fit gives an empty column.
    struct Case { const char* name; Bytes bytes; const char* kind; const char* title; };
    const Case cases[] = {
        {"zero.mp3", {}, "not", ""},
        {"truncated.mp3", truncated, "v2.3", ""},
        {"huge.mp3", huge, "v2.3", ""},
        {"beyond.mp3", beyond, "v2.3", ""},
        {"bigheader.mp3", bigHeader, "v2.3", ""},
        {"riffbeyond.wav", riffBeyond, "riff", "t"},
        {"listbeyond.wav", listBeyond, "riff", "t"},
    };
    for (const Case& c : cases) {
        ListRow r = load(QString::fromLatin1(c.name), c.bytes);
        EXPECT_EQ(r.sub[ColTagKind], QString::fromLatin1(c.kind)) << c.name;
        EXPECT_EQ(r.sub[ColTitle], QString::fromLatin1(c.title)) << c.name;
        EXPECT_EQ(r.sub[ColTagKindV1], QStringLiteral("not")) << c.name;
    }
}

TEST_F(LoaderTest, RevertRowsDropsVanishedFiles)
{
    store = RowStore();
    QString a = dir.write(QStringLiteral("a.mp3"), concat({Id3v2Builder(3).text("TIT2", 0, u"A").build(), audio()}));
    QString b = dir.write(QStringLiteral("b.mp3"), audio());
    store.AddPlaceholderRow(a, {}, false);
    store.AddPlaceholderRow(b, {}, false);
    QFile::remove(b);
    TagLoader loader(options, &genres);
    EXPECT_EQ(loader.RevertRows(store, false, true, false, true, nullptr), 0); // no selection: nothing
    EXPECT_EQ(store.count(), 2);
    EXPECT_EQ(loader.RevertRows(store, true, true, false, true, nullptr), 1);
    ASSERT_EQ(store.count(), 1);
    EXPECT_EQ(store.row(0).sub[ColTitle], QStringLiteral("A"));
}

TEST(LoaderPeerSamples, EveryPeerSampleLoads)
{
    QDir peer(QStringLiteral(QUILLORY_PEER_SAMPLES));
    if (!peer.exists())
        GTEST_SKIP() << "peer samples not present";
    GenreTable genres;
    TagOptions options;
    options.forceAudioFormat = true;
    RowStore store;
    QDirIterator it(peer.path(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        store.AddPlaceholderRow(it.next(), {}, false);
    ASSERT_GT(store.count(), 50);
    TagLoader loader(options, &genres);
    for (int i = 0; i < store.count(); ++i) {
        loader.LoadRow(store, i, store.row(i).path(), false, true, true);
        EXPECT_FALSE(store.row(i).sub[ColTagKind].isEmpty()) << store.row(i).path().toStdString();
    }
}
