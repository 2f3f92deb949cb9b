// The editor over real files: the peer libraries' samples, and the files the
// interop check hands over to be written.
#include "media/wma/WmaEditor.h"

#include "support/RiffBuilder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <gtest/gtest.h>

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

Bytes afterHeader(const Bytes& file)
{
    std::uint64_t size = readU64LE(file.data() + 16);
    return Bytes(file.begin() + std::ptrdiff_t(size), file.end());
}

const char* const kAllIds[] = {"TIT2", "TPE1", "TALB", "TCON", "TRCK", "TYER", "COMM", "TCOM",
                               "TEXT", "TPUB", "TPOS", "USLT", "TCOP", "TSSE", "WXXX", "APIC"};

// Reads everything the loader would; returns the texts so that a caller can compare.
QStringList readEverything(const WmaEditor& e)
{
    QStringList out;
    TagOptions o;
    for (const char* id : kAllIds)
        out << GetWmaFrameText(e, id, o);
    o.wmaShowOldTrack = true;
    out << GetWmaFrameText(e, "TRCK", o);
    for (const char* n : {"Rating", "IsVBR", "WM/MCDI", "WM/MediaClassPrimaryID", "WM/EncodingTime"})
        out << ReadWmaAttribute(e, QString::fromLatin1(n)).text;
    WmaAudioValues a = ReadWmaAudioValues(e);
    out << a.bitrate.value_or(QStringLiteral("-")) << QString::number(a.duration.value_or(0));
    return out;
}

QStringList peerFiles(const QString& suffix)
{
    QStringList files;
    QDirIterator it(QStringLiteral(QUILLORY_PEER_SAMPLES), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QString f = it.next();
        if (suffix.isEmpty() || f.endsWith(suffix, Qt::CaseInsensitive))
            files << f;
    }
    files.sort();
    return files;
}

