#include "app/EditorState.h"

#include "app/DataFiles.h"
#include "media/Genres.h"
#include "support/Id3v2Builder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quillory;
using quillory::test::Id3v2Builder;
using quillory::test::Utf16Order;

namespace {

QString q(const char* s)
{
    return QString::fromUtf8(s);
}

ListRow& addRow(RowStore& s, const QString& path = {})
{
    const int n = s.count();
    ListRow& r = s.AddPlaceholderRow(path.isEmpty() ? QStringLiteral("/m/f%1.mp3").arg(n) : path, {}, false);
    r.caption = QString::number(n + 1);
    r.sub[ColTagKind] = QStringLiteral("v2.3");
    r.sub[ColTagKindV1] = QStringLiteral("v1.1");
    return r;
}

// A row whose every field names itself, so that a box showing the wrong field shows.
ListRow& addNamedRow(RowStore& s)
{
    ListRow& r = addRow(s);
    for (int i = 0; i < kSubItemCount; ++i)
        if (i != ColPath && i != ColTagKind && i != ColTagKindV1 && i != ColChangedV2 && i != ColChangedV1)
            r.sub[std::size_t(i)] = QStringLiteral("s%1").arg(i);
    r.sub[ColDiscSet] = QStringLiteral("2/3");
    return r;
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const Bytes& bytes)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return {};
    f.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
    return path;
}

Bytes withAudio(Bytes tag)
{
    // A little MPEG-looking audio after the tag.
    for (int i = 0; i < 64; ++i)
        tag.push_back(i % 2 ? 0xFB : 0xFF);
    return tag;
}

} // namespace

// --- ShowRowInEditors ------------------------------------------------------------

TEST(ShowRowInEditors, BoxesShowTheirFieldFromTheRightBlock)
{
    struct Case {
        EditBox box;
        int v2ViewSub; // sub-item shown in the v2 view
        int v1ViewSub; // and after the blocks were swapped
    };
    const Case cases[] = {
        {EditBox::V2Title, ColTitle, ColTitleV1},   {EditBox::V2Artist, ColArtist, ColArtistV1},
        {EditBox::V2Album, ColAlbum, ColAlbumV1},   {EditBox::V2Genre, ColGenre, ColGenreV1},
        {EditBox::V2Track, ColTrack, ColTrackV1},   {EditBox::V2Year, ColYear, ColYearV1},
        {EditBox::V2Comment, ColComment, ColCommentV1},
        {EditBox::V1Title, ColTitleV1, ColTitle},   {EditBox::V1Artist, ColArtistV1, ColArtist},
        {EditBox::V1Album, ColAlbumV1, ColAlbum},   {EditBox::V1Genre, ColGenreV1, ColGenre},
        {EditBox::V1Track, ColTrackV1, ColTrack},   {EditBox::V1Year, ColYearV1, ColYear},
        {EditBox::V1Comment, ColCommentV1, ColComment},
        {EditBox::Composer, ColComposer, ColComposer}, {EditBox::Lyricist, ColLyricist, ColLyricist},
        {EditBox::Label, ColLabel, ColLabel},       {EditBox::Copyright, ColCopyright, ColCopyright},
        {EditBox::Encoder, ColEncoder, ColEncoder}, {EditBox::Url, ColUrl, ColUrl},
        {EditBox::Lyrics, ColLyrics, ColLyrics},
    };
    RowStore s;
    addNamedRow(s);
    const EditorContents v2 = ShowRowInEditors(&s.row(0), PrimarySide::V2, nullptr, nullptr, false);
    for (const Case& k : cases)
        EXPECT_EQ(v2[k.box].text, QStringLiteral("s%1").arg(k.v2ViewSub)) << int(k.box);
    EXPECT_EQ(v2[EditBox::DiscNumber].text, q("2"));
    EXPECT_EQ(v2[EditBox::DiscCount].text, q("3"));

    // In the v1 view the blocks are swapped, and the v2 boxes still show the v2 side.
    s.SwapTagBlocks(PrimarySide::V1);
    const EditorContents v1 = ShowRowInEditors(&s.row(0), PrimarySide::V1, nullptr, nullptr, false);
    for (const Case& k : cases) {
        EXPECT_EQ(v1[k.box].text, v2[k.box].text) << int(k.box);
        EXPECT_EQ(s.row(0).sub[std::size_t(k.v1ViewSub)], v1[k.box].text) << int(k.box);
    }
}

