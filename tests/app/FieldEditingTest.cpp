#include "app/FieldEditing.h"

#include "app/DataFiles.h"
#include "app/UserPrompt.h"
#include "media/Genres.h"

#include <gtest/gtest.h>

#include <deque>

using namespace quillory;

namespace {

// Answers questions from a script and records them.
class ScriptedPrompt : public UserPrompt {
public:
    std::deque<Answer> answers;
    std::vector<Question> asked;

    void ShowMessage(const QString&, const QString&, PromptIcon) override {}
    Answer Ask(Question& q) override
    {
        asked.push_back(q);
        if (answers.empty())
            return Answer::Cancel;
        Answer a = answers.front();
        answers.pop_front();
        return a;
    }
};

QString q(const char* s)
{
    return QString::fromUtf8(s);
}

// A read row of an MP3 file with an ID3v2.3 and an ID3v1.1 tag.
ListRow& addRow(RowStore& s, const QString& artist = {}, const QString& album = {}, const QString& path = {})
{
    const int n = s.count();
    ListRow& r = s.AddPlaceholderRow(path.isEmpty() ? QStringLiteral("/m/f%1.mp3").arg(n) : path, {}, false);
    r.caption = QString::number(n + 1);
    r.sub[ColTitle] = QStringLiteral("title %1").arg(n);
    r.sub[ColArtist] = artist;
    r.sub[ColAlbum] = album;
    r.sub[ColTagKind] = QStringLiteral("v2.3");
    r.sub[ColTitleV1] = QStringLiteral("v1 title %1").arg(n);
    r.sub[ColArtistV1] = artist;
    r.sub[ColAlbumV1] = album;
    r.sub[ColTagKindV1] = QStringLiteral("v1.1");
    return r;
}

void selectAll(RowStore& s)
{
    for (int i = 0; i < s.count(); ++i)
        s.row(i).selected = true;
}

unsigned maskOf(const ListRow& r, int col)
{
    return r.sub[std::size_t(col)].toUInt();
}

struct Fixture {
    RowStore store;
    EditorState state;
    ScriptedPrompt prompt;
    GenreTable genres{GenreLanguage::Japanese};
    bool filePicture = true;

    EditContext ctx()
    {
        EditContext c(store, state, prompt);
        c.genres = &genres;
        c.pictureProbe = [this](const QString&) { return filePicture; };
        return c;
    }
};

} // namespace

// --- applying to rows ------------------------------------------------------------

TEST(ApplyFieldEdit, AlbumChangesEverySelectedRowAndSetsItsBit)
{
    Fixture f;
    for (int i = 0; i < 3; ++i)
        addRow(f.store, q("A"), q("old"));
    addRow(f.store, q("A"), q("old")); // not selected
    for (int i = 0; i < 3; ++i)
        f.store.row(i).selected = true;
    EditContext c = f.ctx();

    EditOutcome out = ApplyFieldEdit(c, q("新しいアルバム"), FieldAlbum);

    EXPECT_EQ(out.changedRows, 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(f.store.row(i).sub[ColAlbum], q("新しいアルバム"));
        EXPECT_EQ(maskOf(f.store.row(i), ColChangedV2), 0x2000u);
        EXPECT_EQ(f.store.row(i).image, kImageEdited);
        EXPECT_EQ(f.store.row(i).sub[ColAlbumV1], q("old")) << "the other block stays";
    }
    EXPECT_EQ(f.store.row(3).sub[ColAlbum], q("old"));
    EXPECT_EQ(f.store.row(3).sub[ColChangedV2], q("0"));
    EXPECT_TRUE(f.state.buttons.v2);
    EXPECT_FALSE(f.state.buttons.v1);
    EXPECT_FALSE(f.state.buttons.both);
    EXPECT_TRUE(f.state.pending.v2);
    EXPECT_FALSE(f.state.pending.v1);
}

TEST(ApplyFieldEdit, NothingWithoutSelectionAndForTheSentinelOrNoField)
{
    for (bool listCheck : {false, true}) {
        Fixture f;
        addRow(f.store, q("A"), q("B"));
        EditContext c = f.ctx();
        c.listCheck = listCheck;
        EXPECT_TRUE(ApplyFieldEdit(c, q("x"), FieldAlbum).ignored);
        f.store.row(0).selected = true;
        EXPECT_TRUE(ApplyFieldEdit(c, kPictureSentinel, FieldAlbum).ignored) << listCheck;
        EXPECT_TRUE(ApplyFieldEdit(c, q("x"), -1).ignored);
        EXPECT_EQ(f.store.row(0).sub[ColAlbum], q("B"));
        EXPECT_EQ(f.store.row(0).sub[ColChangedV2], q("0"));
        EXPECT_TRUE(f.prompt.asked.empty());
    }
}

