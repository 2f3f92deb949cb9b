#include "media/wma/WmaEditor.h"

#include "media/wma/AsfHeader.h"
#include "platform/CodePage.h"
#include "support/AsfBuilder.h"
#include "support/Id3v2Builder.h"
#include "support/RiffBuilder.h"

#include <QFile>
#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace quillory {
namespace {

using namespace quillory::test;

Bytes readAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QByteArray a = f.readAll();
    return Bytes(a.begin(), a.end());
}

struct stat statOf(const QString& path)
{
    struct stat st{};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st;
}

void setMtime(const QString& path, time_t when)
{
    struct timespec t[2] = {{when, 0}, {when, 0}};
    ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), t, 0);
}

// The bytes after the Header Object: the Data Object and whatever follows it.
Bytes afterHeader(const Bytes& file)
{
    std::uint64_t size = readU64LE(file.data() + 16);
    return Bytes(file.begin() + std::ptrdiff_t(size), file.end());
}

asf::Header headerOf(const Bytes& file)
{
    asf::ParsedHeader p = asf::ParseHeader(file);
    EXPECT_TRUE(p.header) << p.damage.toStdString();
    return p.header ? *p.header : asf::Header{};
}

class WmaEditorTest : public ::testing::Test {
protected:
    ScratchFolder folder;

    QString put(const Bytes& file, const QString& name = QStringLiteral("a.wma"))
    {
        return folder.write(name, file);
    }
    std::unique_ptr<WmaEditor> open(const QString& path)
    {
        WmaOpenResult r = OpenWmaEditor(path);
        EXPECT_TRUE(r) << r.damage.toStdString() << " errno " << r.error;
        return std::move(r.editor);
    }
    std::unique_ptr<WmaEditor> openBytes(const Bytes& file) { return open(put(file)); }
};

// ---- reading: one row per data type and place ----------------------------------

struct ReadCase {
    const char* what;
    AsfRecord record;
    enum { Ecd, Meta, Library } place;
    bool found;
    const char* text;
    std::uint32_t length;
    WmaType type;
};

class WmaReadConversion : public WmaEditorTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(WmaReadConversion, GivesTheEditorsText)
{
    const ReadCase& c = GetParam();
    AsfFileBuilder b = AsfFileBuilder::standard();
    if (c.place == ReadCase::Ecd)
        b.child(extendedContent({c.record}));
    else if (c.place == ReadCase::Meta)
        b.child(headerExtension({metadataObject({c.record})}));
    else
        b.child(headerExtension({metadataLibraryObject({c.record})}));
    auto editor = openBytes(b.build());
    ASSERT_TRUE(editor);
    WmaValue v = ReadWmaAttribute(*editor, c.record.name);
    EXPECT_EQ(v.found, c.found);
    EXPECT_EQ(v.text, QString::fromUtf8(c.text));
    EXPECT_EQ(v.length, c.length);
    if (c.found)
        EXPECT_EQ(v.type, c.type);
}

AsfRecord withStream(AsfRecord r, std::uint16_t stream)
{
    r.stream = stream;
    return r;
}

const ReadCase kReadCases[] = {
    {"DWORD", dwordRecord(u"WM/Track", 5), ReadCase::Ecd, true, "5", 4, WmaType::Dword},
    {"DWORD is unsigned", dwordRecord(u"X", 0xFFFFFFFFu), ReadCase::Ecd, true, "4294967295", 4, WmaType::Dword},
    {"string", stringRecord(u"WM/Genre", u"ロック"), ReadCase::Ecd, true, "ロック", 8, WmaType::String},
    {"string without its terminator", {QStringLiteral("S"), kAsfString, bytes({'a', 0, 'b', 0})}, ReadCase::Ecd,
     true, "ab", 4, WmaType::String},
    {"BOOL true, 4 bytes", boolRecord(u"IsVBR", true), ReadCase::Ecd, true, "1", 4, WmaType::Bool},
    {"BOOL false", boolRecord(u"IsVBR", false), ReadCase::Ecd, true, "0", 4, WmaType::Bool},
    {"BOOL of the Metadata object, 2 bytes", boolRecord(u"IsVBR", true, 2), ReadCase::Meta, true, "1", 2,
     WmaType::Bool},
    {"QWORD in full", qwordRecord(u"WM/EncodingTime", 128547236135150000ull), ReadCase::Ecd, true,
     "128547236135150000", 8, WmaType::Qword},
    {"WORD", wordRecord(u"W", 65535), ReadCase::Ecd, true, "65535", 2, WmaType::Word},
    {"GUID reads as empty text", {QStringLiteral("WM/MediaClassPrimaryID"), kAsfGuid, Bytes(16, 7)},
     ReadCase::Library, true, "", 16, WmaType::Guid},
    {"other binary: bytes without text", binaryRecord(u"WM/MCDI", bytes({1, 2, 3})), ReadCase::Ecd, true, "", 3,
     WmaType::Binary},
    {"present but empty reads as nothing", {QStringLiteral("WM/Lyrics"), kAsfString, {}}, ReadCase::Ecd, true, "",
     0, WmaType::String},
    {"short DWORD is never read past", {QStringLiteral("D"), kAsfDword, bytes({0x34, 0x12})}, ReadCase::Ecd, true,
     "4660", 2, WmaType::Dword},
    {"unknown type reads as empty text", {QStringLiteral("U"), 9, bytes({1, 2})}, ReadCase::Ecd, true, "", 2,
     WmaType(16)},
    {"Metadata record of stream 0", withStream(stringRecord(u"WM/Mood", u"calm"), 0), ReadCase::Meta, true, "calm",
     10, WmaType::String},
    {"Metadata record of another stream is not a file attribute",
     withStream(stringRecord(u"DeviceConformanceTemplate", u"L2"), 1), ReadCase::Meta, false, "", 0,
     WmaType::String},
    {"Metadata Library string", stringRecord(u"WM/Conductor", u"K"), ReadCase::Library, true, "K", 4,
     WmaType::String},
};
INSTANTIATE_TEST_SUITE_P(WmaTypes, WmaReadConversion, ::testing::ValuesIn(kReadCases));

