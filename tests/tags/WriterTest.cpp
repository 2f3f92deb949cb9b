#include "tags/Writer.h"

#include "app/UserPrompt.h"
#include "media/Genres.h"
#include "media/Picture.h"
#include "media/wma/AsfGuid.h"
#include "media/wma/WmaEditor.h"
#include "platform/CodePage.h"
#include "platform/FileAccess.h"
#include "platform/FileWriter.h"
#include "support/AsfBuilder.h"
#include "support/Id3v2Builder.h"
#include "support/MpegFrames.h"
#include "support/RiffBuilder.h"
#include "tags/Id3v1.h"
#include "tags/Id3v2Reader.h"
#include "tags/Loader.h"
#include "tags/Riff.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <deque>
#include <fcntl.h>
#include <sys/stat.h>

namespace quillory {
namespace {

using test::bytes;
using test::concat;
using test::FrameOptions;
using test::Id3v2Builder;
using test::InfoListBuilder;
using test::RiffBuilder;
using test::ScratchFolder;
using test::textContent;

class ScriptedPrompt : public UserPrompt {
public:
    std::deque<Answer> answers; // in order; none left: the question is refused
    std::deque<bool> checks;    // state of the check box as each answer leaves it
    std::vector<Question> asked;
    std::vector<QString> messages;

