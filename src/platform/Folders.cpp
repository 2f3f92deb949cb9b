#include "platform/Folders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <filesystem>
#include <pwd.h>
#include <system_error>
#include <unistd.h>

namespace quillory {
namespace {

namespace fs = std::filesystem;

fs::path fsPath(const QString& p)
{
    return fs::path(QFile::encodeName(p).toStdString());
}

// Moves a data file from its older place; a copy and delete when the two lie on
// different file systems.
void migrateFile(const QString& from, const QString& to)
{
    std::error_code ec;
    const fs::path src = fsPath(from), dst = fsPath(to);
    if (fs::exists(fs::symlink_status(dst, ec)) || !fs::is_regular_file(src, ec))
        return;
    fs::rename(src, dst, ec);
    if (!ec)
        return;
    ec.clear();
    if (fs::copy_file(src, dst, fs::copy_options::none, ec) && !ec)
        fs::remove(src, ec);
}

} // namespace

QString CurrentUserName()
{
    QString name;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_name)
        name = QFile::decodeName(pw->pw_name);
    if (name.isEmpty())
        name = qEnvironmentVariable("USER");
    // It becomes one folder name: nothing that could climb out of the data folder.
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    name.remove(QChar(0));
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        name = QStringLiteral("user");
    return name;
}

QString ExecutableFolder()
{
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec || exe.empty())
        return QDir::currentPath();
    return QFileInfo(QFile::decodeName(QByteArray::fromStdString(exe.string()))).absolutePath();
}

Folders ComputeFolders(const QString& programFolder, const QString& xdgDataHome, const QString& userName)
{
    Folders f;
    f.program = QDir::cleanPath(programFolder);
    QString base = xdgDataHome;
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/share");
    f.sharedData = QDir::cleanPath(base + QStringLiteral("/Morva/Quillory"));
    f.data = f.sharedData + QStringLiteral("/data");
    f.userData = f.data + QLatin1Char('/') + userName;
    f.work = f.data + QStringLiteral("/work");
    f.pictureTemp = f.data + QStringLiteral("/swf_tmp.swf");
    return f;
}

Folders ComputeFolders()
{
    return ComputeFolders(ExecutableFolder(), qEnvironmentVariable("XDG_DATA_HOME"), CurrentUserName());
}

bool PrepareFolders(const Folders& folders)
{
    QDir dir;
    bool ok = dir.mkpath(folders.userData);
    ok = dir.mkpath(folders.work) && ok;
    if (!QFileInfo(folders.userData).isDir())
        return false;
    const QString user = folders.userData + QLatin1Char('/');
    migrateFile(folders.sharedData + QStringLiteral("/artist.txt"), user + QStringLiteral("artist.txt"));
    migrateFile(folders.data + QStringLiteral("/Genre.txt"), user + QStringLiteral("Genre.txt"));
    migrateFile(folders.data + QStringLiteral("/urllist.txt"), user + QStringLiteral("urllist.txt"));
    return ok;
}

bool RemoveWorkFolder(const Folders& folders)
{
    if (folders.work.isEmpty())
        return false;
    std::error_code ec;
    const fs::path work = fsPath(folders.work);
    // remove_all deletes a link itself, never what it points to.
    fs::remove_all(work, ec);
    return !fs::exists(fs::symlink_status(work, ec));
}

} // namespace quillory