TEST_F(WmaEditorTest, MissingAndEmptyAttributesBothReadEmpty)
{
    auto editor = openBytes(AsfFileBuilder::standard()
                                .child(contentDescription(std::nullopt, QString(), std::nullopt))
                                .child(extendedContent({{QStringLiteral("WM/Year"), kAsfString, {}}}))
                                .build());
    ASSERT_TRUE(editor);
    WmaValue missing = ReadWmaAttribute(*editor, QStringLiteral("Title"));
    WmaValue emptyCd = ReadWmaAttribute(*editor, QStringLiteral("Author"));
    WmaValue emptyEcd = ReadWmaAttribute(*editor, QStringLiteral("WM/Year"));
    EXPECT_FALSE(missing.found);
    EXPECT_TRUE(emptyCd.found);
    EXPECT_TRUE(emptyEcd.found);
    EXPECT_EQ(emptyEcd.length, 0u);
    TagOptions o;
    for (const char* id : {"TIT2", "TPE1", "TYER"})
        EXPECT_EQ(GetWmaFrameText(*editor, id, o), QString()) << id;
    EXPECT_EQ(ReadWmaAttribute(*editor, QString()).found, false);
}

TEST_F(WmaEditorTest, ContentDescriptionFieldsComeFirst)
{
    auto editor = openBytes(AsfFileBuilder::standard()
                                .child(extendedContent({stringRecord(u"title", u"ecd title"),
                                                        stringRecord(u"Description", u"ecd comment")}))
                                .child(contentDescription(QStringLiteral("cd title"), QStringLiteral("cd author"),
                                                          QStringLiteral("(C)")))
                                .build());
    ASSERT_TRUE(editor);
    TagOptions o;
    EXPECT_EQ(GetWmaFrameText(*editor, "TIT2", o), QStringLiteral("cd title"));
    EXPECT_EQ(GetWmaFrameText(*editor, "TPE1", o), QStringLiteral("cd author"));
    EXPECT_EQ(GetWmaFrameText(*editor, "TCOP", o), QStringLiteral("(C)"));
    // Content Description has no description here: the extended one stands in.
    EXPECT_EQ(GetWmaFrameText(*editor, "COMM", o), QStringLiteral("ecd comment"));
}

// ---- derived values --------------------------------------------------------------

struct DerivedCase {
    const char* what;
    std::uint32_t streamBitrate;
    AsfFileProps props;
    std::optional<QString> bitrate;
    std::optional<std::uint64_t> duration;
};

AsfFileProps props(std::uint64_t duration, std::uint64_t preroll, std::uint32_t flags = 2)
{
    AsfFileProps p;
    p.playDuration = duration;
    p.preroll = preroll;
    p.flags = flags;
    return p;
}

