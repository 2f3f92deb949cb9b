// quillory-cli set: gathers the paths as the window does, edits every row as the
// edit boxes would, and writes the chosen side back with the writer.
#include "cli/Commands.h"

#include "cli/CliCommon.h"
#include "gather/Gather.h"
#include "media/Genres.h"
#include "media/wma/WmaErrorGate.h"
#include "tags/Loader.h"
#include "tags/Writer.h"

#include <QFileInfo>
#include <cstdio>

namespace quillory::cli {

namespace {

struct Assignment {
    QString name;
    int field = -1;      // block field 0-7, or a fixed column (18 and up)
    int onlyBlock = -1;  // a column name fixes the block: kShownBase or kOtherBase
    QString value;
};

// The short field names of the command line.
int fieldOfName(const QString& name)
{
    static const struct {
        const char* name;
        int field;
    } kNames[] = {
        {"title", FieldTitle},      {"artist", FieldArtist},     {"album", FieldAlbum},
        {"genre", FieldGenre},      {"track", FieldTrack},       {"year", FieldYear},
        {"comment", FieldComment},  {"composer", ColComposer},   {"lyricist", ColLyricist},
        {"label", ColLabel},        {"discset", ColDiscSet},     {"lyrics", ColLyrics},
        {"copyright", ColCopyright}, {"encoder", ColEncoder},    {"url", ColUrl},
        {"picture", ColPicture},
    };
    for (const auto& n : kNames)
        if (name == QLatin1String(n.name))
            return n.field;
    return -1;
}

bool parseAssignment(const QString& arg, Assignment& out)
{
    const qsizetype eq = arg.indexOf(QLatin1Char('='));
    if (eq <= 0)
        return false;
    out.name = arg.left(eq);
    out.value = arg.mid(eq + 1);
    const int named = fieldOfName(out.name);
    if (named >= 0) {
        out.field = named;
        return true;
    }
    const int column = columnByName(out.name.toStdString());
    if (column >= ColTitle && column <= ColComment && column != ColTagKind) {
        out.field = column;
        out.onlyBlock = kShownBase;
    } else if (column >= ColTitleV1 && column <= ColCommentV1 && column != ColTagKindV1) {
        out.field = column - kOtherBase;
        out.onlyBlock = kOtherBase;
    } else if ((column >= ColComposer && column <= ColLyrics) || (column >= ColCopyright && column <= ColPicture)) {
        out.field = column;
    } else {
        return false;
    }
    return true;
}

// Answers what the options allow; everything else is refused and the row skipped.
class SetPrompt : public StderrPrompt {
public:
    SetPrompt(bool yesAll, bool readOnly) : yesAll_(yesAll), readOnly_(readOnly) {}

