#include "app/DataFiles.h"

#include "platform/CodePage.h"
#include "platform/Limits.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>

namespace quillory {
namespace {

std::optional<Bytes> readSmallFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    const qint64 size = f.size();
    if (size < 0 || std::uint64_t(size) > limits::kMaxDataFileBytes)
        return std::nullopt;
    Bytes b(static_cast<std::size_t>(size));
    if (size > 0 && f.read(reinterpret_cast<char*>(b.data()), size) != size)
        return std::nullopt;
    return b;
}

bool writeWhole(const QString& path, const Bytes& bytes)
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    if (!bytes.empty() &&
        f.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) != qint64(bytes.size())) {
        f.cancelWriting();
        return false;
    }
    return f.commit();
}

QString decodeUtf16(ByteView b, bool bigEndian)
{
    QString out;
    out.reserve(qsizetype(b.size() / 2));
    for (std::size_t i = 0; i + 1 < b.size(); i += 2)
        out.append(QChar(bigEndian ? readU16BE(&b[i]) : readU16LE(&b[i])));
    return out;
}

// Lines as a string list holds them: CR LF, CR or LF end a line; a break at the
// very end opens no further line.
QStringList splitLines(const QString& text)
{
    QStringList out;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        QChar c = text[i];
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        out.push_back(text.mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < n && text[i + 1] == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < n)
        out.push_back(text.mid(start));
    return out;
}

// A byte-order mark picks UTF-16 or UTF-8; otherwise code page 932.
QString decodeMarkedOrCodePage(ByteView b)
{
    if (b.size() >= 2 && b[0] == 0xFF && b[1] == 0xFE)
        return decodeUtf16(b.subspan(2), false);
    if (b.size() >= 2 && b[0] == 0xFE && b[1] == 0xFF)
        return decodeUtf16(b.subspan(2), true);
    if (b.size() >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF)
        return QString::fromUtf8(reinterpret_cast<const char*>(b.data() + 3), qsizetype(b.size() - 3));
    return CodePage::toUnicode(b);
}

struct IniSection {
    QString name;      // empty for lines before the first section
    QStringList lines; // raw lines of the body
};

std::vector<IniSection> parseIni(const QString& text)
{
    std::vector<IniSection> out(1);
    for (const QString& line : splitLines(text)) {
        const QString t = line.trimmed();
        if (t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']')) && !t.contains(QLatin1Char('='))) {
            out.push_back({t.mid(1, t.size() - 2).trimmed(), {}});
            continue;
        }
        out.back().lines.push_back(line);
    }
    return out;
}

// The key of a body line. Values here are always "0", so the key runs to the last
// "=" and an entry holding "=" survives.
std::optional<QString> keyOf(const QString& line)
{
    const QString t = line.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    qsizetype eq = t.lastIndexOf(QLatin1Char('='));
    if (eq < 0)
        return t.startsWith(QLatin1Char(';')) ? std::nullopt : std::optional<QString>(t);
    QString key = t.left(eq).trimmed();
    if (key.isEmpty())
        return std::nullopt;
    return key;
}

} // namespace

QStringList DecodeArtistText(ByteView bytes)
{
    if (bytes.empty())
        return {};
    bool sjis = bytes.size() % 2 == 1;
    if (!sjis)
        sjis = bytes.size() == 2 * std::size_t(CodePage::toUnicode(bytes).size());
    if (!sjis) {
        // An older Shift-JIS list of even length: it holds no zero byte, which every
        // UTF-16 line break has, yet holds a CR LF pair.
        bool hasZero = std::find(bytes.begin(), bytes.end(), std::uint8_t(0)) != bytes.end();
        bool hasCrLf = false;
        for (std::size_t i = 0; i + 1 < bytes.size() && !hasCrLf; ++i)
            hasCrLf = bytes[i] == '\r' && bytes[i + 1] == '\n';
        sjis = !hasZero && hasCrLf;
    }
    QString text;
    if (sjis) {
        text = CodePage::toUnicode(bytes);
    } else {
        text = decodeUtf16(bytes, false);
        if (!text.isEmpty() && (text[0] == QChar(0xFEFF) || text[0] == QChar(0xFFFE)))
            text.remove(0, 1);
    }
    return splitLines(text);
}

Bytes EncodeArtistText(const QStringList& artists)
{
    const QString text = artists.join(QStringLiteral("\r\n"));
    Bytes out;
    out.reserve(std::size_t(text.size()) * 2);
    for (QChar c : text) {
        out.push_back(std::uint8_t(c.unicode() & 0xFF));
        out.push_back(std::uint8_t(c.unicode() >> 8));
    }
    return out;
}