TEST(ShowRowInEditors, ColoursComeFromTheFramesCodes)
{
    RowStore s;
    ListRow& r = addRow(s);
    r.sub[ColTitle] = q("t");
    r.sub[ColArtist] = q("a");
    r.sub[ColAlbum] = q("b");
    r.sub[ColYear] = q("2004");
    r.sub[ColComment] = q("c");
    r.sub[ColDiscSet] = q("1/2");
    FrameTextCodes codes;
    codes.codes = {{"TIT2", 0}, {"TPE1", 1}, {"TALB", 5}, {"TYER", 3}, {"COMM", 2}, {"TPOS", 0x0FFFFFFF}};
    const EditorContents c = ShowRowInEditors(&r, PrimarySide::V2, nullptr, &codes, false);
    EXPECT_EQ(c[EditBox::V2Title].colour, TextColour::Normal);
    EXPECT_EQ(c[EditBox::V2Artist].colour, TextColour::Blue);
    EXPECT_EQ(c[EditBox::V2Album].colour, TextColour::Purple);
    EXPECT_EQ(c[EditBox::V2Year].colour, TextColour::Green);
    EXPECT_EQ(c[EditBox::V2Comment].colour, TextColour::Green);
    EXPECT_EQ(c[EditBox::DiscNumber].colour, TextColour::Green);
    EXPECT_EQ(c[EditBox::DiscCount].colour, TextColour::Green);
    EXPECT_EQ(c[EditBox::Composer].colour, TextColour::Normal) << "absent frame";
    EXPECT_EQ(c[EditBox::V1Title].colour, TextColour::Normal);

    // Without the file's codes a filled box takes the row's text code.
    r.sub[ColTextCode] = q("Utf16 le");
    const EditorContents d = ShowRowInEditors(&r, PrimarySide::V2, nullptr, nullptr, false);
    EXPECT_EQ(d[EditBox::V2Title].colour, TextColour::Purple);
    EXPECT_EQ(d[EditBox::Composer].colour, TextColour::Normal) << "empty box";
    EXPECT_EQ(d[EditBox::V1Title].colour, TextColour::Normal);
}

TEST(ShowRowInEditors, ColourTable)
{
    EXPECT_EQ(ColourOfTextCode(0), TextColour::Normal);
    EXPECT_EQ(ColourOfTextCode(1), TextColour::Blue);
    EXPECT_EQ(ColourOfTextCode(5), TextColour::Purple);
    for (int other : {2, 3, 4, 0x0FFFFFFF})
        EXPECT_EQ(ColourOfTextCode(other), TextColour::Green) << other;
    EXPECT_EQ(RgbOf(TextColour::Normal), (BoxRgb{0x55, 0x4B, 0x0B}));
}

