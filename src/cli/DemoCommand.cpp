// quillory-cli demo DIR: a small library of Japanese-tagged files, every tag written
// by our own writer: MP3 with ID3v2.3 UTF-16, ID3v2.4 UTF-8, ID3v2.3 Shift-JIS, ID3v1
// only and a cover picture, a RIFF MP3, a WAVE with INFO and a WMA. The audio is
// short silence: MPEG frames and PCM made here, the WMA stream by ffmpeg when present.
#include "cli/Commands.h"

#include "cli/CliCommon.h"
#include "media/Genres.h"
#include "media/Picture.h"
#include "platform/Bytes.h"
#include "platform/FileAccess.h"
#include "tags/Loader.h"
#include "tags/Writer.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <cstdio>
#include <vector>

namespace quillory::cli {

namespace {

// MPEG-1 Layer III, 128 kbit/s, 44.1 kHz, joint stereo: 417 bytes a frame, and zero
// side information decodes as silence.
constexpr std::uint8_t kFrameHeader[4] = {0xFF, 0xFB, 0x90, 0x44};
constexpr std::size_t kFrameBytes = 417;
constexpr int kFramesPerSecond = 38; // 1152 samples a frame

Bytes silentMpeg(int seconds)
{
    Bytes out;
    const int frames = seconds * kFramesPerSecond;
    out.reserve(std::size_t(frames) * kFrameBytes);
    for (int f = 0; f < frames; ++f) {
        out.insert(out.end(), kFrameHeader, kFrameHeader + 4);
        out.resize(out.size() + kFrameBytes - 4, 0);
    }
    return out;
}

void appendId(Bytes& out, const char* id) { out.insert(out.end(), id, id + 4); }
void appendU32(Bytes& out, std::uint32_t v)
{
    const std::size_t at = out.size();
    out.resize(at + 4);
    writeU32LE(out.data() + at, v);
}

// 16-bit stereo PCM at 44.1 kHz.
Bytes silentWave(int seconds)
{
    const std::uint32_t dataBytes = std::uint32_t(seconds) * 44100u * 4u;
    Bytes out;
    appendId(out, "RIFF");
    appendU32(out, 4 + 24 + 8 + dataBytes);
    appendId(out, "WAVE");
    appendId(out, "fmt ");
    appendU32(out, 16);
    const std::uint8_t format[16] = {1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 2, 0, 4, 0, 16, 0};
    out.insert(out.end(), format, format + 16);
    appendId(out, "data");
    appendU32(out, dataBytes);
    out.resize(out.size() + dataBytes, 0);
    return out;
}

bool writeFile(const QString& path, ByteView bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           f.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) == qint64(bytes.size());
}

// A cover of soft colour bands (no text, so no fonts are needed).
Bytes coverPicture()
{
    QImage image(240, 240, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int band = (x + y) / 40;
            image.setPixelColor(x, y, QColor::fromHsv((200 + band * 25) % 360, 90 + (y % 40), 230 - x / 4));
        }
    return EncodeJpeg(image).value_or(Bytes());
}

// ffmpeg makes the WMA stream; there is no encoder of our own.
bool makeWma(const QString& path)
{
    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    if (ffmpeg.isEmpty())
        return false;
    QProcess p;
    p.start(ffmpeg, {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-f"),
                     QStringLiteral("lavfi"), QStringLiteral("-i"), QStringLiteral("anullsrc=r=44100:cl=stereo"),
                     QStringLiteral("-t"), QStringLiteral("2"), QStringLiteral("-c:a"), QStringLiteral("wmav2"),
                     QStringLiteral("-b:a"), QStringLiteral("64k"), QStringLiteral("-map_metadata"),
                     QStringLiteral("-1"), QStringLiteral("-fflags"), QStringLiteral("+bitexact"), path});
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0 &&
           QFileInfo(path).size() > 0;
}

enum class Audio { Mpeg, Wave, Wma };

struct Field {
    int field; // block field or fixed column
    const char16_t* text;
    bool v1 = false;
};

struct DemoFile {
    const char16_t* folder;
    const char16_t* name;
    Audio audio;
    int versionIndex; // "ver id" for the new tag
    int encodingIndex; // "lng id"
    std::vector<Field> fields;
    bool cover = false;
};

std::vector<DemoFile> demoFiles()
{
    return {
        {u"J-POP", u"01 桜の道.mp3", Audio::Mpeg, 2, 1,
         {{FieldTitle, u"桜の道"}, {FieldArtist, u"春風ミナ"}, {FieldAlbum, u"はじまりの歌"}, {FieldGenre, u"J-Pop"},
          {FieldTrack, u"1"}, {FieldYear, u"2003"}, {FieldComment, u"デモ用の無音ファイルです"},
          {FieldTitle, u"ｻｸﾗﾉﾐﾁ", true}, {FieldArtist, u"ﾊﾙｶｾﾞﾐﾅ", true}, {FieldTrack, u"1", true},
          {FieldYear, u"2003", true}}},
        {u"J-POP", u"02 春の歌.mp3", Audio::Mpeg, 3, 2,
         {{FieldTitle, u"春の歌 🌸"}, {FieldArtist, u"青空バンド"}, {FieldAlbum, u"おみやげ"}, {FieldTrack, u"2"},
          {FieldYear, u"2005"}, {ColComposer, u"草野みどり"}}},
        {u"演歌", u"川の流れ.mp3", Audio::Mpeg, 2, 0,
         {{FieldTitle, u"川の流れ"}, {FieldArtist, u"北島ひばり"}, {FieldAlbum, u"不死鳥"},
          {FieldComment, u"～名曲～"}, {FieldGenre, u"Enka"}}},
        {u"演歌", u"v1だけ.mp3", Audio::Mpeg, 2, 0,
         {{FieldTitle, u"ﾖｻｸ", true}, {FieldArtist, u"ｷﾀﾉ ｻﾌﾞﾛｳ", true}, {FieldAlbum, u"ｴﾝｶ", true},
          {FieldYear, u"1978", true}, {FieldTrack, u"5", true}}},
        {u"クラシック", u"月の光.mp3", Audio::Mpeg, 2, 1,
         {{FieldTitle, u"月の光"}, {FieldArtist, u"ドビュッシー"}, {FieldAlbum, u"ベルガマスク組曲"},
          {FieldGenre, u"Classical"}, {FieldTrack, u"3"}},
         true},
        {u"クラシック", u"夜想曲.rmp", Audio::Mpeg, 0, 0,
         {{FieldTitle, u"夜想曲"}, {FieldArtist, u"ショパン"}, {FieldAlbum, u"ノクターン集"}, {FieldYear, u"1832"},
          {FieldTitle, u"ﾔｿｳｷｮｸ", true}, {FieldTrack, u"9", true}}},
        {u"クラシック", u"朝.wav", Audio::Wave, 2, 0,
         {{FieldTitle, u"朝"}, {FieldArtist, u"グリーグ"}, {FieldAlbum, u"ペール・ギュント"}, {FieldYear, u"1875"}}},
        {u"クラシック", u"波の音.wma", Audio::Wma, 2, 0,
         {{FieldTitle, u"波の音"}, {FieldArtist, u"海辺の楽団"}, {FieldAlbum, u"夏の記憶"}, {FieldTrack, u"4"},
          {FieldGenre, u"New Age"}}},
    };
}

// The edit as the edit boxes make it: the text, and the change bit of its block.
void edit(ListRow& row, PrimarySide side, const Field& f, const GenreTable& genres)
{
    const int block = f.v1 ? v1Base(side) : v2Base(side);
    const QString text = QString::fromUtf16(f.text);
    SetRowField(row, f.field >= kBlockFieldCount ? 0 : block, f.field, text, side, &genres);
    QString& mask = row.sub[std::size_t(block + FieldChanged)];
    mask = MarkFieldChanged(mask, f.field);
}

} // namespace

