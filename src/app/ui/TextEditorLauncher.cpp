#include "app/ui/TextEditorLauncher.h"

#include "platform/Limits.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>

namespace quillory {

TextEditorLauncher::TextEditorLauncher(QString workFolder) : workFolder_(std::move(workFolder)) {}

namespace {

// $VISUAL and $EDITOR are shell words: blanks separate them, single quotes keep
// everything, double quotes everything but a backslash before " \ $ or `, and a
// backslash outside quotes keeps the next character.
QStringList splitShellWords(const QString& line)
{
    QStringList words;
    QString word;
    bool inWord = false;
    enum { None, Single, Double } quote = None;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quote == Single) {
            if (c == QLatin1Char('\''))
                quote = None;
            else
                word += c;
        } else if (quote == Double) {
            if (c == QLatin1Char('"'))
                quote = None;
            else if (c == QLatin1Char('\\') && i + 1 < line.size() &&
                     QStringLiteral("\"\\$`").contains(line[i + 1]))
                word += line[++i];
            else
                word += c;
        } else if (c.isSpace()) {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
        } else {
            inWord = true;
            if (c == QLatin1Char('\''))
                quote = Single;
            else if (c == QLatin1Char('"'))
                quote = Double;
            else if (c == QLatin1Char('\\') && i + 1 < line.size())
                word += line[++i];
            else
                word += c;
        }
    }
    if (inWord)
        words << word;
    return words;
}

} // namespace

QStringList TextEditorLauncher::CommandFor(const QString& path)
{
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"VISUAL", "EDITOR"}) {
        QStringList cmd = splitShellWords(env.value(QString::fromLatin1(name)));
        if (!cmd.isEmpty()) {
            cmd << path;
            return cmd;
        }
    }
    return {QStringLiteral("xdg-open"), path};
}

QString TextEditorLauncher::FileFor(const QString& title) const
{
    QString name = title;
    for (QChar& c : name)
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() < 0x20)
            c = QLatin1Char('_');
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        name = QStringLiteral("text");
    return QDir(workFolder_).filePath(name + QStringLiteral(".txt"));
}

std::optional<QString> TextEditorLauncher::EditInNotepad(const QString& title, const QString& text,
                                                         const std::function<bool()>& keepAlive)
{
    if (!QDir().mkpath(workFolder_))
        return std::nullopt;
    const QString path = FileFor(title);
    // UTF-8, which every editor here reads, so that no character of the field is lost.
    const QByteArray written = text.toUtf8();
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(written) != written.size())
            return std::nullopt;
    }
    const QStringList cmd = CommandFor(path);
    QProcess p;
    p.setProgram(cmd.front());
    p.setArguments(cmd.mid(1));
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start();
    if (!p.waitForStarted()) {
        QFile::remove(path);
        return std::nullopt;
    }
    while (!p.waitForFinished(kPollMs)) {
        if (keepAlive && !keepAlive()) {
            p.kill();
            p.waitForFinished();
            QFile::remove(path);
            return std::nullopt;
        }
    }
    std::optional<QString> result;
    QFile f(path);
    if (f.open(QIODevice::ReadOnly) && quint64(f.size()) <= limits::kMaxDataFileBytes) {
        const QByteArray back = f.readAll();
        if (back != written) {
            QString t = QString::fromUtf8(back);
            t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            // Editors end the last line; the field did not have that break.
            if (t.endsWith(QLatin1Char('\n')) && !text.endsWith(QLatin1Char('\n')))
                t.chop(1);
            if (t != text)
                result = t;
        }
    }
    f.close();
    QFile::remove(path);
    return result;
}

} // namespace quillory