TEST(ShowRowInEditors, HintsLabelsAndButtons)
{
    GenreTable genres(GenreLanguage::Japanese);
    RowStore s;
    ListRow& r = addRow(s);
    r.sub[ColGenre] = genres.GenreName(17);
    r.sub[ColGenreV1] = genres.GenreName(24);
    r.sub[ColTagSize] = q("4096");
    r.sub[ColTextCode] = q("Utf8");
    r.sub[ColPictureDescription] = q("表紙");
    r.sub[ColPicture] = kPicturePresent;

    FrameTextCodes codes;
    codes.codes = {{"TCON", 0}};
    codes.rawGenre = q("(17)");
    EditorContents c = ShowRowInEditors(&r, PrimarySide::V2, &genres, &codes, false);
    EXPECT_EQ(c.v2GenreHint, q("ID3 v1への参照 → (17)"));
    EXPECT_EQ(c.v1GenreHint, q("No=24"));
    EXPECT_EQ(c.tagSizeLabel, q("4096"));
    EXPECT_EQ(c.encodingLabel, q("Utf8"));
    EXPECT_TRUE(c.encodingLabelUpdated);
    EXPECT_EQ(c.pictureDescriptionLabel, q("表紙"));
    EXPECT_EQ(c.pictureDescriptionHint, q("表紙|画像の説明"));
    EXPECT_TRUE(c.pictureSetEnabled);
    EXPECT_TRUE(c.pictureRemoveEnabled);
    EXPECT_FALSE(c.v1DeleteEnabled);
    EXPECT_EQ(c.pictureState, kPicturePresent);

    codes.rawGenre = q("Rock");
    c = ShowRowInEditors(&r, PrimarySide::V2, &genres, &codes, true);
    EXPECT_EQ(c.v2GenreHint, q("ジャンル"));
    EXPECT_FALSE(c.encodingLabelUpdated) << "playback keeps the label";

    r.sub[ColGenreV1] = q("分類不能");
    EXPECT_EQ(ShowRowInEditors(&r, PrimarySide::V2, &genres, &codes, false).v1GenreHint, q("No=255"));

    // The ID3v1 view: no picture buttons; the delete button follows the v1 tag kind.
    s.SwapTagBlocks(PrimarySide::V1);
    c = ShowRowInEditors(&r, PrimarySide::V1, &genres, &codes, false);
    EXPECT_FALSE(c.pictureSetEnabled);
    EXPECT_FALSE(c.pictureRemoveEnabled);
    EXPECT_TRUE(c.v1DeleteEnabled);
}

TEST(ShowRowInEditors, PictureButtonsByTagKindAndState)
{
    struct Case {
        const char* kind;
        const char* picture;
        bool set;
        bool remove;
    };
    const Case cases[] = {
        {"v2.3", "", true, false}, {"wma", "有り", true, true}, {"riff", "有り", false, true},
        {"not", "", false, false}, {"v2.4", "削除", true, false},
    };
    for (const Case& k : cases) {
        RowStore s;
        ListRow& r = addRow(s);
        r.sub[ColTagKind] = q(k.kind);
        r.sub[ColPicture] = q(k.picture);
        const EditorContents c = ShowRowInEditors(&r, PrimarySide::V2, nullptr, nullptr, false);
        EXPECT_EQ(c.pictureSetEnabled, k.set) << k.kind;
        EXPECT_EQ(c.pictureRemoveEnabled, k.remove) << k.kind;
    }
}

TEST(ShowRowInEditors, NoRowEmptiesEverything)
{
    const EditorContents c = ShowRowInEditors(nullptr, PrimarySide::V2, nullptr, nullptr, false);
    for (const BoxContent& b : c.boxes)
        EXPECT_TRUE(b.text.isEmpty());
    EXPECT_FALSE(c.pictureSetEnabled || c.pictureRemoveEnabled || c.v1DeleteEnabled);
}

// --- what the file holds ---------------------------------------------------------

TEST(FrameTextCodes, ReadFromTheFilesTag)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const Bytes tag = Id3v2Builder(3)
                          .text("TIT2", 1, u"タイトル", Utf16Order::Little)
                          .text("TPE1", 1, u"Artist", Utf16Order::Big)
                          .text("TALB", 0, u"Album")
                          .text("TCON", 2, u"(17)")
                          .comment("COMM", 1, "jpn", u"", u"コメント")
                          .padding(32)
                          .build();
    const QString path = writeFile(dir, QStringLiteral("a.mp3"), withAudio(tag));
    const FrameTextCodes codes = ReadFrameTextCodes(path);
    EXPECT_EQ(codes.codeOf("TIT2"), 5);
    EXPECT_EQ(codes.codeOf("TPE1"), 1);
    EXPECT_EQ(codes.codeOf("TALB"), 0);
    EXPECT_EQ(codes.codeOf("TCON"), 2);
    EXPECT_EQ(codes.codeOf("COMM"), 5);
    EXPECT_EQ(codes.codeOf("TRCK"), -1);
    EXPECT_EQ(codes.rawGenre, q("(17)"));
}