TEST(ApplyFieldToRow, RowRules)
{
    struct Case {
        const char* what;
        const char* path;
        const char* tagKind;
        bool v1View;
        bool read;
        int field;
        bool changes;
    };
    const Case cases[] = {
        {"mp3 title", "/m/a.mp3", "v2.3", false, true, FieldTitle, true},
        {"not read yet", "/m/a.mp3", "", false, false, FieldAlbum, false},
        {"wave in the v1 view", "/m/a.WAV", "v1.1", true, true, FieldAlbum, false},
        {"wave in the v2 view", "/m/a.wav", "riff", false, true, FieldAlbum, true},
        {"riff track", "/m/a.rmp", "riff", false, true, FieldTrack, false},
        {"riff composer", "/m/a.rmp", "riff", false, true, ColComposer, false},
        {"riff lyricist", "/m/a.rmp", "riff", false, true, ColLyricist, false},
        {"riff part of set", "/m/a.rmp", "riff", false, true, ColDiscSet, false},
        {"riff URL", "/m/a.rmp", "riff", false, true, ColUrl, false},
        {"riff label", "/m/a.rmp", "riff", false, true, ColLabel, true},
        {"riff title", "/m/a.rmp", "riff", false, true, FieldTitle, true},
        {"tag kind has no bit", "/m/a.mp3", "v2.3", false, true, FieldTagKind, false},
        {"path has no bit", "/m/a.mp3", "v2.3", false, true, ColPath, false},
    };
    for (const Case& k : cases) {
        Fixture f;
        ListRow& r = addRow(f.store, q("A"), q("B"), QString::fromLatin1(k.path));
        if (!k.read)
            r.caption.clear();
        if (k.v1View) {
            r.sub[ColTagKindV1] = QString::fromLatin1(k.tagKind);
            f.store.SwapTagBlocks(PrimarySide::V1);
        } else {
            r.sub[ColTagKind] = QString::fromLatin1(k.tagKind);
        }
        const auto before = r.sub;
        EditContext c = f.ctx();
        EXPECT_EQ(ApplyFieldToRow(c, q("新"), 0, k.field), k.changes) << k.what;
        if (k.changes) {
            EXPECT_EQ(GetRowField(r, kShownBase, k.field), q("新")) << k.what;
            EXPECT_EQ(maskOf(r, ColChangedV2), ChangeBit(k.field)) << k.what;
        } else {
            EXPECT_EQ(r.sub, before) << k.what;
        }
    }
}

TEST(ApplyFieldToRow, SameTextLeavesTheMask)
{
    Fixture f;
    addRow(f.store, q("A"), q("B")).sub[ColChangedV2] = QStringLiteral("16384");
    EditContext c = f.ctx();
    EXPECT_FALSE(ApplyFieldToRow(c, q("B"), 0, FieldAlbum));
    EXPECT_EQ(f.store.row(0).sub[ColChangedV2], q("16384"));
    EXPECT_FALSE(f.state.buttons.v2);
}

TEST(ApplyFieldToRow, V1ViewMarksTheV1MaskAndButton)
{
    Fixture f;
    addRow(f.store, q("A"), q("B"));
    addRow(f.store, q("A"), q("B")).sub[ColChangedV2] = QStringLiteral("1"); // v2 change pending
    f.store.SwapTagBlocks(PrimarySide::V1);
    EditContext c = f.ctx();

    ASSERT_TRUE(ApplyFieldToRow(c, q("v1 artist"), 0, FieldArtist));
    const ListRow& r = f.store.row(0);
    EXPECT_EQ(r.sub[ColArtist], q("v1 artist")); // shown block = ID3v1 now
    EXPECT_EQ(maskOf(r, ColChangedV2), 0x4000u);
    EXPECT_EQ(r.sub[ColChangedV1], q("0"));
    EXPECT_TRUE(f.state.buttons.v1);
    EXPECT_FALSE(f.state.buttons.both);

    f.state.buttons.v2 = true;
    ASSERT_TRUE(ApplyFieldToRow(c, q("v1 album"), 0, FieldAlbum));
    EXPECT_TRUE(f.state.buttons.both);
}

TEST(ApplyFieldToRow, V1GenreTakesOnlyNamesOfTheV1List)
{
    Fixture f;
    addRow(f.store, q("A"), q("B"));
    f.store.SwapTagBlocks(PrimarySide::V1);
    EditContext c = f.ctx();
    EXPECT_FALSE(ApplyFieldToRow(c, q("存在しないジャンル"), 0, FieldGenre));
    EXPECT_EQ(f.store.row(0).sub[ColChangedV2], q("0"));
    EXPECT_FALSE(f.state.buttons.v1);
    const QString rock = f.genres.GenreName(17);
    EXPECT_TRUE(ApplyFieldToRow(c, rock, 0, FieldGenre));
    EXPECT_EQ(f.store.row(0).sub[ColGenre], rock);
    EXPECT_EQ(maskOf(f.store.row(0), ColChangedV2), 0x1000u);
}