const char* DemoUsage() { return "使い方: quillory-cli demo DIR\n"; }

int RunDemo(const QStringList& args)
{
    if (args.size() != 1 || args[0].startsWith(QLatin1Char('-'))) {
        std::fputs(DemoUsage(), stderr);
        return kExitUsage;
    }
    const QString root = QFileInfo(args[0]).absoluteFilePath();
    QDir dir(root);
    if (dir.exists() && !dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty()) {
        WriteStdout(root.toStdString() + "\n"); // made before: used as it is
        return kExitOk;
    }
    if (!QDir().mkpath(root)) {
        PrintErr(root + QStringLiteral(": フォルダを作成できません"));
        return kExitFailure;
    }

    CliSettings cs;
    if (!LoadCliSettings({}, cs))
        return kExitFailure;
    const Bytes mpeg = silentMpeg(2);
    const Bytes wave = silentWave(1);
    StderrPrompt prompt(Answer::No);
    int status = kExitOk;
    for (const DemoFile& demo : demoFiles()) {
        const QString folder = root + QLatin1Char('/') + QString::fromUtf16(demo.folder);
        const QString path = folder + QLatin1Char('/') + QString::fromUtf16(demo.name);
        QDir().mkpath(folder);
        bool made = false;
        switch (demo.audio) {
        case Audio::Mpeg: made = writeFile(path, mpeg); break;
        case Audio::Wave: made = writeFile(path, wave); break;
        case Audio::Wma: made = makeWma(path); break;
        }
        if (!made) {
            PrintErr(path + QStringLiteral(": 作成できませんでした") +
                     (demo.audio == Audio::Wma ? QStringLiteral(" (ffmpeg が必要です)") : QString()));
            QFile::remove(path);
            if (demo.audio != Audio::Wma)
                status = kExitFailure;
            continue;
        }

        TagOptions options = TagOptionsFrom(cs.settings);
        options.versionIndex = demo.versionIndex;
        options.encodingIndex = demo.encodingIndex;
        options.renameToRmp = false;
        options.v1InsideRiff = true;
        GenreTable genres(GenreLanguage::English);
        RowStore store;
        store.AddPlaceholderRow(path, {}, false);
        TagLoader loader(options, &genres);
        loader.LoadRow(store, 0, path, false, true, true);
        ListRow& row = store.row(0);
        for (const Field& f : demo.fields)
            edit(row, store.side(), f, genres);
        QString cover;
        if (demo.cover) {
            cover = folder + QStringLiteral("/表紙.jpg");
            if (writeFile(cover, coverPicture())) {
                row.sub[ColPictureDescription] = QStringLiteral("表紙");
                edit(row, store.side(), {ColPicture, reinterpret_cast<const char16_t*>(cover.utf16())}, genres);
            }
        }
        WriterContext context(options, &genres, prompt);
        const WriteSummary s = WriteButtonClick(store, WriteWhich::Both, context);
        if (s.failed || s.skipped) {
            PrintErr(path + QStringLiteral(": タグを書き込めませんでした"));
            status = kExitFailure;
        }
    }
    WriteStdout(root.toStdString() + "\n");
    return status;
}

} // namespace quillory::cli
