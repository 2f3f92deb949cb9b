#include "gather/Playlist.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace quillory;

namespace {

Bytes raw(const QByteArray& a)
{
    return Bytes(a.begin(), a.end());
}

Bytes utf16(const QString& s, bool bigEndian, bool bom)
{
    Bytes b;
    if (bom)
        b = bigEndian ? Bytes{0xFE, 0xFF} : Bytes{0xFF, 0xFE};
    for (QChar c : s) {
        std::uint8_t lo = c.unicode() & 0xFF, hi = c.unicode() >> 8;
        b.push_back(bigEndian ? hi : lo);
        b.push_back(bigEndian ? lo : hi);
    }
    return b;
}

Bytes utf8(const QString& s, bool bom)
{
    QByteArray u = s.toUtf8();
    Bytes b = bom ? Bytes{0xEF, 0xBB, 0xBF} : Bytes{};
    b.insert(b.end(), u.begin(), u.end());
    return b;
}

struct FlavourCase {
    const char* what;
    Bytes bytes;
    bool insidePlayer;
    QStringList lines;
};

TEST(DecodePlaylistText, ReadsEveryFlavour)
{
    const QString song = QStringLiteral("/home/u/音楽/曲.mp3");
    const QStringList twoPaths = {song, QStringLiteral("relative/b.wav")};
    const QString twoText = twoPaths.join(QStringLiteral("\r\n"));
    const FlavourCase cases[] = {
        // "C:\音楽\a.mp3" CR LF "b.mp3" CR LF in code page 932.
        {"plain code page", raw("C:\\\x89\xB9\x8A\x79\\a.mp3\r\nb.mp3\r\n"), false,
         {QStringLiteral("C:\\音楽\\a.mp3"), QStringLiteral("b.mp3")}},
        {"UTF-16LE with mark", utf16(twoText, false, true), false, twoPaths},
        {"UTF-16BE with mark", utf16(twoText, true, true), false, twoPaths},
        {"UTF-16LE without mark", utf16(twoText, false, false), false, twoPaths},
        {"UTF-16BE without mark", utf16(twoText, true, false), false, twoPaths},
        {"UTF-16LE, odd last byte", [&] { Bytes b = utf16(song, false, true); b.push_back('x'); return b; }(), false,
         {song}},
        {"device UTF-8 with mark", utf8(QStringLiteral("#EXTM3U\r\n#EXTINF:001,曲\r\nArtist\\曲.mp3"), true), false,
         {QStringLiteral("#EXTM3U"), QStringLiteral("#EXTINF:001,曲"), QStringLiteral("Artist\\曲.mp3")}},
        {"device UTF-8 without mark", utf8(QStringLiteral("#EXTINF:002,歌\r\n歌.mp3"), false), true,
         {QStringLiteral("#EXTINF:002,歌"), QStringLiteral("歌.mp3")}},
        {"UTF-8 without mark outside the player", utf8(twoText, false), false, twoPaths},
        {"ASCII", raw("/a.mp3\n/b.mp3"), false, {QStringLiteral("/a.mp3"), QStringLiteral("/b.mp3")}},
        {"LF, CR and empty lines", raw("\r\n/a.mp3\n\n\r/b.mp3\r\r\n"), false,
         {QStringLiteral("/a.mp3"), QStringLiteral("/b.mp3")}},
        {"nothing", {}, false, {}},
        {"only breaks", raw("\r\n\r\n"), false, {}},
        {"half-width katakana in code page", raw("\xB6\xC0\xB6\xC5.mp3"), false, {QStringLiteral("ｶﾀｶﾅ.mp3")}},
    };
    for (const FlavourCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(DecodePlaylistText(c.bytes, c.insidePlayer), c.lines);
    }
}

TEST(DecodePlaylistText, InsideThePlayerFolderItIsUtf8Whatever)
{
    // Code page 932 bytes that are no UTF-8: only outside the player do they mean "音楽".
    const Bytes cp932 = raw("\x89\xB9\x8A\x79.mp3");
    EXPECT_EQ(DecodePlaylistText(cp932, false), QStringList{QStringLiteral("音楽.mp3")});
    const QStringList inside = DecodePlaylistText(cp932, true);
    ASSERT_EQ(inside.size(), 1);
    EXPECT_NE(inside[0], QStringLiteral("音楽.mp3"));
    EXPECT_TRUE(inside[0].endsWith(QStringLiteral(".mp3")));
}

struct InsideCase {
    const char* path;
    const char* folder;
    bool inside;
};

TEST(IsInsideFolder, NeedsAWholeComponent)
{
    const InsideCase cases[] = {
        {"/media/WALKMAN/MUSIC/list.m3u", "/media/WALKMAN/MUSIC", true},
        {"/media/WALKMAN/MUSIC/list.m3u", "/media/WALKMAN/MUSIC/", true},
        {"/media/WALKMAN/MUSIC", "/media/WALKMAN/MUSIC", true},
        {"/media/WALKMAN/MUSIC2/list.m3u", "/media/WALKMAN/MUSIC", false},
        {"/media/walkman/MUSIC/list.m3u", "/media/WALKMAN/MUSIC", false},
        {"/x.m3u", "", false},
        {"/x.m3u", "/", true},
    };
    for (const InsideCase& c : cases) {
        SCOPED_TRACE(std::string(c.path) + " in " + c.folder);
        EXPECT_EQ(IsInsideFolder(QString::fromUtf8(c.path), QString::fromUtf8(c.folder)), c.inside);
    }
}

class ReadPlaylistFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString write(const QString& name, const QByteArray& data)
    {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(data);
        return path;
    }
};