TEST(ApplyFieldToRow, RowFieldsMarkTheV2MaskInTheV1View)
{
    // The per-row fields belong to the ID3v2 side: their bit must reach the mask the
    // v2 writer reads, not the ID3v1 mask shown in sub-item 8.
    Fixture f;
    addRow(f.store, q("A"), q("B"));
    f.store.SwapTagBlocks(PrimarySide::V1);
    EditContext c = f.ctx();
    ASSERT_TRUE(ApplyFieldToRow(c, q("作曲者"), 0, ColComposer));
    const ListRow& r = f.store.row(0);
    EXPECT_EQ(r.sub[ColComposer], q("作曲者"));
    EXPECT_EQ(r.sub[ColChangedV2], q("0"));
    EXPECT_EQ(maskOf(r, ColChangedV1), 0x0100u); // sub-item 17 holds the v2 block now
    EXPECT_TRUE(f.state.buttons.v2);
    EXPECT_FALSE(f.state.buttons.v1);
}

// --- the picture field -----------------------------------------------------------

TEST(ApplyFieldToRow, PictureField)
{
    struct Case {
        const char* what;
        const char* state;
        const char* mask;
        bool filePicture;
        const char* text;
        bool changes;
        const char* wantState;
        const char* wantMask;
        const char* wantDescription;
    };
    // Pending description "表紙"; the row's own description "old".
    const Case cases[] = {
        {"remove a present picture", "有り", "0", true, "削除", true, "削除", "1", ""},
        {"remove while a file is pending", "/p/new.jpg", "1", true, "削除", true, "削除", "1", ""},
        {"remove when the file has none", "", "0", false, "削除", false, "", "0", "old"},
        {"set a picture file", "有り", "8192", true, "/p/cover.jpg", true, "/p/cover.jpg", "8193", "表紙"},
        {"rewrite the description", "有り", "0", true, "info", true, "info", "1", "表紙"},
        {"cancel a removal", "削除", "8193", true, "", true, "有り", "8192", ""},
        {"cancel a file, audio has one", "/p/new.jpg", "1", true, "", true, "有り", "0", ""},
        {"cancel a file, audio has none", "/p/new.jpg", "1", false, "", true, "", "0", ""},
        {"cancel with nothing pending", "有り", "8192", true, "", false, "有り", "8192", "old"},
        {"cancel info", "info", "1", true, "", false, "info", "1", "old"},
        {"cancel on no picture", "", "0", false, "", false, "", "0", "old"},
    };
    for (const Case& k : cases) {
        Fixture f;
        f.filePicture = k.filePicture;
        f.state.pictureDescription = q("表紙");
        ListRow& r = addRow(f.store, q("A"), q("B"));
        r.sub[ColPicture] = q(k.state);
        r.sub[ColChangedV2] = q(k.mask);
        r.sub[ColPictureDescription] = q("old");
        EditContext c = f.ctx();
        EXPECT_EQ(ApplyFieldToRow(c, q(k.text), 0, ColPicture), k.changes) << k.what;
        EXPECT_EQ(r.sub[ColPicture], q(k.wantState)) << k.what;
        EXPECT_EQ(r.sub[ColChangedV2], q(k.wantMask)) << k.what;
        EXPECT_EQ(r.sub[ColPictureDescription], q(k.wantDescription)) << k.what;
        if (k.changes) {
            EXPECT_EQ(r.image, r.sub[ColChangedV2] == q("0") ? kImageNone : kImageEdited) << k.what;
        }
    }
}

TEST(ApplyFieldToRow, RemovingEmptiesThePendingDescription)
{
    Fixture f;
    f.state.pictureDescription = q("表紙");
    addRow(f.store).sub[ColPicture] = kPicturePresent;
    EditContext c = f.ctx();
    ASSERT_TRUE(ApplyFieldToRow(c, kPictureDelete, 0, ColPicture));
    EXPECT_TRUE(f.state.pictureDescription.isEmpty());
}

TEST(ApplyFieldToRow, NoPictureForWaveAndRiffRows)
{
    for (const char* path : {"/m/a.wav", "/m/a.rmp"}) {
        Fixture f;
        ListRow& r = addRow(f.store, {}, {}, QString::fromLatin1(path));
        r.sub[ColTagKind] = QStringLiteral("riff");
        if (QString::fromLatin1(path).endsWith(QLatin1String(".wav")))
            r.sub[ColTagKind] = QStringLiteral("not");
        EditContext c = f.ctx();
        EXPECT_FALSE(ApplyFieldToRow(c, q("/p/cover.jpg"), 0, ColPicture)) << path;
        EXPECT_TRUE(r.sub[ColPicture].isEmpty());
    }
}