TEST(FrameTextCodes, UnsynchronisedAndVersionTwoPointTwo)
{
    QTemporaryDir dir;
    const Bytes v22 = Id3v2Builder(2).text("TT2", 3, u"ÿÿtitle").build();
    EXPECT_EQ(ReadFrameTextCodes(writeFile(dir, QStringLiteral("b.mp3"), withAudio(v22))).codeOf("TIT2"), 3);
    const Bytes unsync = Id3v2Builder(3).text("TPE1", 1, u"\u00ff\u00e0", Utf16Order::Little).unsynchronised().build();
    EXPECT_EQ(ReadFrameTextCodes(writeFile(dir, QStringLiteral("c.mp3"), withAudio(unsync))).codeOf("TPE1"), 5);
}

TEST(FrameTextCodes, NothingForFilesWithoutATag)
{
    QTemporaryDir dir;
    EXPECT_TRUE(ReadFrameTextCodes(dir.filePath(QStringLiteral("missing.mp3"))).codes.empty());
    EXPECT_TRUE(ReadFrameTextCodes(writeFile(dir, QStringLiteral("short.mp3"), test::bytes("ID3"))).codes.empty());
    EXPECT_TRUE(ReadFrameTextCodes(writeFile(dir, QStringLiteral("riff.wav"), test::bytes("RIFFxxxxWAVEfmt ")))
                    .codes.empty());
    // A size field that promises more than the file holds reads what is there.
    const Bytes lying = Id3v2Builder(3).text("TIT2", 0, u"t").declaredSize(0x0FFFFFFF).build();
    EXPECT_EQ(ReadFrameTextCodes(writeFile(dir, QStringLiteral("lying.mp3"), lying)).codeOf("TIT2"), 0);
}

TEST(FileHoldsPicture, FindsTheFirstPictureFrame)
{
    QTemporaryDir dir;
    Bytes jpeg = test::bytes({0xFF, 0xD8, 0xFF, 0xE0});
    jpeg.resize(200, 0x11);
    const Bytes with = Id3v2Builder(3).text("TIT2", 0, u"t").picture(0, "image/jpeg", 3, u"Front", jpeg).build();
    const Bytes without = Id3v2Builder(3).text("TIT2", 0, u"t").padding(300).build();
    const Bytes v24 = Id3v2Builder(4).picture(0, "image/png", 3, u"", test::bytes("\x89PNG\r\n\x1a\n0123456789"))
                          .unsynchronised()
                          .build();
    EXPECT_TRUE(FileHoldsPicture(writeFile(dir, QStringLiteral("p.mp3"), withAudio(with))));
    EXPECT_FALSE(FileHoldsPicture(writeFile(dir, QStringLiteral("n.mp3"), withAudio(without))));
    EXPECT_TRUE(FileHoldsPicture(writeFile(dir, QStringLiteral("u.mp3"), withAudio(v24))));
    EXPECT_FALSE(FileHoldsPicture(dir.filePath(QStringLiteral("missing.mp3"))));
    EXPECT_FALSE(FileHoldsPicture(writeFile(dir, QStringLiteral("x.wma"), test::bytes("not an asf file"))));
}

TEST(FileHoldsPicture, PeerSamplesAreSurvived)
{
    const QString root = QStringLiteral(QUILLORY_PEER_SAMPLES);
    if (!QDir(root).exists())
        GTEST_SKIP() << "no peer samples";
    int files = 0;
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        (void)FileHoldsPicture(path);
        const FrameTextCodes codes = ReadFrameTextCodes(path);
        for (const auto& [id, code] : codes.codes)
            EXPECT_EQ(id.size(), 4u) << qPrintable(path);
        ++files;
    }
    EXPECT_GT(files, 0);
}