TEST_F(ReadPlaylistFileTest, ThePlayerFolderDecidesForUnmarkedFiles)
{
    const QByteArray cp932("\x89\xB9\x8A\x79.mp3");
    const QString music = dir.filePath(QStringLiteral("MUSIC"));
    const QString inPlayer = write(QStringLiteral("MUSIC/list.m3u"), cp932);
    const QString outside = write(QStringLiteral("other/list.m3u"), cp932);
    EXPECT_EQ(ReadPlaylistFile(outside, music), QStringList{QStringLiteral("音楽.mp3")});
    EXPECT_NE(ReadPlaylistFile(inPlayer, music), QStringList{QStringLiteral("音楽.mp3")});
    EXPECT_EQ(ReadPlaylistFile(inPlayer, QString()), QStringList{QStringLiteral("音楽.mp3")});
}

TEST_F(ReadPlaylistFileTest, WhatCannotBeReadGivesNothing)
{
    EXPECT_TRUE(ReadPlaylistFile(dir.filePath(QStringLiteral("missing.m3u")), QString()).isEmpty());
    ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("folder.m3u"))));
    EXPECT_TRUE(ReadPlaylistFile(dir.filePath(QStringLiteral("folder.m3u")), QString()).isEmpty());
    // A pipe would block a plain read: it is not opened.
    const QString fifo = dir.filePath(QStringLiteral("pipe.m3u"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_TRUE(ReadPlaylistFile(fifo, QString()).isEmpty());
    const QString empty = write(QStringLiteral("empty.m3u"), QByteArray());
    EXPECT_TRUE(ReadPlaylistFile(empty, QString()).isEmpty());
}

TEST(DecodePlaylistPeerSamples, AnyBytesGiveCleanLines)
{
    const QString root = QStringLiteral(QUILLORY_PEER_SAMPLES);
    if (!QFileInfo(root).isDir())
        GTEST_SKIP() << "no peer samples";
    int files = 0;
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QByteArray data = f.read(1 << 20);
        const Bytes b(data.begin(), data.end());
        for (bool inside : {false, true})
            for (const QString& line : DecodePlaylistText(b, inside)) {
                EXPECT_FALSE(line.isEmpty());
                EXPECT_FALSE(line.contains(QLatin1Char('\r')) || line.contains(QLatin1Char('\n')));
            }
        ++files;
    }
    EXPECT_GT(files, 0);
}

} // namespace