// --- the confirmation ------------------------------------------------------------

namespace {

struct ConfirmCase {
    const char* what;
    std::vector<Answer> answers;
    std::vector<int> askedRows;   // 1-based row numbers asked about, in order
    std::vector<int> changedRows; // 1-based
    bool cancelled;
};

void PrintTo(const ConfirmCase& c, std::ostream* os)
{
    *os << c.what;
}

class ListCheckAlbum : public ::testing::TestWithParam<ConfirmCase> {};

} // namespace

// Three rows of artist A, two of B, one of C; the album changes.
TEST_P(ListCheckAlbum, AsksAtEachNewArtist)
{
    const ConfirmCase& k = GetParam();
    Fixture f;
    for (const char* a : {"A", "A", "A", "B", "B", "C"})
        addRow(f.store, q(a), q("old"));
    selectAll(f.store);
    f.prompt.answers.assign(k.answers.begin(), k.answers.end());
    EditContext c = f.ctx();
    c.listCheck = true;

    EditOutcome out = ApplyFieldEdit(c, q("New"), FieldAlbum);

    std::vector<int> asked;
    for (const Question& question : f.prompt.asked) {
        const QString number = question.text.section(QLatin1Char('\n'), 0, 0).mid(3);
        asked.push_back(number.toInt());
    }
    EXPECT_EQ(asked, k.askedRows);
    std::vector<int> changed;
    for (int i = 0; i < f.store.count(); ++i)
        if (f.store.row(i).sub[ColAlbum] == q("New"))
            changed.push_back(i + 1);
    EXPECT_EQ(changed, k.changedRows);
    EXPECT_EQ(out.cancelled, k.cancelled);
    EXPECT_EQ(out.changedRows, int(k.changedRows.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ListCheckAlbum,
    ::testing::Values(
        // "はい" makes B the reference: the second B row is not asked about, C is.
        ConfirmCase{"yes", {Answer::Yes, Answer::Yes}, {4, 6}, {1, 2, 3, 4, 5, 6}, false},
        // "いいえ(&N)" skips the row and keeps A: the next B row is asked again.
        ConfirmCase{"no", {Answer::No, Answer::No, Answer::No}, {4, 5, 6}, {1, 2, 3}, false},
        ConfirmCase{"no then yes", {Answer::No, Answer::Yes, Answer::Yes}, {4, 5, 6}, {1, 2, 3, 5, 6}, false},
        // "全てはい" stops asking about artists.
        ConfirmCase{"yes to all", {Answer::All}, {4}, {1, 2, 3, 4, 5, 6}, false},
        // "キャンセル" stops; rows already changed stay changed.
        ConfirmCase{"cancel", {Answer::Cancel}, {4}, {1, 2, 3}, true},
        ConfirmCase{"yes then cancel", {Answer::Yes, Answer::Cancel}, {4, 6}, {1, 2, 3, 4, 5}, true}),
    [](const ::testing::TestParamInfo<ConfirmCase>& i) {
        std::string n = i.param.what;
        for (char& ch : n)
            if (ch == ' ')
                ch = '_';
        return n;
    });

TEST(ListCheck, QuestionTextQuotesTheNewValue)
{
    Fixture f;
    addRow(f.store, q("アーティストA"), q("old"));
    addRow(f.store, q("アーティストB"), q("old"));
    selectAll(f.store);
    f.prompt.answers = {Answer::Yes};
    EditContext c = f.ctx();
    c.listCheck = true;
    ApplyFieldEdit(c, q("新しい値"), FieldAlbum);

    ASSERT_EQ(f.prompt.asked.size(), 1u);
    const Question& question = f.prompt.asked[0];
    EXPECT_EQ(question.title, q("変更確認"));
    EXPECT_EQ(question.text, q("No 2\n■アーティストA■\n■アーティストB■\n\n他のアーティストも変更の対象になっています。"
                               "\nアルバム名を '新しい値' に変更してもよろしいですか？"));
    EXPECT_EQ(question.buttons, (QList<Answer>{Answer::All, Answer::Yes, Answer::No, Answer::Cancel}));
}

TEST(ListCheck, ArtistChangeAsksAboutOtherAlbums)
{
    Fixture f;
    addRow(f.store, q("A"), q("アルバム1"));
    addRow(f.store, q("A"), q("アルバム2"));
    selectAll(f.store);
    f.prompt.answers = {Answer::No};
    EditContext c = f.ctx();
    c.listCheck = true;
    ApplyFieldEdit(c, q("X"), FieldArtist);
    ASSERT_EQ(f.prompt.asked.size(), 1u);
    EXPECT_EQ(f.prompt.asked[0].text, q("No 2\n■アルバム1■\n■アルバム2■\n\n他のアルバムも変更の対象になっています。"
                                        "\nアーティスト名を 'X' に変更してもよろしいですか？"));
    EXPECT_EQ(f.store.row(0).sub[ColArtist], q("X"));
    EXPECT_EQ(f.store.row(1).sub[ColArtist], q("A"));
}

TEST(ListCheck, WhichFieldsAskAboutWhat)
{
    struct Case {
        int field;
        int questions; // rows differ in artist and in album
    };
    const Case cases[] = {
        {FieldTitle, 0}, {FieldArtist, 1}, {FieldAlbum, 1}, {FieldGenre, 0}, {FieldTrack, 0},
        {FieldYear, 1}, {FieldComment, 0}, {ColComposer, 2}, {ColLyricist, 2}, {ColLabel, 1},
        {ColDiscSet, 0}, {ColLyrics, 0}, {ColCopyright, 0}, {ColEncoder, 0}, {ColUrl, 1},
        {ColPicture, 2},
    };
    for (const Case& k : cases) {
        Fixture f;
        addRow(f.store, q("A"), q("X"));
        addRow(f.store, q("B"), q("Y"));
        selectAll(f.store);
        f.prompt.answers = {Answer::Yes, Answer::Yes};
        EditContext c = f.ctx();
        c.listCheck = true;
        ApplyFieldEdit(c, k.field == ColPicture ? q("/p/c.jpg") : q("1"), k.field);
        EXPECT_EQ(int(f.prompt.asked.size()), k.questions) << "field " << k.field;
        if (k.questions == 2) {
            EXPECT_TRUE(f.prompt.asked[0].text.contains(q("他のアーティスト")));
            EXPECT_TRUE(f.prompt.asked[1].text.contains(q("他のアルバム")));
        }
    }
}

TEST(ListCheck, NoQuestionForEmptyArtistsUnreadRowsOrListCheckOff)
{
    Fixture f;
    addRow(f.store, q("A"), q("old"));
    addRow(f.store, QString(), q("old"));  // no artist: not a different artist
    addRow(f.store, q("B"), q("old")).caption.clear(); // not read: skipped silently
    selectAll(f.store);
    EditContext c = f.ctx();
    c.listCheck = true;
    EditOutcome out = ApplyFieldEdit(c, q("New"), FieldAlbum);
    EXPECT_TRUE(f.prompt.asked.empty());
    EXPECT_EQ(out.changedRows, 2);
    EXPECT_EQ(f.store.row(2).sub[ColAlbum], q("old"));

    Fixture g;
    addRow(g.store, q("A"), q("old"));
    addRow(g.store, q("B"), q("old"));
    selectAll(g.store);
    EditContext d = g.ctx();
    EXPECT_EQ(ApplyFieldEdit(d, q("New"), FieldAlbum).changedRows, 2);
    EXPECT_TRUE(g.prompt.asked.empty());
}

TEST(ListCheck, ReferenceComesFromTheFirstReadRow)
{
    Fixture f;
    addRow(f.store, q("B"), q("old")).caption.clear(); // placeholder row first
    addRow(f.store, q("A"), q("old"));
    addRow(f.store, q("A"), q("old"));
    selectAll(f.store);
    EditContext c = f.ctx();
    c.listCheck = true;
    EXPECT_EQ(ApplyFieldEdit(c, q("New"), FieldAlbum).changedRows, 2);
    EXPECT_TRUE(f.prompt.asked.empty());
}

TEST(ListCheck, QuestionTails)
{
    struct Case {
        int field;
        const char* tail;
    };
    const Case cases[] = {
        {FieldArtist, "\nアーティスト名を 'v' に変更してもよろしいですか？"},
        {FieldAlbum, "\nアルバム名を 'v' に変更してもよろしいですか？"},
        {FieldYear, "\n年を 'v' に変更してもよろしいですか？"},
        {ColComposer, "\n作曲者を 'v' に変更してもよろしいですか？"},
        {ColLyricist, "\n作詞者を 'v' に変更してもよろしいですか？"},
        {ColLabel, "\nレーベルを 'v' に変更してもよろしいですか？"},
        {ColCopyright, "\n著作権を 'v' に変更してもよろしいですか？"},
        {ColUrl, "\nURLを 'v' に変更してもよろしいですか？"},
        {ColPicture, "\n画像を 'v' に変更してもよろしいですか？"},
        {FieldComment, "を 'v' に変更してもよろしいですか？"},
    };
    for (const Case& k : cases)
        EXPECT_EQ(ConfirmQuestionTail(k.field, q("v")), q(k.tail)) << k.field;
}

// --- box events ------------------------------------------------------------------

namespace {

struct BoxCase {
    EditBox box;
    int column;     // sub-item that receives the text (in the box's view)
    bool oneRowOnly;
};

void PrintTo(const BoxCase& c, std::ostream* os)
{
    *os << "box " << int(c.box);
}

class BoxEvents : public ::testing::TestWithParam<BoxCase> {};

} // namespace

TEST_P(BoxEvents, TwoSelectedRows)
{
    const BoxCase& k = GetParam();
    Fixture f;
    addRow(f.store, q("A"), q("B"));
    addRow(f.store, q("A"), q("B"));
    addRow(f.store, q("A"), q("B"));
    f.store.row(0).selected = f.store.row(1).selected = true;
    if (IsV1Box(k.box))
        f.store.SwapTagBlocks(PrimarySide::V1);
    const QString value = FieldOfBox(k.box) == FieldGenre ? f.genres.GenreName(17) : q("12");
    EditContext c = f.ctx();
    f.state.v1Editing = f.state.v2Editing = true;

    EditOutcome out = BoxChanged(c, k.box, value, k.box == EditBox::DiscNumber ? q("3") : q("2"));
    const QString want = k.box == EditBox::DiscNumber ? q("12/3") : k.box == EditBox::DiscCount ? q("2/12") : value;
    if (k.oneRowOnly) {
        EXPECT_TRUE(out.ignored);
        for (int i = 0; i < 3; ++i)
            EXPECT_NE(f.store.row(i).sub[std::size_t(k.column)], want);
        // With exactly one row selected the same event applies.
        f.store.row(1).selected = false;
        out = BoxChanged(c, k.box, value, q("2"));
        EXPECT_EQ(out.changedRows, 1);
        EXPECT_EQ(f.store.row(0).sub[std::size_t(k.column)], value);
    } else {
        EXPECT_EQ(out.changedRows, 2);
        EXPECT_EQ(f.store.row(0).sub[std::size_t(k.column)], want);
        EXPECT_EQ(f.store.row(1).sub[std::size_t(k.column)], want);
        EXPECT_NE(f.store.row(2).sub[std::size_t(k.column)], want);
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryBox, BoxEvents,
    ::testing::Values(BoxCase{EditBox::V1Title, ColTitle, true}, BoxCase{EditBox::V1Artist, ColArtist, false},
                      BoxCase{EditBox::V1Album, ColAlbum, false}, BoxCase{EditBox::V1Genre, ColGenre, false},
                      BoxCase{EditBox::V1Track, ColTrack, true}, BoxCase{EditBox::V1Year, ColYear, false},
                      BoxCase{EditBox::V1Comment, ColComment, false}, BoxCase{EditBox::V2Title, ColTitle, true},
                      BoxCase{EditBox::V2Artist, ColArtist, false}, BoxCase{EditBox::V2Album, ColAlbum, false},
                      BoxCase{EditBox::V2Genre, ColGenre, false}, BoxCase{EditBox::V2Track, ColTrack, true},
                      BoxCase{EditBox::V2Year, ColYear, false}, BoxCase{EditBox::V2Comment, ColComment, false},
                      BoxCase{EditBox::Composer, ColComposer, false}, BoxCase{EditBox::Lyricist, ColLyricist, false},
                      BoxCase{EditBox::Label, ColLabel, false}, BoxCase{EditBox::DiscNumber, ColDiscSet, false},
                      BoxCase{EditBox::DiscCount, ColDiscSet, false}, BoxCase{EditBox::Copyright, ColCopyright, false},
                      BoxCase{EditBox::Encoder, ColEncoder, false}, BoxCase{EditBox::Url, ColUrl, false},
                      BoxCase{EditBox::Lyrics, ColLyrics, true}));

TEST(BoxEvents, IgnoredWhileFillingOrNotEditingOrInTheOtherView)
{
    struct Case {
        const char* what;
        EditBox box;
        bool v1View;
        bool filling;
        bool editing;
        bool applies;
    };
    const Case cases[] = {
        {"v2 box, v2 view", EditBox::V2Album, false, false, true, true},
        {"filling", EditBox::V2Album, false, true, true, false},
        {"no focus", EditBox::V2Album, false, false, false, false},
        {"v2 box, v1 view", EditBox::V2Album, true, false, true, false},
        {"v1 box, v2 view", EditBox::V1Album, false, false, true, false},
        {"v1 box, v1 view", EditBox::V1Album, true, false, true, true},
        {"extra box, v1 view", EditBox::Composer, true, false, true, false},
    };
    for (const Case& k : cases) {
        Fixture f;
        addRow(f.store, q("A"), q("B")).selected = true;
        if (k.v1View)
            f.store.SwapTagBlocks(PrimarySide::V1);
        f.state.filling = k.filling;
        f.state.v1Editing = f.state.v2Editing = k.editing;
        EditContext c = f.ctx();
        EditOutcome out = BoxChanged(c, k.box, q("new"));
        EXPECT_EQ(!out.ignored, k.applies) << k.what;
        EXPECT_EQ(out.changedRows, k.applies ? 1 : 0) << k.what;
    }
}

TEST(BoxEvents, FillGuardSetsTheFlagForItsLifetime)
{
    EditorState s;
    {
        FillGuard g(s);
        EXPECT_TRUE(s.filling);
        {
            FillGuard inner(s);
        }
        EXPECT_TRUE(s.filling) << "an inner fill must not end the outer one";
    }
    EXPECT_FALSE(s.filling);
}

// --- the input box and the in-place editor ---------------------------------------

TEST(InputBoxCommit, AppliesAndAddsCopyrightAndEncoderToTheirLists)
{
    Fixture f;
    addRow(f.store).selected = true;
    addRow(f.store).selected = true;
    DropDownLists lists;
    lists.copyright = {q("(C) A")};
    EditContext c = f.ctx();

    EXPECT_EQ(InputBoxCommit(c, ColCopyright, q(" (C) B "), lists).changedRows, 2);
    EXPECT_EQ(f.store.row(1).sub[ColCopyright], q(" (C) B "));
    EXPECT_EQ(lists.copyright, (QStringList{q("(C) A"), q("(C) B")}));
    EXPECT_TRUE(lists.copyrightDue);
    EXPECT_FALSE(lists.encoderDue);

    InputBoxCommit(c, ColEncoder, q("LAME"), lists);
    EXPECT_EQ(lists.encoder, QStringList{q("LAME")});
    EXPECT_TRUE(lists.encoderDue);

    // The title goes to every selected row through this box.
    EXPECT_EQ(InputBoxCommit(c, FieldTitle, q("同じ題"), lists).changedRows, 2);
}

TEST(EndCellEditor, UnchangedTextOverOneRowOnlyRepaints)
{
    Fixture f;
    addRow(f.store, q("A")).selected = true;
    f.state.currentColumn = FieldArtist;
    ASSERT_TRUE(StartCellEditor(f.state, f.store, 0));
    DropDownLists lists;
    EditContext c = f.ctx();
    CellEditEnd end = EndCellEditor(c, q("A"), q("A"), lists);
    EXPECT_TRUE(end.repaintRowOnly);
    EXPECT_EQ(f.store.row(0).sub[ColChangedV2], q("0"));
    EXPECT_TRUE(f.state.captured.empty());
}

TEST(EndCellEditor, AppliesToTheCapturedRowsNotTheSelectionNow)
{
    Fixture f;
    for (int i = 0; i < 3; ++i)
        addRow(f.store, q("A"), q("B"));
    f.store.row(0).selected = f.store.row(1).selected = true;
    f.state.currentColumn = ColEncoder;
    ASSERT_TRUE(StartCellEditor(f.state, f.store, 0));
    // A press in the list moved the selection before the editor ended.
    f.store.row(0).selected = f.store.row(1).selected = false;
    f.store.row(2).selected = true;
    DropDownLists lists;
    EditContext c = f.ctx();
    CellEditEnd end = EndCellEditor(c, q("enc"), q(""), lists);
    EXPECT_FALSE(end.repaintRowOnly);
    EXPECT_EQ(end.outcome.changedRows, 2);
    EXPECT_EQ(f.store.row(0).sub[ColEncoder], q("enc"));
    EXPECT_EQ(f.store.row(1).sub[ColEncoder], q("enc"));
    EXPECT_TRUE(f.store.row(2).sub[ColEncoder].isEmpty());
    EXPECT_EQ(lists.encoder, QStringList{q("enc")});
    EXPECT_TRUE(f.state.captured.empty());
}

TEST(EndCellEditor, UnchangedTextOverSeveralRowsStillApplies)
{
    Fixture f;
    addRow(f.store, q("A"), q("X")).selected = true;
    addRow(f.store, q("A"), q("Y")).selected = true;
    f.state.currentColumn = FieldAlbum;
    ASSERT_TRUE(StartCellEditor(f.state, f.store, 0));
    DropDownLists lists;
    EditContext c = f.ctx();
    CellEditEnd end = EndCellEditor(c, q("X"), q("X"), lists);
    EXPECT_EQ(end.outcome.changedRows, 1);
    EXPECT_EQ(f.store.row(1).sub[ColAlbum], q("X"));
}

// --- change counting -------------------------------------------------------------

TEST(RecountChanges, FlagsAndButtonsFollowTheMasksOfEitherView)
{
    struct Case {
        const char* v2Mask;
        const char* v1Mask;
        bool v1View;
        WriteButtons want;
    };
    const Case cases[] = {
        {"0", "0", false, {false, false, false}},
        {"8192", "0", false, {false, true, false}},
        {"0", "512", false, {true, false, false}},
        {"1", "512", false, {true, true, true}},
        {"8192", "0", true, {false, true, false}},
        {"0", "512", true, {true, false, false}},
    };
    for (const Case& k : cases) {
        RowStore s;
        addRow(s);
        ListRow& r = addRow(s);
        r.sub[ColChangedV2] = q(k.v2Mask);
        r.sub[ColChangedV1] = q(k.v1Mask);
        if (k.v1View)
            s.SwapTagBlocks(PrimarySide::V1);
        EditorState st;
        st.buttons = {true, true, true};
        RecountChanges(st, s);
        EXPECT_EQ(st.buttons.v1, k.want.v1) << k.v2Mask << "/" << k.v1Mask << " v1 view " << k.v1View;
        EXPECT_EQ(st.buttons.v2, k.want.v2);
        EXPECT_EQ(st.buttons.both, k.want.both);
        EXPECT_EQ(st.pending.v1, k.want.v1);
        EXPECT_EQ(st.pending.v2, k.want.v2);
    }
}

TEST(RecountChanges, WithProgressCountsRowsAndLeavesTheButtons)
{
    RowStore s;
    addRow(s).sub[ColChangedV2] = q("8192");
    addRow(s);
    ListRow& both = addRow(s);
    both.sub[ColChangedV2] = q("1");
    both.sub[ColChangedV1] = q("512");
    addRow(s).sub[ColChangedV1] = q("512");
    EditorState st;
    int steps = 0;
    EXPECT_EQ(RecountChanges(st, s, [&] { ++steps; }), 3);
    EXPECT_EQ(steps, 4);
    EXPECT_TRUE(st.pending.v1 && st.pending.v2);
    EXPECT_FALSE(st.buttons.v1 || st.buttons.v2 || st.buttons.both);
}

TEST(RecountChanges, AfterAnEditOnlySelectedRowsCount)
{
    Fixture f;
    addRow(f.store).sub[ColChangedV1] = q("512"); // not selected
    addRow(f.store, q("A")).selected = true;
    f.state.buttons.v1 = true;
    EditContext c = f.ctx();
    ApplyFieldEdit(c, q("B"), FieldArtist);
    EXPECT_TRUE(f.state.pending.v2);
    EXPECT_FALSE(f.state.pending.v1);
    EXPECT_TRUE(f.state.buttons.v1) << "the write buttons keep their state";
    EXPECT_TRUE(f.state.buttons.both);
}

// --- box limits ------------------------------------------------------------------

TEST(FilterBoxText, LimitsOfTheBoxes)
{
    struct Case {
        EditBox box;
        QString in;
        QString want;
    };
    const QString a40(40, QLatin1Char('a'));
    const QString kana20(20, QChar(0x3042));
    const Case cases[] = {
        {EditBox::V1Track, q("300"), q("255")},
        {EditBox::V1Track, q("255"), q("255")},
        {EditBox::V1Track, q("1a2"), q("12")},
        {EditBox::V1Track, q("1234"), q("123")},
        {EditBox::V1Track, q("９"), q("")}, // full-width digits are not digits here
        {EditBox::V1Year, q("2024x5"), q("2024")},
        {EditBox::V1Year, q("19999"), q("1999")},
        {EditBox::V2Track, q("12/3"), q("123")},
        {EditBox::V2Year, q("2004-05"), q("2004-05")},
        {EditBox::V1Title, a40, a40.left(30)},
        {EditBox::V1Artist, kana20, kana20.left(15)},
        {EditBox::V1Album, q("a") + kana20, q("a") + kana20.left(14)}, // never half a character
        {EditBox::V2Title, a40, a40},
        {EditBox::V1Comment, a40, a40},
    };
    for (const Case& k : cases)
        EXPECT_EQ(FilterBoxText(k.box, k.in), k.want) << qPrintable(k.in);
}

TEST(PartOfSet, ComposesAndSplits)
{
    struct Case {
        const char* disc;
        const char* discs;
        const char* field;
    };
    const Case cases[] = {
        {"2", "3", "2/3"},
        {"2", "", "2"},
        {"", "3", "/3"},
        {"", "", ""},
    };
    for (const Case& k : cases) {
        EXPECT_EQ(ComposePartOfSet(q(k.disc), q(k.discs)), q(k.field));
        QString d, n;
        SplitPartOfSet(q(k.field), d, n);
        EXPECT_EQ(d, q(k.disc));
        EXPECT_EQ(n, q(k.discs));
    }
    QString d, n;
    SplitPartOfSet(q("1/2/3"), d, n);
    EXPECT_EQ(d, q("1"));
    EXPECT_EQ(n, q("2/3"));
}