    void ShowMessage(const QString& title, const QString& text, PromptIcon) override
    {
        messages.push_back(title + QLatin1Char('|') + text);
    }
    Answer Ask(Question& q) override
    {
        if (!checks.empty()) {
            q.checkBoxChecked = checks.front();
            checks.pop_front();
        }
        asked.push_back(q);
        if (answers.empty())
            return Answer::Abort;
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
};

// Fails every write once a byte budget is spent.
class FailingOps : public FileOps {
public:
    std::size_t budget = SIZE_MAX;
    ssize_t pwrite(int fd, const void* buffer, std::size_t count, off_t offset) override
    {
        if (budget == 0) {
            errno = ENOSPC;
            return -1;
        }
        const ssize_t w = FileOps::pwrite(fd, buffer, std::min(count, budget), offset);
        if (w > 0)
            budget -= std::size_t(w);
        return w;
    }
};

Bytes readAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray b = f.readAll();
    return Bytes(b.begin(), b.end());
}

const Bytes& audio()
{
    static const Bytes a = test::silentStream({}, 12);
    return a;
}

Bytes v1Bytes(std::string_view title, std::uint8_t b125 = 0, std::uint8_t track = 0, std::uint8_t genre = 255,
              std::string_view comment = {})
{
    Bytes b(128, 0);
    std::copy_n("TAG", 3, b.begin());
    std::copy(title.begin(), title.end(), b.begin() + 3);
    std::copy(comment.begin(), comment.end(), b.begin() + 97);
    b[125] = b125;
    b[126] = track;
    b[127] = genre;
    return b;
}

Bytes mp3(const Bytes& tag, const Bytes& v1 = {}) { return concat({tag, audio(), v1}); }

// The audio of an MP3: everything after the ID3v2 tag and before the ID3v1 block.
Bytes audioOf(const Bytes& file)
{
    std::size_t from = 0;
    if (file.size() >= 10 && startsWith(file, "ID3"))
        from = 10 + readSynchsafe32(file.data() + 6);
    std::size_t to = file.size();
    if (to >= from + 128 && startsWith(ByteView(file).subspan(to - 128), "TAG"))
        to -= 128;
    return Bytes(file.begin() + std::ptrdiff_t(from), file.begin() + std::ptrdiff_t(to));
}

bool contains(const Bytes& hay, const Bytes& needle)
{
    return std::search(hay.begin(), hay.end(), needle.begin(), needle.end()) != hay.end();
}

void setOldTime(const QString& path)
{
    struct timespec times[2] = {{1100000000, 0}, {1100000000, 777}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

struct stat statOf(const QString& path)
{
    struct stat st{};
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    return st;
}

QString sjisText(const Bytes& block, std::size_t at, std::size_t width)
{
    ByteView f = ByteView(block).subspan(at, width);
    auto zero = std::find(f.begin(), f.end(), std::uint8_t(0));
    return CodePage::toUnicode(f.first(std::size_t(zero - f.begin())));
}

class WriterTest : public ::testing::Test {
protected:
    ScratchFolder dir;
    TagOptions options;
    GenreTable genres{GenreLanguage::Japanese};
    ScriptedPrompt prompt;
    RowStore store;
    FileOps* ops = nullptr;

    int add(const QString& name, const Bytes& content)
    {
        const QString path = dir.write(name, content);
        setOldTime(path);
        store.AddPlaceholderRow(path, {}, false);
        const int i = store.count() - 1;
        load(i);
        return i;
    }
    void load(int i)
    {
        TagLoader loader(options, &genres);
        loader.LoadRow(store, i, store.row(i).path(), false, true, true);
    }
    ListRow& row(int i) { return store.row(i); }
    // An edit as the edit boxes make it: the text and the change bit of its block.
    void edit(int i, int field, const QString& text, bool v1 = false)
    {
        const int block = v1 ? v1Base(store.side()) : v2Base(store.side());
        SetRowField(row(i), field >= kBlockFieldCount ? 0 : block, field, text, store.side(), &genres);
        QString& mask = row(i).sub[std::size_t(block + FieldChanged)];
        mask = MarkFieldChanged(mask, field);
    }
    RowOutcome write(int i, WriteWhich which = WriteWhich::Both)
    {
        WriterContext ctx(options, &genres, prompt);
        ctx.fileOps = ops;
        return WriteRow(store, i, which, ctx);
    }
    WriteSummary press(WriteWhich which = WriteWhich::Both)
    {
        WriterContext ctx(options, &genres, prompt);
        ctx.fileOps = ops;
        return WriteButtonClick(store, which, ctx);
    }
    Bytes file(int i) { return readAll(row(i).path()); }
    // The row as the loader reads the file now.
    ListRow reread(int i)
    {
        RowStore fresh;
        fresh.AddPlaceholderRow(row(i).path(), {}, false);
        TagLoader loader(options, &genres);
        loader.LoadRow(fresh, 0, row(i).path(), false, true, true);
        return fresh.row(0);
    }
    QString v2(const ListRow& r, int field) const { return r.sub[std::size_t(v2Base(store.side()) + field)]; }
    QString v1(const ListRow& r, int field) const { return r.sub[std::size_t(v1Base(store.side()) + field)]; }
};

TEST_F(WriterTest, BothButtonWithOnlyTheV1SideChangedLeavesTheId3v2TagAlone)
{
    const Bytes tag = Id3v2Builder(3).text("TIT2", 1, u"タイトル").padding(64).build();
    const int i = add(QStringLiteral("a.mp3"), mp3(tag, v1Bytes("old")));
    edit(i, FieldTitle, QStringLiteral("新しい"), true);
    ASSERT_EQ(write(i, WriteWhich::Both), RowOutcome::Written);
    const Bytes out = file(i);
    EXPECT_TRUE(std::equal(tag.begin(), tag.end(), out.begin()));
    EXPECT_EQ(audioOf(out), audio());
    EXPECT_EQ(sjisText(Bytes(out.end() - 128, out.end()), 3, 30), QStringLiteral("新しい"));
    EXPECT_EQ(v1(row(i), FieldChanged), QStringLiteral("0"));
    EXPECT_EQ(v2(reread(i), FieldTitle), QStringLiteral("タイトル"));
}

TEST_F(WriterTest, V1FieldsGoInTheirOrderSoThatTheTrackCutsTheComment)
{
    const int i = add(QStringLiteral("b.mp3"), mp3({}, v1Bytes("t", 'x', 'y', 255, "0123456789012345678901234567")));
    edit(i, FieldComment, QStringLiteral("abcdefghijabcdefghijabcdefghij"), true);
    edit(i, FieldTrack, QStringLiteral("12"), true);
    edit(i, FieldGenre, genreNameIn(GenreLanguage::Japanese, 17), true);
    edit(i, FieldYear, QStringLiteral("19999"), true);
    ASSERT_EQ(write(i), RowOutcome::Written);
    const Bytes out = file(i);
    const Bytes block(out.end() - 128, out.end());
    EXPECT_EQ(block[125], 0);
    EXPECT_EQ(block[126], 12);
    EXPECT_EQ(block[127], 17);
    EXPECT_EQ(sjisText(block, 97, 28), QStringLiteral("abcdefghijabcdefghijabcdefgh"));
    EXPECT_EQ(sjisText(block, 93, 4), QStringLiteral("1999"));
    EXPECT_EQ(v1(row(i), FieldTagKind), QStringLiteral("v1.1"));
}

TEST_F(WriterTest, V1TitleIsCutAtACharacterBoundary)
{
    const int i = add(QStringLiteral("c.mp3"), mp3({}));
    // 29 single-byte characters and one double-byte one: 31 bytes.
    const QString title = QString(29, QLatin1Char('a')) + QStringLiteral("漢");
    edit(i, FieldTitle, title, true);
    ASSERT_EQ(write(i, WriteWhich::V1), RowOutcome::Written);
    const Bytes out = file(i);
    ASSERT_EQ(out.size(), audio().size() + 128) << "a new block is appended";
    const Bytes block(out.end() - 128, out.end());
    EXPECT_EQ(sjisText(block, 3, 30), QString(29, QLatin1Char('a')));
    EXPECT_EQ(block[32], 0);
    EXPECT_EQ(v1(row(i), FieldTagKind), QStringLiteral("v1.0"));
    EXPECT_EQ(v1(reread(i), FieldTagKind), QStringLiteral("v1.0"));
}

struct ModeCase {
    const char* name;
    int padding;      // the option
    int tagPadding;   // padding of the tag in the file
    QString title;
    bool sameFile;    // patched in place (the inode stays)
    bool patchMode;   // the in-place mode was chosen: the tag size column stays
    int paddingAfter;
};

class WriteModeTest : public WriterTest, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(WriteModeTest, ChoosesHowTheFileIsWritten)
{
    const ModeCase& c = GetParam();
    options.padding = c.padding;
    const Bytes tag = Id3v2Builder(3).text("TIT2", 0, u"abc").frame("PRIV", bytes({'o', 0, 1, 2})).padding(std::size_t(c.tagPadding)).build();
    const int i = add(QStringLiteral("m.mp3"), mp3(tag, v1Bytes("v1")));
    const ino_t inode = statOf(row(i).path()).st_ino;
    const QString sizeBefore = row(i).sub[ColTagSize];
    edit(i, FieldTitle, c.title);
    ASSERT_EQ(write(i), RowOutcome::Written);
    const Bytes out = file(i);
    EXPECT_EQ(statOf(row(i).path()).st_ino == inode, c.sameFile);
    EXPECT_EQ(audioOf(out), audio());
    EXPECT_TRUE(std::equal(out.end() - 128, out.end(), v1Bytes("v1").begin()));
    EXPECT_TRUE(contains(out, bytes({'P', 'R', 'I', 'V', 0, 0, 0, 4, 0, 0, 'o', 0, 1, 2})));
    const std::uint32_t size = readSynchsafe32(out.data() + 6);
    if (c.sameFile)
        EXPECT_EQ(size + 10, tag.size());
    if (c.patchMode)
        EXPECT_EQ(row(i).sub[ColTagSize], sizeBefore);
    else
        EXPECT_EQ(row(i).sub[ColTagSize], QString::number(size)) << "the header's size field";
    EXPECT_EQ(id3v2::PaddingSize(Bytes(out.begin(), out.begin() + 10 + size)), c.paddingAfter);
    const ListRow again = reread(i);
    EXPECT_EQ(v2(again, FieldTitle), c.title);
    EXPECT_EQ(v2(row(i), FieldChanged), QStringLiteral("0"));
    EXPECT_EQ(v2(row(i), FieldTagKind), QStringLiteral("v2.3"));
}

INSTANTIATE_TEST_SUITE_P(
    Padding, WriteModeTest,
    ::testing::Values(ModeCase{"FitsThePadding", 128, 100, QStringLiteral("abcdefgh"), true, true, 95},
                      ModeCase{"ShrinksIntoThePadding", 128, 10, QStringLiteral("a"), true, true, 12},
                      ModeCase{"OutgrowsThePadding", 128, 3, QStringLiteral("abcdefgh"), false, false, 3},
                      ModeCase{"OptionZeroAlwaysRewrites", 0, 100, QStringLiteral("abcdefgh"), false, false, 100},
                      ModeCase{"RewriteAddsThePaddingOption", 1024, 0, QStringLiteral("abcdefgh"), false, false, 1024},
                      // The rewrite gives the same length: the bytes go over the old ones.
                      ModeCase{"SameLengthWithOptionZero", 0, 10, QStringLiteral("xyz"), true, false, 10}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WriterTest, InPlaceChoiceFallsBackWhenTheFramesOutgrowThePadding)
{
    // The estimate counts Shift-JIS bytes; the UTF-16 frame grows twice as much.
    options.padding = 128;
    const Bytes tag = Id3v2Builder(3).text("TIT2", 1, u"a").padding(20).build();
    const int i = add(QStringLiteral("f.mp3"), mp3(tag));
    edit(i, FieldTitle, QStringLiteral("abcdefghijklmnop"));
    ASSERT_EQ(write(i), RowOutcome::Written);
    const Bytes out = file(i);
    EXPECT_GT(out.size(), tag.size() + audio().size());
    EXPECT_EQ(audioOf(out), audio());
    EXPECT_EQ(v2(reread(i), FieldTitle), QStringLiteral("abcdefghijklmnop"));
}

struct PreserveCase {
    const char* name;
    int version;
    int padding; // option
    int edit;    // 0 replace, 1 insert, 2 remove
};

class PreservationTest : public WriterTest, public ::testing::WithParamInterface<PreserveCase> {};

TEST_P(PreservationTest, UnknownFramesAndAudioStayByteForByte)
{
    const PreserveCase& c = GetParam();
    options.padding = c.padding;
    FrameOptions dli;
    dli.dataLength = true;
    Id3v2Builder b(c.version);
    b.text("TIT2", 0, u"Title")
        .frame("PRIV", bytes({'o', 'w', 'n', 0, 0xFF, 0xE0, 0xFF, 0}))
        .frame("TXXX", bytes({3, 'k', 0, 'v', 'a', 'l', 'u', 'e'}))
        .frame("GEOB", bytes({0, 'a', '/', 'b', 0, 'f', 0, 'd', 0, 9, 8, 7}));
    if (c.version == 4)
        b.frame("TOPE", textContent(0, u"With DLI"), dli);
    const Bytes tag = b.padding(40).build();
    const std::size_t unknownFrom = 10 + 10 + textContent(0, u"Title").size();
    const Bytes unknown(tag.begin() + std::ptrdiff_t(unknownFrom), tag.end() - 40);
    const int i = add(QStringLiteral("p.mp3"), mp3(tag, v1Bytes("v1")));
    if (c.edit == 0)
        edit(i, FieldTitle, QStringLiteral("A new and rather longer title"));
    else if (c.edit == 1)
        edit(i, ColComposer, QStringLiteral("作曲者"));
    else
        edit(i, FieldTitle, QString());
    ASSERT_EQ(write(i), RowOutcome::Written);
    const Bytes out = file(i);
    EXPECT_TRUE(contains(out, unknown));
    EXPECT_EQ(audioOf(out), audio());
    EXPECT_TRUE(std::equal(out.end() - 128, out.end(), v1Bytes("v1").begin()));
}

INSTANTIATE_TEST_SUITE_P(
    Edits, PreservationTest,
    ::testing::Values(PreserveCase{"V23ReplaceInPlace", 3, 128, 0}, PreserveCase{"V23ReplaceRewrite", 3, 0, 0},
                      PreserveCase{"V23InsertAddingPadding", 3, 2048, 1}, PreserveCase{"V23RemoveInPlace", 3, 128, 2},
                      PreserveCase{"V24ReplaceInPlace", 4, 128, 0}, PreserveCase{"V24InsertRewrite", 4, 0, 1},
                      PreserveCase{"V24RemoveRewrite", 4, 0, 2}, PreserveCase{"V24ReplaceAddingPadding", 4, 4096, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WriterTest, StampDecidesTheFileTime)
{
    for (bool stamp : {false, true}) {
        for (int padding : {128, 0}) {
            options.stamp = stamp;
            options.padding = padding;
            const int i = add(QStringLiteral("s%1%2.mp3").arg(stamp).arg(padding),
                              mp3(Id3v2Builder(3).text("TIT2", 0, u"a").padding(50).build()));
            edit(i, FieldTitle, QStringLiteral("bb"));
            ASSERT_EQ(write(i), RowOutcome::Written);
            const struct stat st = statOf(row(i).path());
            if (stamp) {
                EXPECT_GT(st.st_mtim.tv_sec, 1100000000);
            } else {
                EXPECT_EQ(st.st_mtim.tv_sec, 1100000000);
                EXPECT_EQ(st.st_mtim.tv_nsec, 777);
            }
        }
    }
}

struct ReadOnlyCase {
    const char* name;
    Answer answer;
    bool check;
    RowOutcome outcome;
};

class ReadOnlyTest : public WriterTest, public ::testing::WithParamInterface<ReadOnlyCase> {};

TEST_P(ReadOnlyTest, AnswersDecide)
{
    const ReadOnlyCase& c = GetParam();
    const Bytes original = mp3(Id3v2Builder(3).text("TIT2", 0, u"a").padding(50).build());
    const int i = add(QStringLiteral("r.mp3"), original);
    ASSERT_EQ(::chmod(QFile::encodeName(row(i).path()).constData(), 0444), 0);
    edit(i, FieldTitle, QStringLiteral("new"));
    prompt.answers = {c.answer};
    prompt.checks = {c.check};
    EXPECT_EQ(write(i), c.outcome);
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].title, QStringLiteral("ファイルの書き出し"));
    EXPECT_EQ(prompt.asked[0].text,
              row(i).path() + QStringLiteral("\n\nこのファイルは、読み取り専用なので内容の変更はできません！\n処理を続けますか？"));
    EXPECT_EQ(prompt.asked[0].checkBoxText, QStringLiteral("読み取り専用も処理する"));
    EXPECT_EQ(statOf(row(i).path()).st_mode & 07777, 0444u) << "read-only again afterwards";
    if (c.outcome == RowOutcome::Written) {
        EXPECT_EQ(v2(reread(i), FieldTitle), QStringLiteral("new"));
    } else {
        EXPECT_EQ(file(i), original);
        EXPECT_NE(v2(row(i), FieldChanged), QStringLiteral("0")) << "the change stays pending";
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, ReadOnlyTest,
                         ::testing::Values(ReadOnlyCase{"YesWithoutCheckSkips", Answer::Yes, false, RowOutcome::Skipped},
                                           ReadOnlyCase{"YesWithCheckWrites", Answer::Yes, true, RowOutcome::Written},
                                           ReadOnlyCase{"AllWithCheckWrites", Answer::All, true, RowOutcome::Written},
                                           ReadOnlyCase{"AllWithoutCheckSkips", Answer::All, false, RowOutcome::Skipped},
                                           ReadOnlyCase{"NoSkips", Answer::No, true, RowOutcome::Skipped},
                                           ReadOnlyCase{"CancelSkips", Answer::Cancel, true, RowOutcome::Skipped},
                                           ReadOnlyCase{"RefusedSkips", Answer::Abort, true, RowOutcome::Skipped}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WriterTest, AllAnswersTheReadOnlyQuestionForTheRestOfTheRun)
{
    for (bool check : {true, false}) {
        store.clear();
        prompt.asked.clear();
        for (int k = 0; k < 3; ++k) {
            const int i = add(QStringLiteral("ro%1%2.mp3").arg(check).arg(k), mp3({}, v1Bytes("x")));
            ASSERT_EQ(::chmod(QFile::encodeName(row(i).path()).constData(), 0444), 0);
            edit(i, FieldTitle, QStringLiteral("y"), true);
        }
        prompt.answers = {Answer::All};
        prompt.checks = {check};
        const WriteSummary s = press();
        EXPECT_EQ(prompt.asked.size(), 1u);
        EXPECT_EQ(s.written, check ? 3 : 0);
        EXPECT_EQ(s.skipped, check ? 0 : 3);
    }
}

TEST_F(WriterTest, CancelStopsTheRun)
{
    for (int k = 0; k < 2; ++k) {
        const int i = add(QStringLiteral("c%1.mp3").arg(k), mp3({}, v1Bytes("x")));
        if (k == 0)
            ASSERT_EQ(::chmod(QFile::encodeName(row(i).path()).constData(), 0444), 0);
        edit(i, FieldTitle, QStringLiteral("y"), true);
    }
    prompt.answers = {Answer::Cancel};
    const WriteSummary s = press();
    EXPECT_TRUE(s.cancelled);
    EXPECT_EQ(s.written, 0);
    EXPECT_NE(v1(row(1), FieldChanged), QStringLiteral("0"));
}

TEST_F(WriterTest, FailureHalfWayLeavesTheFileAndTheRowAsTheyWere)
{
    options.padding = 0;
    const Bytes original = mp3(Id3v2Builder(3).text("TIT2", 0, u"a").padding(10).build(), v1Bytes("v1"));
    const int i = add(QStringLiteral("x.mp3"), original);
    edit(i, FieldTitle, QStringLiteral("a title that needs a rewrite"));
    FailingOps failing;
    failing.budget = original.size() / 2;
    ops = &failing;
    EXPECT_EQ(write(i), RowOutcome::Failed);
    EXPECT_EQ(file(i), original);
    EXPECT_EQ(QDir(dir.path(QString())).entryList(QDir::Files | QDir::Hidden).size(), 1) << "no temporary file left";
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0], QStringLiteral("Quillory|") + row(i).path() + QLatin1Char('\n') + systemErrorText(ENOSPC));
    EXPECT_NE(v2(row(i), FieldChanged), QStringLiteral("0"));
    EXPECT_EQ(v2(row(i), FieldTitle), QStringLiteral("a title that needs a rewrite"));
}

TEST_F(WriterTest, MissingFileShowsTheSystemError)
{
    const int i = add(QStringLiteral("gone.mp3"), mp3({}));
    edit(i, FieldTitle, QStringLiteral("t"));
    QFile::remove(row(i).path());
    EXPECT_EQ(write(i), RowOutcome::Failed);
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_TRUE(prompt.messages[0].endsWith(row(i).path() + QLatin1Char('\n') + systemErrorText(ENOENT)));
}

struct NewTagCase {
    const char* name;
    int versionIndex;
    int encodingIndex;
    QString kind;
    QString code;
};

class NewTagTest : public WriterTest, public ::testing::WithParamInterface<NewTagCase> {};

TEST_P(NewTagTest, CreatesTheChosenVersionAndEncoding)
{
    const NewTagCase& c = GetParam();
    options.versionIndex = c.versionIndex;
    options.encodingIndex = c.encodingIndex;
    const int i = add(QStringLiteral("n.mp3"), mp3({}, v1Bytes("v1")));
    edit(i, FieldTitle, QStringLiteral("春の歌"));
    edit(i, FieldArtist, QStringLiteral("歌手"));
    edit(i, FieldComment, QStringLiteral("コメント"));
    ASSERT_EQ(write(i), RowOutcome::Written);
    const Bytes out = file(i);
    EXPECT_EQ(audioOf(out), audio());
    EXPECT_EQ(v2(row(i), FieldTagKind), c.kind);
    const ListRow again = reread(i);
    EXPECT_EQ(v2(again, FieldTagKind), c.kind);
    EXPECT_EQ(v2(again, FieldTitle), QStringLiteral("春の歌"));
    EXPECT_EQ(v2(again, FieldComment), QStringLiteral("コメント"));
    EXPECT_EQ(again.sub[ColTextCode], c.code);
    EXPECT_EQ(row(i).sub[ColTextCode], c.code) << "the row shows what the loader will";
    EXPECT_EQ(row(i).sub[ColTagSize], QString::number(readSynchsafe32(out.data() + 6)));
}

INSTANTIATE_TEST_SUITE_P(Choices, NewTagTest,
                         ::testing::Values(NewTagCase{"V22ShiftJis", 1, 0, QStringLiteral("v2.2"), QStringLiteral("Sjis")},
                                           NewTagCase{"V23Utf16", 2, 1, QStringLiteral("v2.3"), QStringLiteral("Utf16 le")},
                                           NewTagCase{"V23Utf8BecomesUtf16", 2, 2, QStringLiteral("v2.3"),
                                                      QStringLiteral("Utf16 le")},
                                           NewTagCase{"V24Utf8", 3, 2, QStringLiteral("v2.4"), QStringLiteral("Utf8")}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WriterTest, UnsynchronisationOptionAppliesToANewTag)
{
    options.unsynchronise = true;
    options.encodingIndex = 1;
    const int i = add(QStringLiteral("u.mp3"), mp3({}));
    edit(i, FieldTitle, QStringLiteral("ÿÿ"));
    ASSERT_EQ(write(i), RowOutcome::Written);
    const Bytes out = file(i);
    EXPECT_EQ(out[5] & 0x80, 0x80);
    EXPECT_EQ(row(i).sub[ColUnsync], QStringLiteral("有り"));
    EXPECT_EQ(v2(reread(i), FieldTitle), QStringLiteral("ÿÿ"));
    EXPECT_EQ(audioOf(out), audio());
}

TEST_F(WriterTest, GenreIsStoredAsReferenceWhenAsked)
{
    options.genreAsReference = true;
    const int i = add(QStringLiteral("g.mp3"), mp3(Id3v2Builder(3).text("TCON", 0, u"Pop").padding(30).build()));
    edit(i, FieldGenre, genreNameIn(GenreLanguage::Japanese, 17));
    ASSERT_EQ(write(i), RowOutcome::Written);
    EXPECT_TRUE(contains(file(i), textContent(0, u"(17)")));
    EXPECT_EQ(v2(reread(i), FieldGenre), genreNameIn(GenreLanguage::Japanese, 17));
}

TEST_F(WriterTest, RiffMp3IsMadeAndRenamedWhenAsked)
{
    options.versionIndex = 0;
    options.renameToRmp = true;
    const int i = add(QStringLiteral("w.mp3"), mp3({}, v1Bytes("v1", 0, 3)));
    edit(i, FieldTitle, QStringLiteral("題名"));
    edit(i, FieldArtist, QStringLiteral("歌手"));
    ASSERT_EQ(write(i), RowOutcome::Written);
    EXPECT_TRUE(row(i).path().endsWith(QLatin1String("w.rmp")));
    EXPECT_FALSE(QFileInfo::exists(dir.path(QStringLiteral("w.mp3"))));
    const Bytes out = file(i);
    EXPECT_EQ(riff::FormOf(out), riff::Form::Rmp3);
    EXPECT_TRUE(std::equal(audio().begin(), audio().end(), out.begin() + 20)) << "the audio in the data chunk";
    EXPECT_TRUE(std::equal(out.end() - 128, out.end(), v1Bytes("v1", 0, 3).begin()));
    EXPECT_EQ(v2(row(i), FieldTagKind), QStringLiteral("riff"));
    const ListRow again = reread(i);
    EXPECT_EQ(v2(again, FieldTagKind), QStringLiteral("riff"));
    EXPECT_EQ(v2(again, FieldTitle), QStringLiteral("題名"));
    EXPECT_EQ(v2(again, FieldTrack), QStringLiteral("3"));
    EXPECT_EQ(row(i).sub[ColTagSize], again.sub[ColTagSize]);
}

TEST_F(WriterTest, RenameNeverReplacesAnExistingFile)
{
    options.versionIndex = 0;
    options.renameToRmp = true;
    const QString other = dir.write(QStringLiteral("k.rmp"), bytes("keep me"));
    const int i = add(QStringLiteral("k.mp3"), mp3({}));
    edit(i, FieldTitle, QStringLiteral("t"));
    ASSERT_EQ(write(i), RowOutcome::Written);
    EXPECT_EQ(readAll(other), bytes("keep me"));
    EXPECT_TRUE(row(i).path().endsWith(QLatin1String("k.mp3")));
    EXPECT_EQ(riff::FormOf(file(i)), riff::Form::Rmp3);
    EXPECT_EQ(prompt.messages.size(), 1u);
}

TEST_F(WriterTest, RmpWithANewId3v2TagBecomesMp3)
{
    options.versionIndex = 2;
    const int i = add(QStringLiteral("z.rmp"), mp3({}));
    edit(i, FieldTitle, QStringLiteral("t"));
    ASSERT_EQ(write(i), RowOutcome::Written);
    EXPECT_TRUE(row(i).path().endsWith(QLatin1String("z.mp3")));
    EXPECT_TRUE(startsWith(file(i), "ID3"));
}

TEST_F(WriterTest, WaveV1ChangesWriteNothing)
{
    const Bytes wave = RiffBuilder("WAVE").format(2, 44100, 16).data(Bytes(400, 3)).list(InfoListBuilder().entry("INAM", "x")).build();
    const int i = add(QStringLiteral("a.wav"), wave);
    edit(i, FieldTitle, QStringLiteral("v1 title"), true);
    write(i);
    EXPECT_EQ(file(i), wave);
    EXPECT_EQ(v1(row(i), FieldChanged), QStringLiteral("0"));
}

TEST_F(WriterTest, WaveInfoIsWrittenAndTheAudioStays)
{
    const Bytes pcm = test::silentStream({}, 3); // any bytes will do as samples
    const Bytes wave = RiffBuilder("WAVE")
                           .format(2, 44100, 16)
                           .list(InfoListBuilder().entry("INAM", "old").entry("IART", "artist"))
                           .data(pcm)
                           .build();
    const int i = add(QStringLiteral("b.wav"), wave);
    edit(i, FieldTitle, QStringLiteral("朝の歌"));
    edit(i, FieldComment, QStringLiteral("comment"));
    ASSERT_EQ(write(i), RowOutcome::Written);
    const Bytes out = file(i);
    EXPECT_TRUE(contains(out, concat({bytes("data"), bytes({std::uint8_t(pcm.size()), std::uint8_t(pcm.size() >> 8), 0, 0}), pcm})));
    EXPECT_EQ(readU32LE(out.data() + 4), out.size() - 8);
    const ListRow again = reread(i);
    EXPECT_EQ(v2(again, FieldTitle), QStringLiteral("朝の歌"));
    EXPECT_EQ(v2(again, FieldArtist), QStringLiteral("artist"));
    EXPECT_EQ(row(i).sub[ColTagSize], again.sub[ColTagSize]);
}

TEST_F(WriterTest, FooterAndSeekTagsAreShownAndLeft)
{
    const Bytes tag = Id3v2Builder(4).text("TIT2", 3, u"x").frame("SEEK", bytes({0, 0, 0, 9})).padding(20).build();
    const Bytes original = mp3(tag);
    const int i = add(QStringLiteral("seek.mp3"), original);
    edit(i, FieldTitle, QStringLiteral("y"));
    write(i);
    EXPECT_EQ(file(i), original);
    EXPECT_EQ(v2(row(i), FieldTagKind), QStringLiteral("SEEK"));
    EXPECT_NE(v2(row(i), FieldChanged), QStringLiteral("0"));
}

class PictureWriteTest : public WriterTest {
protected:
    QString jpegFile(QColor colour)
    {
        // Noise, so that the picture is larger than the smallest tag the loader searches.
        QImage image(64, 32, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                image.setPixelColor(x, y, QColor::fromRgb(colour.red() ^ (x * 37 % 256), (x * y) % 256, y * 8 % 256));
        return dir.write(QStringLiteral("cover.jpg"), EncodeJpeg(image).value_or(Bytes()));
    }
};

TEST_F(PictureWriteTest, AttachReplaceDescribeAndRemove)
{
    options.padding = 128;
    const int i = add(QStringLiteral("pic.mp3"), mp3(Id3v2Builder(3).text("TIT2", 0, u"t").padding(100).build()));
    const QString picture = jpegFile(Qt::red);
    row(i).sub[ColPictureDescription] = QStringLiteral("表紙");
    edit(i, ColPicture, picture);
    ASSERT_EQ(write(i), RowOutcome::Written);
    EXPECT_EQ(row(i).sub[ColPicture], QStringLiteral("有り"));
    Bytes out = file(i);
    std::optional<Bytes> data = FirstPictureData(Bytes(out.begin(), out.begin() + 10 + readSynchsafe32(out.data() + 6)), 3);
    ASSERT_TRUE(data);
    EXPECT_EQ(DecodeJpeg(*data).size(), QSize(64, 32));
    ListRow again = reread(i);
    EXPECT_EQ(again.sub[ColPicture], QStringLiteral("有り"));
    EXPECT_EQ(again.sub[ColPictureDescription], QStringLiteral("表紙"));
    EXPECT_EQ(audioOf(out), audio());

    // "info": the same picture with a new description.
    row(i).sub[ColPictureDescription] = QStringLiteral("裏");
    edit(i, ColPicture, QStringLiteral("info"));
    ASSERT_EQ(write(i), RowOutcome::Written);
    out = file(i);
    EXPECT_EQ(FirstPictureData(Bytes(out.begin(), out.begin() + 10 + readSynchsafe32(out.data() + 6)), 3), data);
    EXPECT_EQ(reread(i).sub[ColPictureDescription], QStringLiteral("裏"));

    edit(i, ColPicture, QStringLiteral("削除"));
    ASSERT_EQ(write(i), RowOutcome::Written);
    EXPECT_EQ(row(i).sub[ColPicture], QString());
    EXPECT_EQ(reread(i).sub[ColPicture], QString());
    EXPECT_EQ(audioOf(file(i)), audio());
    EXPECT_EQ(v2(reread(i), FieldTitle), QStringLiteral("t"));
}

TEST_F(PictureWriteTest, VanishedPictureFileWritesNoPicture)
{
    const int i = add(QStringLiteral("v.mp3"), mp3(Id3v2Builder(3).text("TIT2", 0, u"t").padding(10).build()));
    const QString picture = jpegFile(Qt::blue);
    edit(i, ColPicture, picture);
    edit(i, FieldTitle, QStringLiteral("u"));
    QFile::remove(picture);
    ASSERT_EQ(write(i), RowOutcome::Written);
    EXPECT_EQ(row(i).sub[ColPicture], QString());
    EXPECT_LT(id3v2::GetFrameText(file(i), 3, "APIC").position, 0);
}

class WmaWriteTest : public WriterTest {
protected:
    static Bytes dataObjectOf(const Bytes& file)
    {
        const asf::Guid g = asf::guids::kData;
        auto at = std::search(file.begin(), file.end(), g.bytes.begin(), g.bytes.end());
        if (at == file.end() || file.end() - at < 24)
            return {};
        const std::uint64_t size = readU64LE(&*at + 16);
        if (size > std::uint64_t(file.end() - at))
            return {};
        return Bytes(at, at + std::ptrdiff_t(size));
    }
    QString attribute(int i, const QString& name)
    {
        WmaOpenResult opened = OpenWmaEditor(row(i).path());
        if (!opened)
            return QStringLiteral("<unreadable>");
        const WmaValue v = ReadWmaAttribute(*opened.editor, name);
        CloseWmaEditor(*opened.editor);
        return v.found ? v.text : QStringLiteral("<none>");
    }
};

TEST_F(WmaWriteTest, BothSidesWriteTheAttributesThenTheId3v1Block)
{
    const Bytes original = test::AsfFileBuilder::standard().child(test::contentDescription(QStringLiteral("old"))).build();
    const int i = add(QStringLiteral("a.wma"), original);
    ASSERT_EQ(v2(row(i), FieldTagKind), QStringLiteral("wma"));
    edit(i, FieldTitle, QStringLiteral("新しい題名"));
    edit(i, FieldAlbum, QStringLiteral("アルバム"));
    edit(i, FieldTitle, QStringLiteral("v1 title"), true);
    const WriteSummary s = press();
    EXPECT_EQ(s.written, 1);
    const Bytes out = file(i);
    EXPECT_EQ(dataObjectOf(out), dataObjectOf(original));
    EXPECT_FALSE(dataObjectOf(out).empty());
    EXPECT_EQ(sjisText(Bytes(out.end() - 128, out.end()), 3, 30), QStringLiteral("v1 title"));
    const ListRow again = reread(i);
    EXPECT_EQ(v2(again, FieldTitle), QStringLiteral("新しい題名"));
    EXPECT_EQ(v2(again, FieldAlbum), QStringLiteral("アルバム"));
    EXPECT_EQ(v1(again, FieldTitle), QStringLiteral("v1 title"));
    EXPECT_EQ(v2(row(i), FieldChanged), QStringLiteral("0"));
    EXPECT_EQ(v1(row(i), FieldChanged), QStringLiteral("0"));
}

TEST_F(WmaWriteTest, ReadOnlyWmaIsReadOnlyAgainAfterBothSides)
{
    const int i = add(QStringLiteral("ro.wma"), test::AsfFileBuilder::standard().build());
    ASSERT_EQ(::chmod(QFile::encodeName(row(i).path()).constData(), 0440), 0);
    edit(i, FieldTitle, QStringLiteral("題名"));
    edit(i, FieldTitle, QStringLiteral("v1"), true);
    prompt.answers = {Answer::All};
    prompt.checks = {true};
    EXPECT_EQ(press().written, 1);
    EXPECT_EQ(statOf(row(i).path()).st_mode & 07777, 0440u);
    EXPECT_EQ(attribute(i, QStringLiteral("Title")), QStringLiteral("題名"));
    const Bytes out = file(i);
    EXPECT_EQ(sjisText(Bytes(out.end() - 128, out.end()), 3, 30), QStringLiteral("v1"));
}

struct TrackCase {
    const char* name;
    Answer answer;
    QString track;
    QString wantTrack;       // WM/Track afterwards
    QString wantTrackNumber; // WM/TrackNumber afterwards
    bool optionAfter;        // "トラック番号はWM/TrackNumberに設定する"
};

class WmaTrackTest : public WmaWriteTest, public ::testing::WithParamInterface<TrackCase> {};

TEST_P(WmaTrackTest, QuestionBeforeWmTrack)
{
    const TrackCase& c = GetParam();
    options.wmaTrackNumberAttr = false;
    const int i = add(QStringLiteral("t.wma"), test::AsfFileBuilder::standard().build());
    edit(i, FieldTrack, c.track);
    prompt.answers = {c.answer};
    WriterContext ctx(options, &genres, prompt);
    WriteButtonClick(store, WriteWhich::V2, ctx);
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].title, QStringLiteral("WMAファイルの WM/Track属性の書込み確認"));
    EXPECT_EQ(prompt.asked[0].buttons.size(), 4);
    EXPECT_EQ(attribute(i, QStringLiteral("WM/Track")), c.wantTrack);
    EXPECT_EQ(attribute(i, QStringLiteral("WM/TrackNumber")), c.wantTrackNumber);
    EXPECT_EQ(options.wmaTrackNumberAttr, c.optionAfter);
    EXPECT_EQ(ctx.cancelled, c.answer == Answer::Cancel);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, WmaTrackTest,
    ::testing::Values(TrackCase{"YesWritesWmTrack", Answer::Yes, QStringLiteral("7"), QStringLiteral("7"),
                                QStringLiteral("<none>"), false},
                      TrackCase{"AllWritesWmTrack", Answer::All, QStringLiteral("0"), QStringLiteral("0"),
                                QStringLiteral("<none>"), false},
                      TrackCase{"NoSwitchesToTrackNumber", Answer::No, QStringLiteral("0"), QStringLiteral("<none>"),
                                QStringLiteral("1"), true},
                      TrackCase{"CancelWritesNothing", Answer::Cancel, QStringLiteral("7"), QStringLiteral("<none>"),
                                QStringLiteral("<none>"), false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WmaWriteTest, YesToAllAsksOnceForTheRun)
{
    options.wmaTrackNumberAttr = false;
    for (int k = 0; k < 3; ++k) {
        const int i = add(QStringLiteral("t%1.wma").arg(k), test::AsfFileBuilder::standard().build());
        edit(i, FieldTrack, QString::number(k + 1));
    }
    prompt.answers = {Answer::All};
    EXPECT_EQ(press(WriteWhich::V2).written, 3);
    EXPECT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(attribute(2, QStringLiteral("WM/Track")), QStringLiteral("3"));
}

TEST_F(WmaWriteTest, TrackThatIsNoNumberDeletesTheAttribute)
{
    const int i = add(QStringLiteral("d.wma"), test::AsfFileBuilder::standard().build());
    edit(i, FieldTrack, QStringLiteral("4"));
    ASSERT_EQ(press(WriteWhich::V2).written, 1);
    EXPECT_EQ(attribute(i, QStringLiteral("WM/TrackNumber")), QStringLiteral("4"));
    load(i);
    edit(i, FieldTrack, QStringLiteral("3/12"));
    ASSERT_EQ(press(WriteWhich::V2).written, 1);
    EXPECT_EQ(attribute(i, QStringLiteral("WM/TrackNumber")), QStringLiteral("<none>"));
}

TEST_F(WriterTest, PeerSamplesSurviveAWrite)
{
    const QString root = QStringLiteral(QUILLORY_PEER_SAMPLES);
    if (!QFileInfo(root).isDir())
        GTEST_SKIP() << "no peer samples";
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    int tried = 0;
    while (it.hasNext()) {
        const QString source = it.next();
        QString ext = LowerExtension(source);
        if (ext == QLatin1String(".id3"))
            ext = QStringLiteral(".mp3"); // a bare tag: written as an MP3 of no audio
        if (ext != QLatin1String(".mp3") && ext != QLatin1String(".wav") && ext != QLatin1String(".wma") &&
            ext != QLatin1String(".rmp"))
            continue;
        const Bytes original = readAll(source);
        if (original.size() > 16 * 1024 * 1024)
            continue;
        store.clear();
        const int i = add(QStringLiteral("sample%1").arg(tried) + ext, original);
        edit(i, FieldTitle, QStringLiteral("検査"));
        edit(i, FieldTitle, QStringLiteral("check"), true);
        prompt.answers.clear();
        const RowOutcome o = write(i);
        ++tried;
        if (o != RowOutcome::Written)
            continue;
        const ListRow again = reread(i);
        EXPECT_NE(v2(again, FieldTagKind), QStringLiteral("err")) << source.toStdString();
        const bool wholeTag = original.size() >= 10 && startsWith(original, "ID3") &&
                              10 + std::size_t(readSynchsafe32(original.data() + 6)) <= original.size();
        if (ext == QLatin1String(".mp3") && wholeTag && startsWith(file(i), "ID3"))
            EXPECT_EQ(audioOf(file(i)), audioOf(original)) << source.toStdString();
    }
    EXPECT_GT(tried, 0);
}

} // namespace
} // namespace quillory