// --- focus and change events -----------------------------------------------------

TEST(BoxFocus, CurrentColumnFollowsTheBox)
{
    struct Case {
        EditBox box;
        int columnMask;
        int want; // current column starts at 5
    };
    const Case cases[] = {
        {EditBox::V2Title, 0, 0},       {EditBox::V2Artist, 0, 1},      {EditBox::V2Album, 0, 2},
        {EditBox::V2Genre, 0, 3},       {EditBox::V2Track, 0, 4},       {EditBox::V2Year, 0, 5},
        {EditBox::V1Title, 0, 0},       {EditBox::V1Genre, 0, 3},       {EditBox::V1Track, 0, 4},
        {EditBox::Composer, 0, 5},      {EditBox::Composer, 0x1, 18},   {EditBox::Lyricist, 0x1, 5},
        {EditBox::Lyricist, 0x2, 19},   {EditBox::Label, 0x4, 20},      {EditBox::Label, 0x3, 5},
        {EditBox::Copyright, 0x8, 24},  {EditBox::Encoder, 0x10, 25},   {EditBox::Url, 0x20, 26},
        {EditBox::Url, 0x1F, 5},        {EditBox::V2Comment, 0x7FF, 5}, {EditBox::V1Comment, 0x7FF, 5},
        {EditBox::DiscNumber, 0x7FF, 5}, {EditBox::DiscCount, 0x7FF, 5}, {EditBox::Lyrics, 0x7FF, 5},
    };
    for (const Case& k : cases) {
        EditorState s;
        s.currentColumn = 5;
        BoxFocused(s, k.box, k.columnMask, 1);
        EXPECT_EQ(s.currentColumn, k.want) << int(k.box) << " mask " << k.columnMask;
        EXPECT_TRUE(s.v1Editing && s.v2Editing);
    }
    EditorState s;
    EXPECT_EQ(BoxFocused(s, EditBox::V2Title, 0, 1), Repaint::Row);
    EXPECT_EQ(BoxFocused(s, EditBox::V2Title, 0, 3), Repaint::List);
    EXPECT_EQ(BoxFocused(s, EditBox::V2Title, 0, 0), Repaint::None);
}

TEST(BoxFocus, LeavingCopyrightOrEncoderAddsToTheirList)
{
    EditorState s;
    s.v1Editing = s.v2Editing = true;
    DropDownLists lists;
    lists.encoder = {q("LAME")};
    BoxLeft(s, EditBox::Encoder, q("  LAME  "), lists);
    EXPECT_FALSE(s.v1Editing || s.v2Editing);
    EXPECT_EQ(lists.encoder, QStringList{q("LAME")});
    EXPECT_FALSE(lists.encoderDue);
    BoxLeft(s, EditBox::Encoder, q("FhG "), lists);
    EXPECT_EQ(lists.encoder, (QStringList{q("LAME"), q("FhG")}));
    EXPECT_TRUE(lists.encoderDue);
    BoxLeft(s, EditBox::Copyright, q("   "), lists);
    EXPECT_TRUE(lists.copyright.isEmpty());
    BoxLeft(s, EditBox::Label, q("label"), lists);
    EXPECT_TRUE(lists.copyright.isEmpty());
    EXPECT_FALSE(lists.copyrightDue);
}

TEST(BoxFocus, BoxTable)
{
    for (EditBox b : {EditBox::V1Title, EditBox::V1Track, EditBox::V2Title, EditBox::V2Track, EditBox::Lyrics})
        EXPECT_TRUE(AppliesToOneRowOnly(b)) << int(b);
    for (EditBox b : {EditBox::V1Artist, EditBox::V2Year, EditBox::Composer, EditBox::DiscCount, EditBox::Url})
        EXPECT_FALSE(AppliesToOneRowOnly(b)) << int(b);
    EXPECT_TRUE(IsV1Box(EditBox::V1Comment));
    EXPECT_FALSE(IsV1Box(EditBox::V2Genre));
    EXPECT_EQ(FieldOfBox(EditBox::DiscNumber), ColDiscSet);
    EXPECT_EQ(FieldOfBox(EditBox::Lyrics), ColLyrics);
}