QStringList ReadArtistFile(const QString& path)
{
    std::optional<Bytes> b = readSmallFile(path);
    return b ? DecodeArtistText(*b) : QStringList();
}

bool WriteArtistFile(const QString& path, const QStringList& artists)
{
    return writeWhole(path, EncodeArtistText(artists));
}

std::optional<QStringList> ReadDataListSection(const QString& path, const QString& section)
{
    std::optional<Bytes> b = readSmallFile(path);
    if (!b)
        return std::nullopt;
    for (const IniSection& s : parseIni(decodeMarkedOrCodePage(*b))) {
        if (s.name.isEmpty() || s.name.compare(section, Qt::CaseInsensitive) != 0)
            continue;
        QStringList keys;
        for (const QString& line : s.lines)
            if (std::optional<QString> k = keyOf(line))
                keys.push_back(*k);
        return keys;
    }
    return std::nullopt;
}

bool WriteDataListSection(const QString& path, const QString& section, const QStringList& entries)
{
    std::vector<IniSection> sections;
    if (QFileInfo::exists(path)) {
        std::optional<Bytes> b = readSmallFile(path);
        if (!b)
            return false; // never replace a file we could not read
        sections = parseIni(decodeMarkedOrCodePage(*b));
    } else {
        sections.resize(1);
    }

    QStringList body;
    QStringList seen;
    for (QString e : entries) {
        e.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
        e = e.trimmed();
        if (e.isEmpty() || seen.contains(e, Qt::CaseInsensitive))
            continue;
        seen.push_back(e);
        body.push_back(e + QStringLiteral("=0"));
    }

    auto it = std::find_if(sections.begin() + 1, sections.end(), [&](const IniSection& s) {
        return s.name.compare(section, Qt::CaseInsensitive) == 0;
    });
    if (it == sections.end())
        sections.push_back({section, body});
    else
        it->lines = body;

    QString text;
    for (std::size_t i = 0; i < sections.size(); ++i) {
        if (i > 0)
            text += QLatin1Char('[') + sections[i].name + QStringLiteral("]\r\n");
        for (const QString& line : sections[i].lines)
            text += line + QStringLiteral("\r\n");
    }

    Bytes out;
    bool lossless = true;
    std::string sjis = CodePage::fromUnicode(text, '?', &lossless);
    if (lossless) {
        out.assign(sjis.begin(), sjis.end());
    } else {
        out = {0xFF, 0xFE};
        for (QChar c : text) {
            out.push_back(std::uint8_t(c.unicode() & 0xFF));
            out.push_back(std::uint8_t(c.unicode() >> 8));
        }
    }
    return writeWhole(path, out);
}

DropDownLists LoadDropDownLists(const QString& userDataFolder, const QStringList& builtInCopyright,
                                const QStringList& builtInEncoder)
{
    DropDownLists lists;
    const QString ini = userDataFolder + QLatin1Char('/') + kDataListFileName;
    if (std::optional<QStringList> c = ReadDataListSection(ini, kCopyrightSection)) {
        lists.copyright = *c;
    } else {
        lists.copyright = builtInCopyright;
        lists.copyrightDue = true;
    }

    const QString old = userDataFolder + QLatin1Char('/') + kEncoderListFileName;
    if (std::optional<Bytes> b = readSmallFile(old)) {
        lists.encoder.clear();
        for (const QString& line : splitLines(decodeMarkedOrCodePage(*b)))
            if (!line.trimmed().isEmpty())
                lists.encoder.push_back(line);
        // The old file goes only once its entries are safely in the INI file.
        if (WriteDataListSection(ini, kEncoderSection, lists.encoder))
            QFile::remove(old);
        else
            lists.encoderDue = true;
    } else if (std::optional<QStringList> e = ReadDataListSection(ini, kEncoderSection)) {
        lists.encoder = *e;
    } else {
        lists.encoder = builtInEncoder;
        lists.encoderDue = true;
    }
    return lists;
}

bool SaveDropDownLists(const QString& userDataFolder, const DropDownLists& lists)
{
    const QString ini = userDataFolder + QLatin1Char('/') + kDataListFileName;
    bool ok = true;
    if (lists.copyrightDue)
        ok = WriteDataListSection(ini, kCopyrightSection, lists.copyright) && ok;
    if (lists.encoderDue)
        ok = WriteDataListSection(ini, kEncoderSection, lists.encoder) && ok;
    return ok;
}

} // namespace quillory