TEST_F(WmaEditorTest, BitrateAndDurationAreDerived)
{
    const DerivedCase cases[] = {
        {"128000 shows as 127", 128000, props(2'400'000'000ull, 0), QStringLiteral("127"), 2'400'000'000ull},
        {"64008", 64008, props(37'120'000, 0), QStringLiteral("63"), 37'120'000},
        {"below 1000 stays at 0", 999, props(10'000'000, 0), QStringLiteral("0"), 10'000'000},
        {"preroll is not play time", 128000, props(40'000'000, 3100), QStringLiteral("127"), 9'000'000},
        {"broadcast: no duration", 128000, props(40'000'000, 0, 1), QStringLiteral("127"), std::nullopt},
    };
    int n = 0;
    for (const DerivedCase& c : cases) {
        Bytes file = AsfFileBuilder()
                         .fileProperties(c.props)
                         .child(audioStreamObject(1, 44100, 2, 16000))
                         .child(streamBitrateObject({{1, c.streamBitrate}}))
                         .build();
        auto editor = open(put(file, QStringLiteral("d%1.wma").arg(n++)));
        ASSERT_TRUE(editor);
        WmaAudioValues v = ReadWmaAudioValues(*editor);
        EXPECT_EQ(v.bitrate, c.bitrate) << c.what;
        EXPECT_EQ(v.duration, c.duration) << c.what;
        EXPECT_EQ(ReadWmaAttribute(*editor, QStringLiteral("Bitrate")).type, WmaType::Dword);
    }
}

TEST_F(WmaEditorTest, DerivedValuesCannotBeWrittenOrDeleted)
{
    auto editor = openBytes(AsfFileBuilder::standard().build());
    ASSERT_TRUE(editor);
    EXPECT_FALSE(WriteWmaNumber(*editor, QStringLiteral("Bitrate"), 5));
    EXPECT_FALSE(WriteWmaText(*editor, QStringLiteral("Duration"), QStringLiteral("1")));
    EXPECT_FALSE(DeleteWmaAttribute(*editor, QStringLiteral("Duration")));
    EXPECT_EQ(ReadWmaAttribute(*editor, QStringLiteral("Bitrate")).text, QStringLiteral("127"));
}

// ---- the two binary structures --------------------------------------------------------

struct PictureCase {
    const char* what;
    Bytes value;
    bool accepted;
};

TEST_F(WmaEditorTest, PictureIsReadOnlyForJpegAndPng)
{
    Bytes jpeg = bytes({0xFF, 0xD8, 0xFF, 0xE0, 1, 2, 3, 4});
    Bytes png = bytes({0x89, 'P', 'N', 'G', 5, 6});
    Bytes unterminated = bytes({3, 8, 0, 0, 0, 'i', 0, 'm', 0});
    const PictureCase cases[] = {
        {"JPEG", pictureValue(u"image/jpeg", u"Front", jpeg), true},
        {"PNG", pictureValue(u"image/png", u"", png), true},
        {"GIF is not shown", pictureValue(u"image/gif", u"", jpeg), false},
        {"the MIME type must match exactly", pictureValue(u"image/JPEG", u"", jpeg), false},
        {"image/jpg is not image/jpeg", pictureValue(u"image/jpg", u"", jpeg), false},
        {"data length not below the value length",
         pictureValue(u"image/jpeg", u"", jpeg, 3, std::uint32_t(pictureValue(u"image/jpeg", u"", jpeg).size())),
         false},
        {"data length past the value's end", pictureValue(u"image/jpeg", u"", jpeg, 3, 20), false},
        {"MIME type without terminator", unterminated, false},
        {"shorter than the fixed part", bytes({3, 0, 0}), false},
    };
    int n = 0;
    for (const PictureCase& c : cases) {
        auto editor = open(put(AsfFileBuilder::standard().child(extendedContent({binaryRecord(u"WM/Picture", c.value)})).build(),
                               QStringLiteral("p%1.wma").arg(n++)));
        ASSERT_TRUE(editor);
        WmaValue v = ReadWmaAttribute(*editor, QStringLiteral("WM/Picture"));
        WmaPicture p = ReadWmaPicture(*editor);
        EXPECT_EQ(p.found, c.accepted) << c.what;
        EXPECT_EQ(v.length != 0, c.accepted) << c.what;
        QString count = GetWmaFrameText(*editor, "APIC", TagOptions{});
        if (c.accepted) {
            EXPECT_EQ(v.length, p.data.size()) << c.what;
            EXPECT_EQ(count, QString::number(p.data.size())) << c.what;
        } else {
            EXPECT_TRUE(p.data.empty()) << c.what;
            EXPECT_EQ(count, QString()) << c.what;
        }
    }
    auto editor = open(QStringLiteral("%1").arg(folder.path(QStringLiteral("p0.wma"))));
    WmaPicture front = ReadWmaPicture(*editor);
    EXPECT_EQ(front.data, jpeg);
    EXPECT_EQ(front.description, QStringLiteral("Front"));
    WmaPicture byPath = ReadWmaPicture(folder.path(QStringLiteral("p1.wma")));
    EXPECT_EQ(byPath.data, png);
}

TEST_F(WmaEditorTest, WebLinkGivesItsAddress)
{
    Bytes cut = utf16z(u"desc");
    cut.insert(cut.end(), {'h', 0, 't', 0});
    const struct {
        const char* what;
        AsfRecord record;
        const char* url;
    } cases[] = {
        {"binary structure", binaryRecord(u"WM/UserWebURL", webLinkValue(u"Home", u"http://example.jp/")),
         "http://example.jp/"},
        {"stored as a string", stringRecord(u"WM/UserWebURL", u"http://a.b/"), "http://a.b/"},
        {"address cut by the value's end", binaryRecord(u"WM/UserWebURL", cut), "ht"},
    };
    int n = 0;
    for (const auto& c : cases) {
        auto editor = open(put(AsfFileBuilder::standard().child(extendedContent({c.record})).build(),
                               QStringLiteral("u%1.wma").arg(n++)));
        ASSERT_TRUE(editor);
        WmaValue v = ReadWmaAttribute(*editor, QStringLiteral("WM/UserWebURL"));
        EXPECT_EQ(v.text, QString::fromLatin1(c.url)) << c.what;
        EXPECT_EQ(GetWmaFrameText(*editor, "WXXX", TagOptions{}), QString::fromLatin1(c.url)) << c.what;
    }
}

// ---- the field map ---------------------------------------------------------------------

TEST(WmaAttributeMap, NamesEveryField)
{
    const std::pair<const char*, const char*> table[] = {
        {"TIT2", "Title"},         {"TPE1", "Author"},        {"TALB", "WM/AlbumTitle"}, {"TYER", "WM/Year"},
        {"COMM", "Description"},   {"TCON", "WM/Genre"},      {"TCOM", "WM/Composer"},   {"TEXT", "WM/Writer"},
        {"TPUB", "WM/Publisher"},  {"TPOS", "WM/PartOfSet"},  {"APIC", "WM/Picture"},    {"USLT", "WM/Lyrics"},
        {"WXXX", "WM/UserWebURL"}, {"TCOP", "Copyright"},     {"TSSE", "WM/EncodingSettings"},
        {"TRCK", "WM/TrackNumber"}, {"TXXX", ""},             {"", ""},
    };
    for (auto [id, name] : table) {
        EXPECT_EQ(WmaAttributeName(id), QString::fromLatin1(name)) << id;
        EXPECT_EQ(WmaAttributeFor(id, true, TagOptions{}), QString::fromLatin1(name)) << id;
    }
}

TEST(WmaAttributeMap, TrackFollowsTheTwoOptions)
{
    for (bool showOld : {false, true})
        for (bool numberAttr : {false, true}) {
            TagOptions o;
            o.wmaShowOldTrack = showOld;
            o.wmaTrackNumberAttr = numberAttr;
            EXPECT_EQ(WmaAttributeFor("TRCK", false, o), showOld ? "WM/Track" : "WM/TrackNumber");
            EXPECT_EQ(WmaAttributeFor("TRCK", true, o), numberAttr ? "WM/TrackNumber" : "WM/Track");
        }
}

TEST_F(WmaEditorTest, TrackIsReadFromTheChosenAttribute)
{
    auto editor = openBytes(AsfFileBuilder::standard()
                                .child(extendedContent({dwordRecord(u"WM/Track", 5), stringRecord(u"WM/TrackNumber", u"6/15")}))
                                .build());
    ASSERT_TRUE(editor);
    TagOptions o;
    EXPECT_EQ(GetWmaFrameText(*editor, "TRCK", o), QStringLiteral("6/15"));
    o.wmaShowOldTrack = true;
    EXPECT_EQ(GetWmaFrameText(*editor, "TRCK", o), QStringLiteral("5"));
}

// ---- writing ------------------------------------------------------------------------------

TEST_F(WmaEditorTest, WrittenValuesReadBackAfterCommit)
{
    const QString path = put(AsfFileBuilder::standard()
                                 .child(contentDescription(QStringLiteral("Old")))
                                 .child(extendedContent({stringRecord(u"WM/Genre", u"Pop"), dwordRecord(u"WM/TrackNumber", 2)}))
                                 .build());
    {
        auto e = open(path);
        ASSERT_TRUE(e);
        EXPECT_TRUE(WriteWmaText(*e, QStringLiteral("Title"), QStringLiteral("新しい題名")));
        EXPECT_TRUE(WriteWmaText(*e, QStringLiteral("Author"), QStringLiteral("歌手")));
        EXPECT_TRUE(WriteWmaText(*e, QStringLiteral("WM/Genre"), QStringLiteral("Jazz")));
        EXPECT_TRUE(WriteWmaText(*e, QStringLiteral("WM/Lyrics"), QStringLiteral("一行目\r\n二行目")));
        EXPECT_TRUE(WriteWmaNumber(*e, QStringLiteral("WM/TrackNumber"), 12));
        EXPECT_TRUE(WriteWmaWebLink(*e, QStringLiteral("http://example.jp/ページ")));
        // Changes are visible before the commit too.
        EXPECT_EQ(ReadWmaAttribute(*e, QStringLiteral("Title")).text, QStringLiteral("新しい題名"));
        WmaStatus s = CommitWmaEditor(*e);
        EXPECT_TRUE(s.ok);
        EXPECT_TRUE(s.written);
        EXPECT_FALSE(e->isOpen());
    }
    auto e = open(path);
    ASSERT_TRUE(e);
    TagOptions o;
    EXPECT_EQ(GetWmaFrameText(*e, "TIT2", o), QStringLiteral("新しい題名"));
    EXPECT_EQ(GetWmaFrameText(*e, "TPE1", o), QStringLiteral("歌手"));
    EXPECT_EQ(GetWmaFrameText(*e, "TCON", o), QStringLiteral("Jazz"));
    EXPECT_EQ(GetWmaFrameText(*e, "USLT", o), QStringLiteral("一行目\r\n二行目"));
    EXPECT_EQ(GetWmaFrameText(*e, "TRCK", o), QStringLiteral("12"));
    EXPECT_EQ(ReadWmaAttribute(*e, QStringLiteral("WM/TrackNumber")).type, WmaType::Dword);
    EXPECT_EQ(GetWmaFrameText(*e, "WXXX", o), QStringLiteral("http://example.jp/ページ"));

    // The stored forms: Title in Content Description, the web link as description + address.
    asf::Header h = headerOf(readAll(path));
    const asf::Object* cd = nullptr;
    const asf::Object* ecd = nullptr;
    for (const asf::Object& obj : h.objects) {
        if (obj.kind == asf::ObjectKind::ContentDescription)
            cd = &obj;
        if (obj.kind == asf::ObjectKind::ExtendedContentDescription)
            ecd = &obj;
    }
    ASSERT_TRUE(cd && ecd);
    EXPECT_EQ(cd->attributes[0].name, QStringLiteral("Title"));
    EXPECT_EQ(cd->attributes[0].value, utf16z(u"新しい題名"));
    bool sawLink = false;
    for (const asf::Attribute& a : ecd->attributes)
        if (a.name == QStringLiteral("WM/UserWebURL")) {
            sawLink = true;
            EXPECT_EQ(a.type, asf::StoredType::Binary);
            EXPECT_EQ(a.value, webLinkValue(u"", u"http://example.jp/ページ"));
        }
    EXPECT_TRUE(sawLink);
}

TEST_F(WmaEditorTest, EmptyTextAndMinusOneDelete)
{
    const QString path = put(AsfFileBuilder::standard()
                                 .child(contentDescription(QStringLiteral("T")))
                                 .child(extendedContent({dwordRecord(u"WM/TrackNumber", 3), stringRecord(u"WM/Year", u"1999")}))
                                 .build());
    auto e = open(path);
    ASSERT_TRUE(e);
    EXPECT_TRUE(WriteWmaText(*e, QStringLiteral("Title"), QString()));
    EXPECT_TRUE(WriteWmaNumber(*e, QStringLiteral("WM/TrackNumber"), -1));
    EXPECT_TRUE(WriteWmaBinary(*e, QStringLiteral("WM/Year"), {}, std::size_t(0)));
    EXPECT_TRUE(CommitWmaEditor(*e).written);
    auto again = open(path);
    for (const char* n : {"Title", "WM/TrackNumber", "WM/Year"})
        EXPECT_FALSE(ReadWmaAttribute(*again, QString::fromLatin1(n)).found) << n;
}

TEST_F(WmaEditorTest, WritingReplacesEveryCopyOfTheName)
{
    // Other tools leave the same field twice, e.g. in both description objects:
    // after a write only the new value may be seen by any reader.
    const QString path = put(AsfFileBuilder::standard()
                                 .child(contentDescription(QStringLiteral("Old"), QStringLiteral("Art")))
                                 .child(extendedContent({stringRecord(u"title", u"Old"), stringRecord(u"Author", u"Art"),
                                                         stringRecord(u"WM/Genre", u"A"), stringRecord(u"WM/Genre", u"B")}))
                                 .build());
    auto e = open(path);
    WriteWmaText(*e, QStringLiteral("Title"), QStringLiteral("New"));
    WriteWmaText(*e, QStringLiteral("WM/Genre"), QStringLiteral("C"));
    ASSERT_TRUE(CommitWmaEditor(*e).written);
    asf::Header h = headerOf(readAll(path));
    QStringList names;
    for (const asf::Object& obj : h.objects)
        for (const asf::Attribute& a : obj.attributes)
            names << a.name + QLatin1Char('=') + asf::DecodeUtf16z(a.value);
    EXPECT_EQ(names, (QStringList{QStringLiteral("Title=New"), QStringLiteral("Author=Art"), QStringLiteral("Author=Art"),
                                  QStringLiteral("WM/Genre=C")}));
}

TEST_F(WmaEditorTest, DeletesOnlyTheFirstOfTwoSameNamedAttributes)
{
    auto e = openBytes(AsfFileBuilder::standard()
                           .child(extendedContent({stringRecord(u"WM/Genre", u"First"), stringRecord(u"WM/Genre", u"Second")}))
                           .build());
    ASSERT_TRUE(e);
    EXPECT_TRUE(DeleteWmaAttribute(*e, QStringLiteral("WM/Genre")));
    EXPECT_EQ(ReadWmaAttribute(*e, QStringLiteral("WM/Genre")).text, QStringLiteral("Second"));
    EXPECT_TRUE(DeleteWmaAttribute(*e, QStringLiteral("WM/Genre")));
    EXPECT_FALSE(DeleteWmaAttribute(*e, QStringLiteral("WM/Genre")));
    EXPECT_FALSE(ReadWmaAttribute(*e, QStringLiteral("WM/Genre")).found);
}

TEST_F(WmaEditorTest, CommitOfNoChangeWritesNothing)
{
    const QString path = put(AsfFileBuilder::standard().child(contentDescription(QStringLiteral("Same"))).build());
    setMtime(path, 1'000'000'000);
    const Bytes before = readAll(path);
    const ino_t inode = statOf(path).st_ino;

    auto e = open(path);
    WmaStatus s = CommitWmaEditor(*e);
    EXPECT_TRUE(s.ok);
    EXPECT_FALSE(s.written);

    // Writing what is already there changes nothing either.
    auto e2 = open(path);
    WriteWmaText(*e2, QStringLiteral("Title"), QStringLiteral("Same"));
    EXPECT_FALSE(CommitWmaEditor(*e2).written);

    EXPECT_EQ(readAll(path), before);
    EXPECT_EQ(statOf(path).st_ino, inode);
    EXPECT_EQ(statOf(path).st_mtime, 1'000'000'000);
}

TEST_F(WmaEditorTest, CloseDiscardsAndClosedEditorDoesNothing)
{
    const QString path = put(AsfFileBuilder::standard().child(contentDescription(QStringLiteral("Kept"))).build());
    const Bytes before = readAll(path);
    auto e = open(path);
    WriteWmaText(*e, QStringLiteral("Title"), QStringLiteral("Dropped"));
    CloseWmaEditor(*e);
    EXPECT_FALSE(e->isOpen());
    EXPECT_FALSE(ReadWmaAttribute(*e, QStringLiteral("Title")).found);
    EXPECT_TRUE(WriteWmaText(*e, QStringLiteral("Title"), QStringLiteral("Later")));
    EXPECT_FALSE(CommitWmaEditor(*e).written);
    EXPECT_EQ(readAll(path), before);
}

TEST_F(WmaEditorTest, OnlyTheEditedObjectAndTheFileSizeChange)
{
    Bytes trailing = simpleIndexObject(3);
    Bytes id3v1(128, 0x20);
    id3v1[0] = 'T', id3v1[1] = 'A', id3v1[2] = 'G';
    trailing.insert(trailing.end(), id3v1.begin(), id3v1.end());
    Bytes packets(3000);
    for (std::size_t i = 0; i < packets.size(); ++i)
        packets[i] = std::uint8_t(i * 7);
    const Bytes original = AsfFileBuilder::standard()
                               .child(extendedContent({stringRecord(u"WM/AlbumTitle", u"Album"), binaryRecord(u"WM/MCDI", bytes({1, 2})),
                                                       boolRecord(u"IsVBR", false)}))
                               .child(headerExtension({metadataObject({withStream(stringRecord(u"X", u"y"), 1)})}))
                               .child(asfObject("01234567-89AB-CDEF-0123-456789ABCDEF", bytes("unknown")))
                               .packets(packets)
                               .trailing(trailing)
                               .build();
    const QString path = put(original);
    auto e = open(path);
    WriteWmaText(*e, QStringLiteral("WM/AlbumTitle"), QStringLiteral("A much longer album title"));
    ASSERT_TRUE(CommitWmaEditor(*e).written);

    const Bytes after = readAll(path);
    EXPECT_EQ(afterHeader(after), afterHeader(original)); // data, index and ID3v1 untouched
    asf::Header was = headerOf(original), now = headerOf(after);
    ASSERT_EQ(was.objects.size(), now.objects.size());
    for (std::size_t i = 0; i < was.objects.size(); ++i) {
        const asf::Object& a = was.objects[i];
        const asf::Object& b = now.objects[i];
        if (a.kind == asf::ObjectKind::ExtendedContentDescription) {
            ASSERT_EQ(a.attributes.size(), b.attributes.size());
            EXPECT_NE(a.attributes[0].value, b.attributes[0].value);
            for (std::size_t k = 1; k < a.attributes.size(); ++k)
                EXPECT_EQ(a.attributes[k].raw, b.attributes[k].raw);
        } else if (a.kind == asf::ObjectKind::FileProperties) {
            Bytes x = a.raw, y = b.raw;
            EXPECT_EQ(readU64LE(y.data() + 40), after.size());
            writeU64LE(x.data() + 40, 0);
            writeU64LE(y.data() + 40, 0);
            EXPECT_EQ(x, y);
        } else {
            EXPECT_EQ(a.raw, b.raw) << "object " << i;
        }
    }
}

TEST_F(WmaEditorTest, KeepsModeAndTimeUnlessStamped)
{
    const Bytes file = AsfFileBuilder::standard().build();
    const QString keep = put(file, QStringLiteral("keep.wma"));
    const QString stamp = put(file, QStringLiteral("stamp.wma"));
    for (const QString& p : {keep, stamp}) {
        ::chmod(QFile::encodeName(p).constData(), 0640);
        setMtime(p, 1'000'000'000);
    }
    auto a = open(keep);
    WriteWmaText(*a, QStringLiteral("Title"), QStringLiteral("x"));
    ASSERT_TRUE(CommitWmaEditor(*a, false).written);
    auto b = open(stamp);
    WriteWmaText(*b, QStringLiteral("Title"), QStringLiteral("x"));
    ASSERT_TRUE(CommitWmaEditor(*b, true).written);

    EXPECT_EQ(statOf(keep).st_mode & 07777, 0640u);
    EXPECT_EQ(statOf(stamp).st_mode & 07777, 0640u);
    EXPECT_EQ(statOf(keep).st_mtime, 1'000'000'000);
    EXPECT_GT(statOf(stamp).st_mtime, 1'000'000'000);
}

TEST_F(WmaEditorTest, PicturesAreStoredWholeAndTyped)
{
    Bytes bigPng(100'000);
    for (std::size_t i = 0; i < bigPng.size(); ++i)
        bigPng[i] = std::uint8_t(i % 251);
    bigPng[0] = 0x89, bigPng[1] = 'P', bigPng[2] = 'N', bigPng[3] = 'G';
    Bytes bmp = bytes({'B', 'M', 1, 2, 3, 4, 5, 6});

    const QString path = put(AsfFileBuilder::standard()
                                 .child(extendedContent({binaryRecord(u"WM/Picture", pictureValue(u"image/jpeg", u"", bytes({0xFF, 0xD8, 0xFF, 1})))}))
                                 .build());
    auto e = open(path);
    EXPECT_TRUE(WriteWmaBinary(*e, QStringLiteral("WM/Picture"), bigPng, bigPng.size(), QStringLiteral("ジャケット")));
    ASSERT_TRUE(CommitWmaEditor(*e).written);

    auto r = open(path);
    WmaPicture p = ReadWmaPicture(*r);
    ASSERT_TRUE(p.found);
    EXPECT_EQ(p.data, bigPng);
    EXPECT_EQ(p.description, QStringLiteral("ジャケット"));
    EXPECT_EQ(GetWmaFrameText(*r, "APIC", TagOptions{}), QStringLiteral("100000"));
    // Too large for the 16-bit lengths of Extended Content Description: it went to
    // the Metadata Library, and the small copy it replaced is gone.
    asf::Header h = headerOf(readAll(path));
    int pictures = 0;
    for (const asf::Object& o : h.objects) {
        for (const asf::Attribute& a : o.attributes)
            pictures += a.name == QStringLiteral("WM/Picture");
        for (const asf::Object& c : o.children)
            for (const asf::Attribute& a : c.attributes)
                if (a.name == QStringLiteral("WM/Picture")) {
                    ++pictures;
                    EXPECT_EQ(c.kind, asf::ObjectKind::MetadataLibrary);
                    EXPECT_EQ(a.value, pictureValue(u"image/png", u"ジャケット", bigPng, 0));
                }
    }
    EXPECT_EQ(pictures, 1);

    // Anything not PNG is written as JPEG; a length of 0 deletes the picture.
    WriteWmaPicture(*r, bmp, QString());
    EXPECT_EQ(ReadWmaAttribute(*r, QStringLiteral("WM/Picture")).length, bmp.size());
    EXPECT_TRUE(WriteWmaBinary(*r, QStringLiteral("WM/Picture"), bmp, std::size_t(0)));
    EXPECT_FALSE(ReadWmaAttribute(*r, QStringLiteral("WM/Picture")).found);
}

TEST_F(WmaEditorTest, WebLinkFromCodePageText)
{
    auto e = openBytes(AsfFileBuilder::standard().build());
    std::string sjis = CodePage::fromUnicode(u"http://例え.jp/");
    EXPECT_TRUE(WriteWmaBinary(*e, QStringLiteral("WM/UserWebURL"), viewOf(sjis), std::nullopt));
    EXPECT_EQ(ReadWmaAttribute(*e, QStringLiteral("WM/UserWebURL")).text, QStringLiteral("http://例え.jp/"));
    // Binary writes under any other name do nothing.
    EXPECT_TRUE(WriteWmaBinary(*e, QStringLiteral("WM/MCDI"), bytes({1}), std::size_t(1)));
    EXPECT_FALSE(ReadWmaAttribute(*e, QStringLiteral("WM/MCDI")).found);
}

TEST_F(WmaEditorTest, RemovesTheKnownAttributes)
{
    std::vector<AsfRecord> records;
    for (const char16_t* n : {u"WM/AlbumTitle", u"WM/Year", u"WM/Genre", u"WM/Composer", u"WM/Writer",
                              u"WM/Publisher", u"WM/PartOfSet", u"WM/Lyrics", u"WM/EncodingSettings", u"WM/TrackNumber"})
        records.push_back(stringRecord(n, u"v"));
    records.push_back(dwordRecord(u"WM/Track", 1));
    records.push_back(binaryRecord(u"WM/Picture", pictureValue(u"image/jpeg", u"", bytes({0xFF, 0xD8}))));
    records.push_back(binaryRecord(u"WM/UserWebURL", webLinkValue(u"", u"http://x/")));
    records.push_back(boolRecord(u"IsVBR", true));
    records.push_back(stringRecord(u"WM/AlbumArtist", u"kept"));
    const QString path = put(AsfFileBuilder::standard()
                                 .child(contentDescription(QStringLiteral("t"), QStringLiteral("a"), QStringLiteral("c"),
                                                           QStringLiteral("d"), QStringLiteral("r")))
                                 .child(extendedContent(records))
                                 .build());
    auto e = open(path);
    WmaStatus s = RemoveWmaAttributes(*e);
    EXPECT_TRUE(s.written);
    auto r = open(path);
    for (const char* n : {"Title", "Author", "WM/AlbumTitle", "WM/Track", "WM/TrackNumber", "WM/Year", "Description",
                          "WM/Genre", "WM/Composer", "WM/Writer", "WM/Publisher", "WM/PartOfSet", "WM/Picture",
                          "WM/Lyrics", "WM/UserWebURL", "Copyright", "WM/EncodingSettings"})
        EXPECT_FALSE(ReadWmaAttribute(*r, QString::fromLatin1(n)).found) << n;
    EXPECT_EQ(ReadWmaAttribute(*r, QStringLiteral("IsVBR")).text, QStringLiteral("1"));
    EXPECT_EQ(ReadWmaAttribute(*r, QStringLiteral("WM/AlbumArtist")).text, QStringLiteral("kept"));
    EXPECT_EQ(ReadWmaAttribute(*r, QStringLiteral("Rating")).text, QStringLiteral("r"));
}

TEST_F(WmaEditorTest, RemovingFromAFileWithoutThemClosesWithoutSaving)
{
    const QString path = put(AsfFileBuilder::standard().child(extendedContent({boolRecord(u"IsVBR", true)})).build());
    const Bytes before = readAll(path);
    auto e = open(path);
    WmaStatus s = RemoveWmaAttributes(*e);
    EXPECT_TRUE(s.ok);
    EXPECT_FALSE(s.written);
    EXPECT_FALSE(e->isOpen());
    EXPECT_EQ(readAll(path), before);
}

TEST_F(WmaEditorTest, NewAttributesGoWhereTheyBelong)
{
    // No description objects and no Header Extension at all: they are made.
    const QString path = put(AsfFileBuilder::standard().build());
    auto e = open(path);
    WriteWmaText(*e, QStringLiteral("Copyright"), QStringLiteral("(C) 2024"));
    WriteWmaText(*e, QStringLiteral("WM/Composer"), QStringLiteral("作曲者"));
    WriteWmaText(*e, QStringLiteral("WM/Lyrics"), QString(40000, QLatin1Char('x'))); // 80002 bytes
    ASSERT_TRUE(CommitWmaEditor(*e).written);
    asf::Header h = headerOf(readAll(path));
    QStringList where;
    for (const asf::Object& o : h.objects) {
        for (const asf::Attribute& a : o.attributes)
            where << QString::number(int(o.kind)) + a.name;
        for (const asf::Object& c : o.children)
            for (const asf::Attribute& a : c.attributes)
                where << QString::number(int(c.kind)) + a.name;
    }
    auto tag = [](asf::ObjectKind k, const char* n) { return QString::number(int(k)) + QLatin1String(n); };
    EXPECT_TRUE(where.contains(tag(asf::ObjectKind::ContentDescription, "Copyright"))) << where.join(',').toStdString();
    EXPECT_TRUE(where.contains(tag(asf::ObjectKind::ExtendedContentDescription, "WM/Composer")));
    EXPECT_TRUE(where.contains(tag(asf::ObjectKind::MetadataLibrary, "WM/Lyrics")));
    auto r = open(path);
    EXPECT_EQ(ReadWmaAttribute(*r, QStringLiteral("WM/Lyrics")).text.size(), 40000);
    EXPECT_EQ(GetWmaFrameText(*r, "TCOP", TagOptions{}), QStringLiteral("(C) 2024"));
}

struct OpenFailCase {
    const char* what;
    Bytes bytes;
    bool errnoFailure;
};

TEST_F(WmaEditorTest, OpenFailsOnFilesItCannotRead)
{
    Bytes good = AsfFileBuilder::standard().child(extendedContent({stringRecord(u"A", u"b")})).build();
    Bytes hugeHeader = good;
    writeU64LE(hugeHeader.data() + 16, good.size() + 1);
    Bytes zeroObject = good;
    writeU64LE(zeroObject.data() + 30 + 16, 0);
    Bytes tooMany = AsfFileBuilder::standard().child(extendedContent({stringRecord(u"A", u"b")}, 40000)).build();
    const OpenFailCase cases[] = {
        {"empty file", {}, false},
        {"an MP3 named .wma", bytes({0xFF, 0xFB, 0x90, 0x00, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16,
                                      17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28}),
         false},
        {"header cut short", Bytes(good.begin(), good.begin() + 100), false},
        {"header size beyond the file", hugeHeader, false},
        {"object size 0", zeroObject, false},
        {"absurd attribute count", tooMany, false},
    };
    int n = 0;
    for (const OpenFailCase& c : cases) {
        WmaOpenResult r = OpenWmaEditor(put(c.bytes, QStringLiteral("f%1.wma").arg(n++)));
        EXPECT_FALSE(r) << c.what;
        EXPECT_EQ(r.error, 0) << c.what;
        EXPECT_FALSE(r.damage.isEmpty()) << c.what;
    }
    WmaOpenResult missing = OpenWmaEditor(folder.path(QStringLiteral("none.wma")));
    EXPECT_FALSE(missing);
    EXPECT_EQ(missing.error, ENOENT);
    EXPECT_FALSE(ReadWmaPicture(folder.path(QStringLiteral("none.wma"))).found);
}

} // namespace
} // namespace quillory