// --- the tag view ----------------------------------------------------------------

TEST(TagView, PressOnTheCheckedBoxChangesNothing)
{
    RowStore s;
    addRow(s).sub[ColTitleV1] = q("v1");
    EditorState st;
    const TagViewLayout l = IDTagV1ChkBoxMouseDown(st, s, 2, true);
    EXPECT_FALSE(l.switched);
    EXPECT_FALSE(l.swapped);
    EXPECT_TRUE(st.v2Checked);
    EXPECT_FALSE(st.v1Checked);
    EXPECT_EQ(s.side(), PrimarySide::V2);
    EXPECT_EQ(s.row(0).sub[ColTitleV1], q("v1"));
}

TEST(TagView, V1SwapsOnceAndDisablesTheV2Panels)
{
    RowStore s;
    ListRow& r = addRow(s);
    r.sub[ColTitle] = q("v2");
    r.sub[ColTitleV1] = q("v1");
    EditorState st;
    st.currentColumn = ColComposer;

    TagViewLayout l = IDTagV1ChkBoxMouseDown(st, s, 1, true);
    EXPECT_TRUE(l.switched);
    EXPECT_TRUE(l.swapped);
    EXPECT_EQ(l.view, 1);
    EXPECT_TRUE(st.v1Checked);
    EXPECT_FALSE(st.v2Checked);
    EXPECT_EQ(st.currentColumn, -1);
    EXPECT_FALSE(l.v2PanelsEnabled);
    EXPECT_TRUE(l.v1PanelEnabled);
    EXPECT_FALSE(l.extraButtonEnabled);
    EXPECT_TRUE(l.pictureColumnHidden);
    EXPECT_TRUE(l.v1BoxesActive);
    EXPECT_FALSE(l.pictureButtonEnabled);
    EXPECT_EQ(l.speedButton8Caption, q("Tag v2"));
    EXPECT_EQ(r.sub[ColTitle], q("v1"));

    // The second press on the now checked box: no second swap.
    l = IDTagV1ChkBoxMouseDown(st, s, 1, true);
    EXPECT_FALSE(l.swapped);
    EXPECT_TRUE(st.v1Checked);
    EXPECT_EQ(r.sub[ColTitle], q("v1"));

    // Back to v2: every row restored.
    l = IDTagV1ChkBoxMouseDown(st, s, 2, true);
    EXPECT_TRUE(l.swapped);
    EXPECT_FALSE(st.v1Checked);
    EXPECT_EQ(r.sub[ColTitle], q("v2"));
    EXPECT_TRUE(l.v2PanelsEnabled);
    EXPECT_TRUE(l.pictureButtonEnabled);
    EXPECT_EQ(l.speedButton8Caption, q("Tag v1"));
}

TEST(TagView, CurrentColumnUpToFiveSurvives)
{
    RowStore s;
    addRow(s);
    EditorState st;
    st.currentColumn = FieldYear;
    IDTagV1ChkBoxMouseDown(st, s, 1, false);
    EXPECT_EQ(st.currentColumn, FieldYear);
}

TEST(TagView, SwitchOnlyWhenItsBoxIsChecked)
{
    RowStore s;
    addRow(s);
    EditorState st;
    const TagViewLayout l = SwitchTagView(st, s, 1, true);
    EXPECT_FALSE(l.switched);
    EXPECT_EQ(s.side(), PrimarySide::V2);
}

