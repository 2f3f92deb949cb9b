// quillory-cli list: gathers the paths as the window does, reads every row and
// prints it as JSON Lines, TSV or an aligned table.
#include "cli/Commands.h"

#include "cli/CliCommon.h"
#include "gather/Gather.h"
#include "media/Genres.h"
#include "media/wma/WmaErrorGate.h"
#include "tags/Loader.h"

#include <QLocale>
#include <sys/ioctl.h>
#include <unistd.h>

namespace quillory::cli {

namespace {

enum class Format { Table, Json, Tsv };

// A column of the output: -1 is the caption ("No").
using Column = int;
constexpr Column kCaption = -1;

const std::vector<Column>& tableColumns()
{
    static const std::vector<Column> cols = {kCaption, ColTitle, ColArtist, ColAlbum, ColGenre,
                                             ColTrack, ColYear, ColTagKind, ColTextCode, ColTagSize,
                                             ColAudioFormat};
    return cols;
}

QString columnLabel(Column c)
{
    switch (c) {
    case kCaption: return QStringLiteral("No");
    case ColTitle: return QStringLiteral("タイトル");
    case ColArtist: return QStringLiteral("アーティスト");
    case ColAlbum: return QStringLiteral("アルバム");
    case ColGenre: return QStringLiteral("ジャンル");
    case ColTrack: return QStringLiteral("Track");
    case ColYear: return QStringLiteral("年");
    case ColTagKind: return QStringLiteral("Tag");
    case ColTextCode: return QStringLiteral("コード");
    case ColTagSize: return QStringLiteral("タグサイズ");
    case ColAudioFormat: return QStringLiteral("音声形式");
    default: return QString::fromLatin1(columnNames()[std::size_t(c)].data());
    }
}

QString cell(const ListRow& r, Column c)
{
    return c == kCaption ? r.caption : r.sub[std::size_t(c)];
}

// Tag size with thousands separators and nothing for zero, as the list shows it.
QString sizeText(const QString& s)
{
    qlonglong n = s.toLongLong();
    return n == 0 ? QString() : QLocale(QLocale::English).toString(n);
}

QString fitToWidth(const QString& s, int width)
{
    if (DisplayWidth(s) <= width)
        return s + QString(width - DisplayWidth(s), QLatin1Char(' '));
    QString out;
    int w = 0;
    for (qsizetype i = 0; i < s.size(); ++i) {
        QString ch = s.mid(i, s[i].isHighSurrogate() ? 2 : 1);
        int cw = DisplayWidth(ch);
        if (w + cw > width - 1)
            break;
        out += ch;
        w += cw;
        if (ch.size() == 2)
            ++i;
    }
    out += QLatin1Char('~'); // "…" is two cells wide in many Japanese terminals, one in others
    w += 1;
    return out + QString(std::max(0, width - w), QLatin1Char(' '));
}

int terminalWidth()
{
    struct winsize ws{};
    if (isatty(STDOUT_FILENO) && ioctl(STDOUT_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 20)
        return ws.ws_col;
    bool ok = false;
    int cols = qEnvironmentVariableIntValue("COLUMNS", &ok);
    return ok && cols > 20 ? cols : 160;
}

void printTable(const RowStore& store)
{
    const auto& cols = tableColumns();
    std::vector<std::vector<QString>> cells;
    cells.reserve(std::size_t(store.count()) + 1);
    std::vector<QString> header;
    for (Column c : cols)
        header.push_back(columnLabel(c));
    cells.push_back(header);
    for (int i = 0; i < store.count(); ++i) {
        std::vector<QString> line;
        for (Column c : cols) {
            QString t = cell(store.row(i), c);
            if (c == ColTagSize)
                t = sizeText(t);
            for (QChar& ch : t)
                if (ch.unicode() < 0x20)
                    ch = QLatin1Char(' '); // a tab or line break would break the columns
            line.push_back(t);
        }
        cells.push_back(line);
    }
    std::vector<int> widths(cols.size(), 0);
    for (const auto& line : cells)
        for (std::size_t k = 0; k < cols.size(); ++k)
            widths[k] = std::max(widths[k], DisplayWidth(line[k]));
    // Shrink the free-text columns (title, artist, album, audio format) until the
    // table fits the terminal.
    const int sep = 2;
    auto total = [&] {
        int t = 0;
        for (int w : widths)
            t += w + sep;
        return t;
    };
    const std::size_t shrinkable[] = {1, 2, 3, 10, 4};
    const int floor[] = {6, 4, 4, 4, 4};
    int budget = terminalWidth();
    while (total() > budget) {
        std::size_t widest = SIZE_MAX;
        for (std::size_t s = 0; s < std::size(shrinkable); ++s) {
            std::size_t k = shrinkable[s];
            if (widths[k] > floor[s] && (widest == SIZE_MAX || widths[k] > widths[widest]))
                widest = k;
        }
        if (widest == SIZE_MAX)
            break;
        --widths[widest];
    }
    std::string out;
    for (const auto& line : cells) {
        QString text;
        for (std::size_t k = 0; k < cols.size(); ++k) {
            bool right = cols[k] == kCaption || cols[k] == ColTrack || cols[k] == ColTagSize;
            QString v = line[k];
            if (right && DisplayWidth(v) <= widths[k])
                text += QString(widths[k] - DisplayWidth(v), QLatin1Char(' ')) + v;
            else
                text += fitToWidth(v, widths[k]);
            if (k + 1 < cols.size())
                text += QString(sep, QLatin1Char(' '));
        }
        while (text.endsWith(QLatin1Char(' ')))
            text.chop(1);
        out += text.toStdString();
        out += '\n';
    }
    WriteStdout(out);
}

void printJson(const RowStore& store)
{
    const auto& names = columnNames();
    std::string out;
    for (int i = 0; i < store.count(); ++i) {
        const ListRow& r = store.row(i);
        out += "{\"No\":";
        out += JsonEscape(r.caption);
        for (int c = 0; c < kSubItemCount; ++c) {
            out += ",\"";
            out += names[std::size_t(c)];
            out += "\":";
            out += JsonEscape(r.sub[std::size_t(c)]);
        }
        out += "}\n";
        if (out.size() > (1 << 20)) {
            WriteStdout(out);
            out.clear();
        }
    }
    WriteStdout(out);
}

void printTsv(const RowStore& store, const std::vector<Column>& cols)
{
    std::string out;
    for (int i = 0; i < store.count(); ++i) {
        const ListRow& r = store.row(i);
        for (std::size_t k = 0; k < cols.size(); ++k) {
            if (k)
                out += '\t';
            out += TsvEscape(cell(r, cols[k]));
        }
        out += '\n';
        if (out.size() > (1 << 20)) {
            WriteStdout(out);
            out.clear();
        }
    }
    WriteStdout(out);
}

} // namespace

const char* ListUsage()
{
    return "使い方: quillory-cli list [--json | --tsv [--columns LIST]] [--v1-view] [-o NAME=VALUE]... PATH...\n";
}

int RunList(const QStringList& args)
{
    Format format = Format::Table;
    bool v1View = false;
    QStringList overrides;
    QStringList paths;
    QString columnsArg;
    bool columnsGiven = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--json")) {
            format = Format::Json;
        } else if (a == QLatin1String("--tsv")) {
            format = Format::Tsv;
        } else if (a == QLatin1String("--columns") && i + 1 < args.size()) {
            columnsArg = args[++i];
            columnsGiven = true;
        } else if (a.startsWith(QLatin1String("--columns="))) {
            columnsArg = a.mid(10);
            columnsGiven = true;
        } else if (a == QLatin1String("--v1-view")) {
            v1View = true;
        } else if (a == QLatin1String("-o") && i + 1 < args.size()) {
            overrides << args[++i];
        } else if (a == QLatin1String("--")) {
            paths << args.mid(i + 1);
            break;
        } else if (a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            PrintErr(QStringLiteral("不明なオプションです: ") + a);
            std::fputs(ListUsage(), stderr);
            return kExitUsage;
        } else {
            paths << a;
        }
    }
    if (paths.isEmpty() || (columnsGiven && format != Format::Tsv)) {
        std::fputs(ListUsage(), stderr);
        return kExitUsage;
    }
    std::vector<Column> tsvColumns = tableColumns();
    if (columnsGiven) {
        tsvColumns.clear();
        for (const QString& name : columnsArg.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            QString n = name.trimmed();
            int c = n == QLatin1String("No") ? kCaption : columnByName(n.toStdString());
            if (c == -1 && n != QLatin1String("No")) {
                PrintErr(QStringLiteral("不明な列名です: ") + n);
                std::fputs(ListUsage(), stderr);
                return kExitUsage;
            }
            tsvColumns.push_back(c);
        }
        if (tsvColumns.empty()) {
            std::fputs(ListUsage(), stderr);
            return kExitUsage;
        }
    }

    CliSettings cs;
    TagOptions options;
    int status = kExitOk;
    if (!PrepareCliRun(overrides, paths, cs, options, status))
        return kExitUsage;
    options.forceAudioFormat = true;
    GenreTable genres(GenreLanguageOf(options));

    RowStore store;
    if (v1View)
        store.SwapTagBlocks(PrimarySide::V1);
    // Damaged WMA files are reported once on stderr; the first "Cancel" skips the rest.
    StderrPrompt prompt;
    WmaErrorGate gate(prompt);
    GatherAndLoad(paths, cs, options, genres, gate, store);

    switch (format) {
    case Format::Json: printJson(store); break;
    case Format::Tsv: printTsv(store, tsvColumns); break;
    case Format::Table: printTable(store); break;
    }
    std::fflush(stdout);
    return status;
}

} // namespace quillory::cli
