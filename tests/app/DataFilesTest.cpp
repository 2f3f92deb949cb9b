#include "app/DataFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quillory;

namespace {

Bytes bytesOf(std::initializer_list<int> v)
{
    Bytes b;
    for (int x : v)
        b.push_back(std::uint8_t(x));
    return b;
}

Bytes bytesOf(const QByteArray& a)
{
    return Bytes(a.begin(), a.end());
}

Bytes utf16le(const QString& s, bool bom = false)
{
    Bytes b;
    if (bom)
        b = {0xFF, 0xFE};
    for (QChar c : s) {
        b.push_back(std::uint8_t(c.unicode() & 0xFF));
        b.push_back(std::uint8_t(c.unicode() >> 8));
    }
    return b;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& data)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

struct ArtistCase {
    const char* what;
    Bytes bytes;
    QStringList lines;
};

TEST(ArtistText, DecodesByTheByteCountRule)
{
    const ArtistCase cases[] = {
        {"empty", {}, {}},
        // 5 bytes: odd, so Shift-JIS.
        {"Shift-JIS odd", bytesOf({0x93, 0xFA, 0x96, 0x7B, 'A'}), {QStringLiteral("日本A")}},
        // 4 bytes decoding to 2 characters: Shift-JIS.
        {"Shift-JIS all double-byte", bytesOf({0x89, 0xB9, 0x8A, 0x79}), {QStringLiteral("音楽")}},
        {"Shift-JIS odd, two lines", bytesOf({0x93, 0xFA, '\r', '\n', 'B'}), {QStringLiteral("日"), QStringLiteral("B")}},
        // Even and no zero byte but a CR LF: an older Shift-JIS list, not UTF-16.
        {"Shift-JIS even with a line break", bytesOf({'A', 'B', '\r', '\n', 0x93, 0xFA}),
         {QStringLiteral("AB"), QStringLiteral("日")}},
        {"UTF-16LE", utf16le(QStringLiteral("Aimer\r\n米津玄師\r\nYOASOBI")),
         {QStringLiteral("Aimer"), QStringLiteral("米津玄師"), QStringLiteral("YOASOBI")}},
        {"UTF-16LE with FEFF", utf16le(QStringLiteral("\uFEFFabc\r\nd")), {QStringLiteral("abc"), QStringLiteral("d")}},
        {"UTF-16LE with FFFE", utf16le(QStringLiteral("\uFFFEabc")), {QStringLiteral("abc")}},
        {"UTF-16LE, final break", utf16le(QStringLiteral("a\r\n")), {QStringLiteral("a")}},
        {"UTF-16LE, lone LF and empty line", utf16le(QStringLiteral("a\n\nb")),
         {QStringLiteral("a"), QString(), QStringLiteral("b")}},
        {"UTF-16LE, one CJK line", utf16le(QStringLiteral("椎名")), {QStringLiteral("椎名")}},
        {"UTF-16LE, emoji", utf16le(QStringLiteral("😀x")), {QStringLiteral("😀x")}},
    };
    for (const ArtistCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(DecodeArtistText(c.bytes), c.lines);
    }
}

TEST(ArtistText, EncodesUtf16WithoutMarkOrFinalBreak)
{
    EXPECT_EQ(EncodeArtistText({QStringLiteral("A"), QStringLiteral("日")}),
              bytesOf({'A', 0, '\r', 0, '\n', 0, 0xE5, 0x65}));
    EXPECT_TRUE(EncodeArtistText({}).empty());
    EXPECT_EQ(EncodeArtistText({QStringLiteral("x")}), bytesOf({'x', 0}));
}

TEST(ArtistText, FileRoundTrip)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(kArtistFileName);
    const QStringList artists = {QStringLiteral("スピッツ"), QStringLiteral("Bump of Chicken"),
                                 QStringLiteral("ｶﾀｶﾅ"), QStringLiteral("①②"), QStringLiteral("😀")};
    ASSERT_TRUE(WriteArtistFile(path, artists));
    EXPECT_EQ(bytesOf(readAll(path)), EncodeArtistText(artists));
    EXPECT_EQ(ReadArtistFile(path), artists);
    // Rewriting replaces the whole file.
    ASSERT_TRUE(WriteArtistFile(path, {QStringLiteral("a")}));
    EXPECT_EQ(ReadArtistFile(path), QStringList{QStringLiteral("a")});
}

TEST(ArtistText, MissingOrUnwritableFiles)
{
    QTemporaryDir dir;
    EXPECT_TRUE(ReadArtistFile(dir.filePath(QStringLiteral("none.txt"))).isEmpty());
    EXPECT_FALSE(WriteArtistFile(dir.filePath(QStringLiteral("no/such/folder/artist.txt")), {QStringLiteral("a")}));
}

class DataListTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString ini() const { return dir.filePath(kDataListFileName); }
};

TEST_F(DataListTest, SectionsKeepListOrder)
{
    const QStringList copyright = {QStringLiteral("Copyright (C)"), QStringLiteral("(P) 2004 Label"),
                                   QStringLiteral("著作権")};
    const QStringList encoder = {QStringLiteral("LAME 3.100"), QStringLiteral("iTunes")};
    ASSERT_TRUE(WriteDataListSection(ini(), kCopyrightSection, copyright));
    ASSERT_TRUE(WriteDataListSection(ini(), kEncoderSection, encoder));
    EXPECT_EQ(ReadDataListSection(ini(), kCopyrightSection), copyright);
    EXPECT_EQ(ReadDataListSection(ini(), kEncoderSection), encoder);
    // Rewriting one section keeps the other.
    ASSERT_TRUE(WriteDataListSection(ini(), kCopyrightSection, {QStringLiteral("z"), QStringLiteral("a")}));
    EXPECT_EQ(ReadDataListSection(ini(), kCopyrightSection), (QStringList{QStringLiteral("z"), QStringLiteral("a")}));
    EXPECT_EQ(ReadDataListSection(ini(), kEncoderSection), encoder);
}