TEST(TagView, SpeedButton8GoesToTheOtherView)
{
    RowStore s;
    addRow(s);
    EditorState st;
    TagViewLayout l = SpeedButton8Click(st, s, true);
    EXPECT_EQ(l.view, 1);
    EXPECT_TRUE(l.swapped);
    EXPECT_EQ(s.side(), PrimarySide::V1);
    l = SpeedButton8Click(st, s, true);
    EXPECT_EQ(l.view, 2);
    EXPECT_TRUE(l.swapped);
    EXPECT_TRUE(st.v2Checked && !st.v1Checked);
    EXPECT_EQ(s.side(), PrimarySide::V2);
}

TEST(TagView, CodeComboFollowsTheVersion)
{
    struct Case {
        int version;
        int code;
        int want;
    };
    const Case cases[] = {
        {0, 0, 0}, {0, 1, 0}, {0, 2, 0}, {1, 2, 1}, {2, 2, 1}, {2, 1, 1}, {1, 0, 0}, {3, 2, 2}, {3, 1, 1},
    };
    for (const Case& k : cases)
        EXPECT_EQ(CodeComboAfterChange(k.version, k.code), k.want) << k.version << "/" << k.code;
}

// --- columns and the cell editors ------------------------------------------------

TEST(ColumnFields, FieldUnderTheMouse)
{
    struct Case {
        int column;
        int mask;
        bool v2;
        int want;
    };
    const Case cases[] = {
        {0, 0, true, -1},     {1, 0, true, 0},       {6, 0, true, 5},      {7, 0, true, -1},
        {19, 0x1, true, 18},  {19, 0, true, -1},     {20, 0x2, true, 19},  {21, 0x4, true, 20},
        {25, 0x8, true, 24},  {26, 0x10, true, 25},  {27, 0x20, true, 26}, {28, 0x40, true, 27},
        {28, 0x40, false, -1}, {29, 0x7FF, true, -1}, {24, 0x7FF, true, -1},
    };
    for (const Case& k : cases)
        EXPECT_EQ(FieldOfListColumn(k.column, k.mask, k.v2), k.want) << "column " << k.column;
}

TEST(ColumnFields, LeftAndRight)
{
    struct Case {
        int from;
        int dir;
        int mask;
        bool v2;
        int want;
    };
    const Case cases[] = {
        {0, +1, 0, true, 1},       {5, +1, 0, true, 5},       {5, +1, 0x1, true, 18},
        {5, +1, 0x4, true, 20},    {20, -1, 0x4, true, 5},    {18, -1, 0x3, true, 5},
        {19, +1, 0x7F, true, 20},  {20, +1, 0x7F, true, 24},  {27, +1, 0x7F, true, 27},
        {5, +1, 0x7F, false, 5},   {0, -1, 0, true, 0},       {-1, +1, 0, true, 0},
        {26, -1, 0x60, true, 5},
    };
    for (const Case& k : cases)
        EXPECT_EQ(MoveCurrentColumn(k.from, k.dir, k.mask, k.v2), k.want) << k.from << " dir " << k.dir;
}

TEST(CellEditors, RefusedFields)
{
    struct Case {
        const char* path;
        const char* kind;
        const char* audio;
        bool v1View;
        int field;
        bool allowed;
    };
    const Case cases[] = {
        {"/a.mp3", "v2.3", "", false, FieldTrack, true},  {"/a.mp3", "v2.3", "", false, -1, false},
        {"/a.rmp", "riff", "", false, FieldTrack, false}, {"/a.rmp", "riff", "", false, ColComposer, false},
        {"/a.rmp", "riff", "", false, ColUrl, false},     {"/a.rmp", "riff", "", false, ColLabel, true},
        {"/a.wav", "riff", "PCM", false, FieldTitle, true}, {"/a.wav", "riff", "PCM", false, ColLyricist, false},
        {"/a.wav", "riff", "不明", false, FieldTitle, false}, {"/a.wav", "riff", "PCM", true, FieldTitle, false},
        {"/a.mp3", "v2.3", "", true, FieldTrack, true},
    };
    for (const Case& k : cases) {
        RowStore s;
        ListRow& r = addRow(s, QString::fromLatin1(k.path));
        r.sub[ColTagKind] = q(k.kind);
        r.sub[ColAudioFormat] = q(k.audio);
        if (k.v1View)
            s.SwapTagBlocks(PrimarySide::V1);
        EXPECT_EQ(CellEditAllowed(r, k.field, s.side()), k.allowed) << k.path << " field " << k.field;
    }
}