TEST(WmaPeerSamples, OpenReadWriteAndReopenEveryWmaFile)
{
    if (!QDir(QStringLiteral(QUILLORY_PEER_SAMPLES)).exists())
        GTEST_SKIP() << "no peer samples";
    const QStringList files = peerFiles(QStringLiteral(".wma"));
    ASSERT_FALSE(files.isEmpty());
    ScratchFolder folder;
    Bytes picture(70'000, 0x33);
    picture[0] = 0xFF, picture[1] = 0xD8, picture[2] = 0xFF;
    int n = 0;
    for (const QString& sample : files) {
        SCOPED_TRACE(sample.toStdString());
        const Bytes original = readAll(sample);
        const QString copy = folder.write(QStringLiteral("s%1.wma").arg(n++), original);
        WmaOpenResult r = OpenWmaEditor(copy);
        ASSERT_TRUE(r) << r.damage.toStdString();
        QStringList before = readEverything(*r.editor);
        EXPECT_NE(before.last(), QStringLiteral("0")) << "every sample has a duration";

        WriteWmaText(*r.editor, QStringLiteral("Title"), QStringLiteral("差し替え"));
        WriteWmaText(*r.editor, QStringLiteral("WM/Genre"), QStringLiteral("Jazz"));
        WriteWmaNumber(*r.editor, QStringLiteral("WM/TrackNumber"), 9);
        WriteWmaPicture(*r.editor, picture, QStringLiteral("cover"));
        WmaStatus s = CommitWmaEditor(*r.editor);
        ASSERT_TRUE(s.ok);
        ASSERT_TRUE(s.written);

        const Bytes written = readAll(copy);
        EXPECT_EQ(afterHeader(written), afterHeader(original));
        WmaOpenResult again = OpenWmaEditor(copy);
        ASSERT_TRUE(again) << again.damage.toStdString();
        TagOptions o;
        EXPECT_EQ(GetWmaFrameText(*again.editor, "TIT2", o), QStringLiteral("差し替え"));
        EXPECT_EQ(GetWmaFrameText(*again.editor, "TCON", o), QStringLiteral("Jazz"));
        EXPECT_EQ(GetWmaFrameText(*again.editor, "TRCK", o), QStringLiteral("9"));
        EXPECT_EQ(ReadWmaPicture(*again.editor).data, picture);
        QStringList after = readEverything(*again.editor);
        // What was not written reads as before.
        for (int i : {1, 2, 5, 6, 7, 12})
            EXPECT_EQ(after[i], before[i]) << kAllIds[i];
        for (int i = int(std::size(kAllIds)) + 1; i < before.size(); ++i)
            EXPECT_EQ(after[i], before[i]) << i;
    }
}

// Files that are no WMA at all (and the broken ones) must fail to open cleanly.
TEST(WmaPeerSamples, SurvivesEveryOtherSample)
{
    if (!QDir(QStringLiteral(QUILLORY_PEER_SAMPLES)).exists())
        GTEST_SKIP() << "no peer samples";
    int opened = 0;
    const QStringList files = peerFiles(QString());
    for (const QString& f : files) {
        WmaOpenResult r = OpenWmaEditor(f);
        if (r) {
            ++opened;
            readEverything(*r.editor);
            CloseWmaEditor(*r.editor);
        } else {
            EXPECT_TRUE(r.error != 0 || !r.damage.isEmpty()) << f.toStdString();
        }
    }
    EXPECT_EQ(opened, peerFiles(QStringLiteral(".wma")).size());
}

// The interop check (tests/interop/test_wma.py) hands a folder of WMA files made by
// ffmpeg and mutagen through QUILLORY_WMA_COMMIT_DIR and reads the results back with
// mutagen and ffprobe. Files named "remove_*" lose their tag; every other file gets
// the same set of writes, which that script checks value by value.
TEST(WmaInteropCommit, WritesTheFilesHandedOver)
{
    const QByteArray dir = qgetenv("QUILLORY_WMA_COMMIT_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "run by tests/interop/test_wma.py";
    const QStringList files = QDir(QString::fromLocal8Bit(dir)).entryList({QStringLiteral("*.wma")}, QDir::Files, QDir::Name);
    ASSERT_FALSE(files.isEmpty());
    Bytes png(70'000);
    for (std::size_t i = 0; i < png.size(); ++i)
        png[i] = std::uint8_t(i * 31);
    png[0] = 0x89, png[1] = 'P', png[2] = 'N', png[3] = 'G';
    for (const QString& name : files) {
        const QString path = QDir(QString::fromLocal8Bit(dir)).filePath(name);
        SCOPED_TRACE(path.toStdString());
        WmaOpenResult r = OpenWmaEditor(path);
        ASSERT_TRUE(r) << r.damage.toStdString();
        WmaEditor& e = *r.editor;
        if (name.startsWith(QLatin1String("remove_"))) {
            EXPECT_TRUE(RemoveWmaAttributes(e).ok);
            continue;
        }
        const std::pair<const char*, QString> texts[] = {
            {"Title", QStringLiteral("書き込み題名")},       {"Author", QStringLiteral("Writer Artist")},
            {"WM/AlbumTitle", QStringLiteral("新アルバム")}, {"WM/Year", QStringLiteral("2024")},
            {"WM/Genre", QStringLiteral("Jazz")},            {"Description", QStringLiteral("コメント 😀")},
            {"WM/Composer", QStringLiteral("作曲者")},       {"WM/Writer", QStringLiteral("作詞者")},
            {"WM/Publisher", QStringLiteral("Label")},       {"WM/PartOfSet", QStringLiteral("1/2")},
            {"WM/Lyrics", QStringLiteral("歌詞\r\n二行目")},  {"Copyright", QStringLiteral("(C) Quillory")},
        };
        for (const auto& [attr, text] : texts)
            EXPECT_TRUE(WriteWmaText(e, QString::fromLatin1(attr), text));
        EXPECT_TRUE(WriteWmaNumber(e, QStringLiteral("WM/TrackNumber"), 7));
        DeleteWmaAttribute(e, QStringLiteral("WM/Track"));
        EXPECT_TRUE(WriteWmaWebLink(e, QStringLiteral("http://example.jp/q")));
        EXPECT_TRUE(WriteWmaBinary(e, QStringLiteral("WM/Picture"), png, png.size(), QStringLiteral("表紙")));
        EXPECT_TRUE(CommitWmaEditor(e).written);
    }
}

} // namespace
} // namespace quillory
