#include "app/ShellLink.h"

#include "platform/Limits.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace quillory {

QString LinkFilePath(const QString& folder, const QString& title)
{
    return folder + QLatin1Char('/') + title + QStringLiteral(".desktop");
}

QString SendToFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/applications");
}

QString DesktopFolder()
{
    QString d = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    return d.isEmpty() ? QDir::homePath() + QStringLiteral("/Desktop") : d;
}

QString DesktopExecValue(const QString& program)
{
    // Inside a quoted argument '"', '`', '$' and '\' take a backslash; the value as a
    // whole then doubles every backslash, and '%' is written '%%'.
    QString arg;
    for (QChar c : program) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            arg += QLatin1Char('\\');
        if (c == QLatin1Char('%'))
            arg += QLatin1Char('%');
        arg += c;
    }
    QString value = QLatin1Char('"') + arg + QLatin1Char('"');
    value.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    return value + QStringLiteral(" %F");
}

namespace {

// Undoes the string escapes of a Desktop Entry value (\s \n \t \r \\).
QString unescapeValue(const QString& v)
{
    QString out;
    for (qsizetype i = 0; i < v.size(); ++i) {
        if (v[i] == QLatin1Char('\\') && i + 1 < v.size()) {
            QChar n = v[++i];
            switch (n.unicode()) {
            case 's': out += QLatin1Char(' '); break;
            case 'n': out += QLatin1Char('\n'); break;
            case 't': out += QLatin1Char('\t'); break;
            case 'r': out += QLatin1Char('\r'); break;
            default: out += n; break;
            }
        } else {
            out += v[i];
        }
    }
    return out;
}

} // namespace

QString ProgramOfExecValue(const QString& exec)
{
    QString v = unescapeValue(exec).trimmed();
    QString arg;
    if (v.startsWith(QLatin1Char('"'))) {
        for (qsizetype i = 1; i < v.size(); ++i) {
            QChar c = v[i];
            if (c == QLatin1Char('\\') && i + 1 < v.size()) {
                arg += v[++i];
            } else if (c == QLatin1Char('"')) {
                break;
            } else {
                arg += c;
            }
        }
    } else {
        qsizetype sp = v.indexOf(QLatin1Char(' '));
        arg = sp < 0 ? v : v.left(sp);
    }
    arg.replace(QStringLiteral("%%"), QStringLiteral("%"));
    return arg;
}

bool CreateLink(const QString& linkFile, const QString& target, const QString& title, const QString& iconPath)
{
    QDir().mkpath(QFileInfo(linkFile).absolutePath());
    QSaveFile f(linkFile);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    QString text = QStringLiteral("[Desktop Entry]\n"
                                  "Type=Application\n"
                                  "Version=1.0\n"
                                  "Name=") + title + QStringLiteral("\n"
                                  "Comment=音楽ファイルのタグを編集します\n"
                                  "Exec=") + DesktopExecValue(target) + QStringLiteral("\n");
    if (!iconPath.isEmpty())
        text += QStringLiteral("Icon=") + iconPath + QLatin1Char('\n');
    text += QStringLiteral("Terminal=false\n"
                           "Categories=AudioVideo;Audio;\n"
                           "MimeType=audio/mpeg;audio/x-wav;audio/x-ms-wma;audio/x-mpegurl;inode/directory;\n");
    f.write(text.toUtf8());
    if (!f.commit())
        return false;
    // Desktop launchers run only when they are executable.
    QFile::setPermissions(linkFile, QFile::permissions(linkFile) | QFileDevice::ExeOwner | QFileDevice::ExeUser);
    return true;
}

bool DeleteLink(const QString& linkFile)
{
    QFileInfo fi(linkFile);
    if (!fi.exists() && !fi.isSymLink())
        return true;
    return QFile::remove(linkFile);
}

QString GetLinkToPath(const QString& linkFile)
{
    QFile f(linkFile);
    if (!f.open(QIODevice::ReadOnly) || f.size() > qint64(limits::kMaxDesktopFileBytes))
        return {};
    const QString text = QString::fromUtf8(f.read(qint64(limits::kMaxDesktopFileBytes)));
    bool inEntry = false;
    for (const QString& rawLine : text.split(QLatin1Char('\n'))) {
        QString line = rawLine.trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (inEntry && line.startsWith(QLatin1String("Exec"))) {
            qsizetype eq = line.indexOf(QLatin1Char('='));
            if (eq > 0 && line.left(eq).trimmed() == QLatin1String("Exec"))
                return ProgramOfExecValue(line.mid(eq + 1));
        }
    }
    return {};
}

bool ChkLinkPath(const QString& linkFile, const QString& target)
{
    if (!QFileInfo::exists(linkFile))
        return false;
    QString program = GetLinkToPath(linkFile);
    return !program.isEmpty() && QFileInfo(program).absoluteFilePath() == QFileInfo(target).absoluteFilePath();
}

bool RepairDesktopLink(const QString& linkFile, const QString& target, const QString& title)
{
    if (!QFileInfo::exists(linkFile))
        return false;
    QString program = GetLinkToPath(linkFile);
    if (program.isEmpty() || QFileInfo::exists(program) || program == target)
        return false;
    return CreateLink(linkFile, target, title);
}

} // namespace quillory