TEST(CellEditors, StartCapturesTheSelection)
{
    RowStore s;
    addRow(s).selected = true;
    addRow(s);
    addRow(s).selected = true;
    EditorState st;
    EXPECT_FALSE(StartCellEditor(st, s, 0)) << "no current column";
    st.currentColumn = ColPicture;
    EXPECT_FALSE(StartCellEditor(st, s, 0));
    st.currentColumn = FieldAlbum;
    EXPECT_FALSE(StartCellEditor(st, s, 7)) << "no such row";
    ASSERT_TRUE(StartCellEditor(st, s, 0));
    EXPECT_EQ(st.captured, (std::vector<int>{0, 2}));

    EXPECT_TRUE(CellEditorShapeFor(FieldArtist).combo);
    EXPECT_EQ(CellEditorShapeFor(ColEncoder).reserve, 36);
    EXPECT_FALSE(CellEditorShapeFor(FieldTitle).combo);
    EXPECT_EQ(CellEditorShapeFor(ColUrl).reserve, 16);
    EXPECT_EQ(MeasuredText(q("a?b?")), q("a＝b＝"));
}

TEST(CellEditors, InputBoxChoices)
{
    const QStringList artists{q("A"), q("B")};
    const QStringList genres{q("ロック")};
    const QStringList copyright{q("(C) X  "), q("Y")};
    EXPECT_EQ(InputBoxChoices(FieldArtist, artists, genres, copyright, {}, 2024), artists);
    EXPECT_EQ(InputBoxChoices(FieldGenre, artists, genres, copyright, {}, 2024), genres);
    EXPECT_EQ(InputBoxChoices(ColCopyright, artists, genres, copyright, {}, 2024), (QStringList{q("(C) X"), q("Y")}));
    const QStringList years = InputBoxChoices(FieldYear, {}, {}, {}, {}, 2024);
    ASSERT_EQ(years.size(), 35);
    EXPECT_EQ(years.front(), q("1990"));
    EXPECT_EQ(years.back(), q("2024"));
    EXPECT_TRUE(InputBoxChoices(FieldTitle, artists, genres, copyright, {}, 2024).isEmpty());
}

TEST(CellEditors, EditEntryOfThePopup)
{
    struct Case {
        int rows, selected, column;
        bool pictureButton;
        bool visible, enabled;
    };
    const Case cases[] = {
        {0, 0, 1, false, false, false}, {3, 1, -1, false, false, true}, {3, 2, 1, false, true, true},
        {3, 2, 0, false, true, false},  {3, 2, 4, false, true, false},  {3, 1, 4, false, true, true},
        {3, 0, 2, false, true, false},  {3, 1, 27, false, false, true}, {3, 1, 27, true, true, true},
        {3, 1, 26, false, true, true},
    };
    for (const Case& k : cases) {
        const EntryState e = EditEntryState(k.rows, k.selected, k.column, k.pictureButton);
        EXPECT_EQ(e.visible, k.visible) << k.rows << "/" << k.selected << "/" << k.column;
        EXPECT_EQ(e.enabled, k.enabled) << k.rows << "/" << k.selected << "/" << k.column;
    }
}

TEST(DropDownList, AddTrimsAndKeepsOneOfEach)
{
    QStringList list{q("a")};
    bool changed = false;
    EXPECT_FALSE(AddToDropDownList(list, changed, q(" a ")));
    EXPECT_FALSE(AddToDropDownList(list, changed, q("  ")));
    EXPECT_FALSE(changed);
    EXPECT_TRUE(AddToDropDownList(list, changed, q(" b\t")));
    EXPECT_TRUE(changed);
    EXPECT_EQ(list, (QStringList{q("a"), q("b")}));
}