TEST_F(DataListTest, WritesCodePageTextAsTheIniFunctionsDo)
{
    ASSERT_TRUE(WriteDataListSection(ini(), kCopyrightSection, {QStringLiteral("Copyright (C)"), QStringLiteral("日本")}));
    EXPECT_EQ(readAll(ini()), QByteArray("[copyright]\r\nCopyright (C)=0\r\n\x93\xFA\x96\x7B=0\r\n"));
}

TEST_F(DataListTest, CharactersOutsideTheCodePageSwitchToUtf16)
{
    const QStringList entries = {QStringLiteral("© 2024"), QStringLiteral("😀")};
    ASSERT_TRUE(WriteDataListSection(ini(), kEncoderSection, entries));
    EXPECT_TRUE(readAll(ini()).startsWith("\xFF\xFE"));
    EXPECT_EQ(ReadDataListSection(ini(), kEncoderSection), entries);
}

TEST_F(DataListTest, EntriesAreCleanedAndDeduplicated)
{
    ASSERT_TRUE(WriteDataListSection(ini(), kEncoderSection,
                                     {QStringLiteral("a=b"), QString(), QStringLiteral("  "), QStringLiteral("X"),
                                      QStringLiteral("x"), QStringLiteral("two\r\nlines")}));
    EXPECT_EQ(ReadDataListSection(ini(), kEncoderSection),
              (QStringList{QStringLiteral("a=b"), QStringLiteral("X"), QStringLiteral("two  lines")}));
}

TEST_F(DataListTest, ReadsHandWrittenFiles)
{
    writeAll(ini(), "; note\r\n[Encoder]\r\nLAME=0\r\n\r\n  spaced  = 0\r\nbare\r\n[other]\r\nz=1\r\n");
    EXPECT_EQ(ReadDataListSection(ini(), kEncoderSection),
              (QStringList{QStringLiteral("LAME"), QStringLiteral("spaced"), QStringLiteral("bare")}));
    EXPECT_FALSE(ReadDataListSection(ini(), kCopyrightSection).has_value());
    EXPECT_FALSE(ReadDataListSection(dir.filePath(QStringLiteral("none.ini")), kEncoderSection).has_value());
    // Unknown sections survive a rewrite.
    ASSERT_TRUE(WriteDataListSection(ini(), kCopyrightSection, {QStringLiteral("c")}));
    EXPECT_EQ(ReadDataListSection(ini(), QStringLiteral("other")), QStringList{QStringLiteral("z")});
}

TEST_F(DataListTest, StartUpWithoutFilesKeepsBuiltInsAndMarksThemDue)
{
    DropDownLists l = LoadDropDownLists(dir.path(), {QStringLiteral("Copyright (C)")}, {QStringLiteral("enc")});
    EXPECT_EQ(l.copyright, QStringList{QStringLiteral("Copyright (C)")});
    EXPECT_EQ(l.encoder, QStringList{QStringLiteral("enc")});
    EXPECT_TRUE(l.copyrightDue);
    EXPECT_TRUE(l.encoderDue);
    ASSERT_TRUE(SaveDropDownLists(dir.path(), l));
    DropDownLists again = LoadDropDownLists(dir.path(), {}, {});
    EXPECT_EQ(again.copyright, l.copyright);
    EXPECT_EQ(again.encoder, l.encoder);
    EXPECT_FALSE(again.copyrightDue);
    EXPECT_FALSE(again.encoderDue);
}

TEST_F(DataListTest, AnOldEncoderListIsTakenOverOnce)
{
    ASSERT_TRUE(WriteDataListSection(ini(), kCopyrightSection, {QStringLiteral("mine")}));
    ASSERT_TRUE(WriteDataListSection(ini(), kEncoderSection, {QStringLiteral("stale")}));
    const QString old = dir.filePath(kEncoderListFileName);
    writeAll(old, "LAME\r\n\x83\x47\x83\x93\x83\x52\x81\x5B\x83\x5F\r\n\r\n");
    DropDownLists l = LoadDropDownLists(dir.path(), {QStringLiteral("Copyright (C)")}, {});
    EXPECT_EQ(l.encoder, (QStringList{QStringLiteral("LAME"), QStringLiteral("エンコーダ")}));
    EXPECT_EQ(l.copyright, QStringList{QStringLiteral("mine")});
    EXPECT_FALSE(QFileInfo::exists(old));
    EXPECT_EQ(ReadDataListSection(ini(), kEncoderSection), l.encoder);
}

// Every sample file, taken as a data file, decodes without harm.
TEST(DataFilesPeerSamples, AnyBytesDecode)
{
    const QString root = QStringLiteral(QUILLORY_PEER_SAMPLES);
    if (!QFileInfo(root).isDir())
        GTEST_SKIP() << "no peer samples";
    QTemporaryDir dir;
    int n = 0;
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QByteArray data = f.read(1 << 20);
        for (const QString& line : DecodeArtistText(bytesOf(data)))
            EXPECT_FALSE(line.contains(QLatin1Char('\n')));
        const QString copy = dir.filePath(QStringLiteral("x.ini"));
        QFile::remove(copy);
        ASSERT_TRUE(QFile::copy(path, copy));
        (void)ReadDataListSection(copy, kEncoderSection);
        ++n;
    }
    EXPECT_GT(n, 0);
}

} // namespace
