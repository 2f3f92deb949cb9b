#include "cli/CliCommon.h"

#include "gather/Gather.h"
#include "media/Genres.h"
#include "platform/FileAccess.h"
#include "platform/SettingsStore.h"
#include "tags/Loader.h"

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <sys/stat.h>

namespace quillory::cli {

void WriteStdout(const std::string& s)
{
    std::fwrite(s.data(), 1, s.size(), stdout);
}

void PrintErr(const QString& s)
{
    QByteArray b = s.toUtf8();
    b.append('\n');
    std::fwrite(b.constData(), 1, std::size_t(b.size()), stderr);
}

bool LoadCliSettings(const QStringList& overrides, CliSettings& out)
{
    out.folders = ComputeFolders();
    SettingsStore store(defaultSettingsPath());
    ReadSettings(store, out.settings, out.folders);
    for (const QString& o : overrides) {
        qsizetype eq = o.indexOf(QLatin1Char('='));
        if (eq <= 0) {
            PrintErr(QStringLiteral("-o には NAME=VALUE を指定して下さい: ") + o);
            return false;
        }
        QString error;
        if (!ApplySettingOverride(out.settings, o.left(eq), o.mid(eq + 1), &error)) {
            PrintErr(error);
            return false;
        }
    }
    return true;
}

bool PrepareCliRun(const QStringList& overrides, const QStringList& paths, CliSettings& cs, TagOptions& options,
                   int& status)
{
    if (!LoadCliSettings(overrides, cs))
        return false;
    status = ReportMissingPaths(paths) ? kExitOk : kExitFailure;
    options = TagOptionsFrom(cs.settings);
    return true;
}

void GatherAndLoad(const QStringList& paths, const CliSettings& cs, const TagOptions& options,
                   const GenreTable& genres, WmaErrorGate& gate, RowStore& store)
{
    GatherOptions gather;
    gather.extensions = AcceptedExtensions();
    gather.removeDuplicates = cs.settings.doubleCheck;
    SilentPrompt quiet;
    GatherPaths(store, paths.join(QStringLiteral("\r\n")), {}, gather, &quiet);
    TagLoader loader(options, &genres);
    loader.setWmaGate(&gate);
    for (int i = 0; i < store.count(); ++i)
        loader.LoadRow(store, i, store.row(i).path(), false, true, true);
}

void StderrPrompt::ShowMessage(const QString& title, const QString& text, PromptIcon)
{
    PrintErr(title.isEmpty() ? text : title + QStringLiteral(": ") + text);
}

Answer StderrPrompt::Ask(Question& q)
{
    PrintErr((q.title.isEmpty() ? QString() : q.title + QStringLiteral(": ")) + q.text);
    if (q.buttons.contains(default_))
        return default_;
    if (q.buttons.contains(Answer::Cancel))
        return Answer::Cancel;
    if (q.buttons.contains(Answer::No))
        return Answer::No;
    return q.buttons.isEmpty() ? Answer::Cancel : q.buttons.back();
}

bool ReportMissingPaths(const QStringList& paths)
{
    bool all = true;
    for (const QString& p : paths) {
        struct stat st{};
        if (::stat(QFile::encodeName(p).constData(), &st) != 0) {
            PrintErr(p + QStringLiteral(": ") + systemErrorText(errno));
            all = false;
        }
    }
    return all;
}

std::string JsonEscape(const QString& s)
{
    QByteArray u = s.toUtf8();
    std::string out;
    out.reserve(std::size_t(u.size()) + 2);
    out.push_back('"');
    for (char c : u) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", unsigned(static_cast<unsigned char>(c)));
                out += buf;
            } else {
                out.push_back(c);
            }
        }
    }
    out.push_back('"');
    return out;
}

std::string TsvEscape(const QString& s)
{
    QByteArray u = s.toUtf8();
    std::string out;
    out.reserve(std::size_t(u.size()));
    for (char c : u) {
        switch (c) {
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\\': out += "\\\\"; break;
        default: out.push_back(c);
        }
    }
    return out;
}

int DisplayWidth(const QString& s)
{
    int w = 0;
    for (qsizetype i = 0; i < s.size(); ++i) {
        char32_t c = s[i].unicode();
        if (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(s[i], s[i + 1]);
            ++i;
        }
        if (c < 0x20)
            continue;
        bool wide = (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF && c != 0x303F) ||
                    (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
                    (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
                    (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1FAFF) ||
                    (c >= 0x20000 && c <= 0x3FFFD);
        w += wide ? 2 : 1;
    }
    return w;
}

} // namespace quillory::cli
