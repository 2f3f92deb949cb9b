#include "gather/Playlist.h"

#include "gather/Gather.h"
#include "platform/CodePage.h"
#include "platform/Limits.h"

#include <QFile>
#include <QFileInfo>

namespace quillory {
namespace {

QString decodeUtf16(ByteView b, bool bigEndian)
{
    QString out;
    out.reserve(qsizetype(b.size() / 2));
    for (std::size_t i = 0; i + 1 < b.size(); i += 2) {
        char16_t u = bigEndian ? readU16BE(&b[i]) : readU16LE(&b[i]);
        if (u != 0)
            out.append(QChar(u));
    }
    return out;
}

QString decodeUtf8(ByteView b)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()));
}

// Strict UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF) that holds
// at least one multi-byte sequence.
bool isNonAsciiUtf8(ByteView b)
{
    bool nonAscii = false;
    std::size_t i = 0;
    while (i < b.size()) {
        const std::uint8_t c = b[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int len;
        std::uint32_t cp;
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (b.size() - i < std::size_t(len))
            return false;
        for (int k = 1; k < len; ++k) {
            const std::uint8_t t = b[i + std::size_t(k)];
            if ((t & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (t & 0x3F);
        }
        if ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
            (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
            return false;
        nonAscii = true;
        i += std::size_t(len);
    }
    return nonAscii;
}

QStringList splitNonEmptyLines(const QString& text)
{
    QStringList out;
    qsizetype start = 0;
    const qsizetype n = text.size();
    auto take = [&](qsizetype end) {
        if (end > start)
            out.push_back(text.mid(start, end - start));
    };
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        take(i);
        if (c == QLatin1Char('\r') && i + 1 < n && text[i + 1] == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    take(n);
    return out;
}

} // namespace

QStringList DecodePlaylistText(ByteView b, bool insidePlayerFolder)
{
    QString text;
    if (b.size() >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
        text = decodeUtf16(b.subspan(2), false);
    } else if (b.size() >= 2 && b[0] == 0xFE && b[1] == 0xFF) {
        text = decodeUtf16(b.subspan(2), true);
    } else if (b.size() >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
        text = decodeUtf8(b.subspan(3));
    } else {
        std::size_t zerosOdd = 0, zerosEven = 0;
        for (std::size_t i = 0; i < b.size(); ++i)
            if (b[i] == 0)
                ++((i % 2) ? zerosOdd : zerosEven);
        if (zerosOdd + zerosEven > 0)
            text = decodeUtf16(b, zerosEven > zerosOdd);
        else if (insidePlayerFolder || isNonAsciiUtf8(b))
            text = decodeUtf8(b);
        else
            text = CodePage::toUnicode(b);
    }
    return splitNonEmptyLines(text);
}

bool IsInsideFolder(const QString& path, const QString& folder)
{
    if (folder.isEmpty())
        return false;
    QString f = folder;
    while (f.size() > 1 && f.endsWith(QLatin1Char('/')))
        f.chop(1);
    if (f == QLatin1String("/"))
        return path.startsWith(f);
    return path == f || (path.startsWith(f) && path.size() > f.size() && path[f.size()] == QLatin1Char('/'));
}

QStringList ReadPlaylistFile(const QString& path, const QString& playerMusicFolder)
{
    // Only regular files: opening a pipe or device named "x.m3u" could block.
    const QFileInfo info(path);
    if (!info.isFile())
        return {};
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const qint64 size = f.size();
    if (size <= 0 || std::uint64_t(size) > limits::kMaxPlaylistBytes)
        return {};
    QByteArray data = f.read(size);
    ByteView bytes(reinterpret_cast<const std::uint8_t*>(data.constData()), std::size_t(data.size()));
    const QString absolute = info.absoluteFilePath();
    return DecodePlaylistText(bytes, IsInsideFolder(absolute, playerMusicFolder));
}

QStringList ReadPlaylistFile(const QString& path)
{
    return ReadPlaylistFile(path, PlayerMusicFolder());
}

} // namespace quillory