    Answer Ask(Question& q) override
    {
        const bool readOnlyQuestion = !q.checkBoxText.isEmpty();
        if (yesAll_ && q.buttons.contains(Answer::All)) {
            q.checkBoxChecked = readOnlyQuestion && readOnly_;
            if (!readOnlyQuestion || readOnly_)
                return Answer::All;
        }
        if (readOnlyQuestion && readOnly_) {
            q.checkBoxChecked = true;
            return Answer::Yes;
        }
        PrintErr(q.title + QStringLiteral(": ") + q.text + QStringLiteral("\n→ 応答がないため、このファイルは書き込みません。"));
        return Answer::Abort;
    }

private:
    bool yesAll_;
    bool readOnly_;
};

bool isWave(const ListRow& row) { return LowerExtension(row.path()) == QLatin1String(".wav"); }

// One edit, as an edit box applies it to a row (the rules of the field editing).
void applyEdit(ListRow& row, int block, int field, const QString& value, PrimarySide side, const GenreTable& genres)
{
    const bool v2Block = block == v2Base(side);
    const QString kind = row.sub[std::size_t(v2Base(side) + FieldTagKind)];
    if (!v2Block && isWave(row))
        return;
    if (v2Block && kind == QLatin1String("riff") &&
        (field == FieldTrack || field == ColComposer || field == ColLyricist || field == ColDiscSet || field == ColUrl))
        return; // RIFF INFO has no such entries
    QString text = value;
    if (field == ColPicture) {
        if (isWave(row) || kind == QLatin1String("riff") || text.isEmpty())
            return;
        if (text == kPictureDelete) {
            if (row.sub[ColPicture] != kPicturePresent)
                return; // nothing to remove
            row.sub[ColPictureDescription].clear();
        } else if (text != kPictureInfo) {
            text = QFileInfo(text).absoluteFilePath();
        }
    }
    const int base = field >= kBlockFieldCount ? 0 : block;
    if (GetRowField(row, base, field) == text)
        return;
    SetRowField(row, base, field, text, side, &genres);
    if (GetRowField(row, base, field) != text)
        return; // refused (an ID3v1 genre that is not in the list)
    QString& mask = row.sub[std::size_t(block + FieldChanged)];
    mask = MarkFieldChanged(mask, field);
}

} // namespace

const char* SetUsage()
{
    return "使い方: quillory-cli set [--v1|--v2|--both] [--stamp] [--yes-all] [--readonly] [-o NAME=VALUE]...\n"
           "                        FIELD=VALUE... -- PATH...\n"
           "  FIELD: title artist album genre track year comment composer lyricist label discset\n"
           "         lyrics copyright encoder url picture、または列名 (ColTitle, ColTitleV1, ...)\n"
           "  picture=画像ファイル / picture=削除\n";
}

int RunSet(const QStringList& args)
{
    WriteWhich which = WriteWhich::Both;
    bool stamp = false;
    bool yesAll = false;
    bool readOnly = false;
    QStringList overrides;
    std::vector<Assignment> edits;
    QStringList paths;
    bool sawSeparator = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--")) {
            paths = args.mid(i + 1);
            sawSeparator = true;
            break;
        }
        if (a == QLatin1String("--v1")) {
            which = WriteWhich::V1;
        } else if (a == QLatin1String("--v2")) {
            which = WriteWhich::V2;
        } else if (a == QLatin1String("--both")) {
            which = WriteWhich::Both;
        } else if (a == QLatin1String("--stamp")) {
            stamp = true;
        } else if (a == QLatin1String("--yes-all")) {
            yesAll = true;
        } else if (a == QLatin1String("--readonly")) {
            readOnly = true;
        } else if (a == QLatin1String("-o") && i + 1 < args.size()) {
            overrides << args[++i];
        } else if (a.startsWith(QLatin1Char('-'))) {
            PrintErr(QStringLiteral("不明なオプションです: ") + a);
            std::fputs(SetUsage(), stderr);
            return kExitUsage;
        } else {
            Assignment e;
            if (!parseAssignment(a, e)) {
                PrintErr(QStringLiteral("不明な項目です: ") + a);
                std::fputs(SetUsage(), stderr);
                return kExitUsage;
            }
            edits.push_back(e);
        }
    }
    if (!sawSeparator || paths.isEmpty() || edits.empty()) {
        std::fputs(SetUsage(), stderr);
        return kExitUsage;
    }

    CliSettings cs;
    TagOptions options;
    int status = kExitOk;
    if (!PrepareCliRun(overrides, paths, cs, options, status))
        return kExitUsage;
    options.stamp = stamp;
    GenreTable genres(GenreLanguageOf(options));

    RowStore store;
    SetPrompt prompt(yesAll, readOnly);
    WmaErrorGate gate(prompt);
    GatherAndLoad(paths, cs, options, genres, gate, store);
    const PrimarySide side = store.side();
    for (int i = 0; i < store.count(); ++i) {
        ListRow& row = store.row(i);
        for (const Assignment& e : edits) {
            const bool fixed = e.field >= kBlockFieldCount;
            if (e.onlyBlock >= 0) {
                applyEdit(row, e.onlyBlock, e.field, e.value, side, genres);
                continue;
            }
            if (which != WriteWhich::V1)
                applyEdit(row, v2Base(side), e.field, e.value, side, genres);
            if (which != WriteWhich::V2 && !fixed)
                applyEdit(row, v1Base(side), e.field, e.value, side, genres);
        }
    }

    WriterContext context(options, &genres, prompt);
    context.wmaGate = &gate;
    const WriteSummary summary = WriteButtonClick(store, which, context);

    // Rows whose chosen side still has changes were not written.
    for (int i = 0; i < store.count(); ++i) {
        const ListRow& row = store.row(i);
        const bool v1Left = which != WriteWhich::V2 && row.sub[std::size_t(v1Base(side) + FieldChanged)] != QLatin1String("0");
        const bool v2Left = which != WriteWhich::V1 && row.sub[std::size_t(v2Base(side) + FieldChanged)] != QLatin1String("0");
        if (v1Left || v2Left) {
            PrintErr(row.path() + QStringLiteral(": 書き込みませんでした (") +
                     row.sub[std::size_t(v2Base(side) + FieldTagKind)] + QLatin1Char(')'));
            status = kExitFailure;
        }
    }
    if (summary.failed > 0 || summary.skipped > 0 || summary.cancelled)
        status = kExitFailure;
    return status;
}

} // namespace quillory::cli
