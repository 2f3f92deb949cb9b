#include "gather/Gather.h"

#include "app/UserPrompt.h"
#include "gather/Playlist.h"
#include "platform/Limits.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <dirent.h>
#include <set>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace quillory {
namespace {

// Messages are let through once per this many pieces of a long loop.
constexpr int kPumpInterval = 51;
// The mount table is small; this only bounds a broken one.
constexpr qint64 kMaxMountTableBytes = 4 * 1024 * 1024;

const QString kPlaylistExtension = QStringLiteral(".m3u");

bool cancelled(UserPrompt* p)
{
    return p && p->Cancelled();
}

// The extension of the last path component, with its dot ("" when there is none).
QString extensionOf(QStringView path)
{
    qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    QStringView name = path.mid(slash + 1);
    qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot).toString();
}

bool acceptedExtension(QStringView path, const QStringList& extensions)
{
    const QString ext = extensionOf(path).toLower();
    if (ext.isEmpty())
        return false;
    for (const QString& e : extensions)
        if (ext == e.toLower())
            return true;
    return false;
}

bool isHiddenName(QStringView name)
{
    return name.startsWith(QLatin1Char('.'));
}

QString fileNameOf(const QString& path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString absoluteClean(const QString& path)
{
    return QDir::cleanPath(QDir::isAbsolutePath(path) ? path : QDir::current().absoluteFilePath(path));
}

QString childPath(const QString& folder, const QString& name)
{
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

// Order of a Windows file system listing: names compared code unit by code unit
// after upper-casing, exact order among names equal so.
struct DirEntry {
    QString name;
    QString key;
    bool regular = false; // a regular file (after following a link)
};

QString upperKey(const QString& name)
{
    QString k = name;
    for (QChar& c : k)
        c = c.toUpper();
    return k;
}

void sortEntries(std::vector<DirEntry>& v)
{
    std::sort(v.begin(), v.end(), [](const DirEntry& a, const DirEntry& b) {
        if (int c = QString::compare(a.key, b.key, Qt::CaseSensitive); c != 0)
            return c < 0;
        return QString::compare(a.name, b.name, Qt::CaseSensitive) < 0;
    });
}

struct Listing {
    std::vector<DirEntry> files; // every entry that is not a folder
    std::vector<DirEntry> folders;
    bool readable = false;
    std::pair<dev_t, ino_t> id{};
};

// Reads one folder completely before anything is appended or entered, so that at
// most one directory handle is open at a time.
Listing listFolder(const QString& folder)
{
    Listing l;
    const QByteArray native = QFile::encodeName(folder);
    DIR* dir = ::opendir(native.constData());
    if (!dir)
        return l;
    struct stat self{};
    if (::fstat(::dirfd(dir), &self) == 0)
        l.id = {self.st_dev, self.st_ino};
    l.readable = true;
    while (const dirent* e = ::readdir(dir)) {
        const char* raw = e->d_name;
        if (raw[0] == '.' && (raw[1] == 0 || (raw[1] == '.' && raw[2] == 0)))
            continue;
        const QByteArray rawName(raw);
        QString name = QFile::decodeName(rawName);
        // A name that does not survive the trip through the locale's encoding could
        // never be opened again by the path the row would carry.
        if (std::any_of(rawName.begin(), rawName.end(), [](char c) { return std::uint8_t(c) >= 0x80; }) &&
            QFile::encodeName(name) != rawName)
            continue;
        bool isDir = false, isRegular = false;
        unsigned char type = e->d_type;
        if (type == DT_DIR) {
            isDir = true;
        } else if (type == DT_REG) {
            isRegular = true;
        } else if (type == DT_LNK || type == DT_UNKNOWN) {
            struct stat st{};
            if (::fstatat(::dirfd(dir), raw, &st, 0) == 0) {
                isDir = S_ISDIR(st.st_mode);
                isRegular = S_ISREG(st.st_mode);
            }
        }
        DirEntry entry{name, upperKey(name), isRegular};
        (isDir ? l.folders : l.files).push_back(std::move(entry));
    }
    ::closedir(dir);
    sortEntries(l.files);
    sortEntries(l.folders);
    return l;
}

class Walker {
public:
    Walker(WalkMode mode, int& counter, RowStore& store, const GatherOptions& options, UserPrompt* progress)
        : mode_(mode), counter_(counter), store_(store), options_(options), progress_(progress)
    {
    }

    bool walk(const QString& folder, int depth)
    {
        if (cancelled(progress_))
            return false;
        if (progress_)
            progress_->PumpEvents();
        Listing l = listFolder(folder);
        if (!l.readable)
            return true; // unreadable folders are skipped silently
        // Links may lead back into the tree; each folder is walked once.
        if (!visited_.insert(l.id).second)
            return true;

        for (const DirEntry& f : l.files) {
            if (cancelled(progress_))
                return false;
            ++counter_;
            if (++tick_ % kPumpInterval == 0 && progress_)
                progress_->PumpEvents();
            if (mode_ != WalkMode::Append)
                continue;
            // Only regular files: a pipe or device would block the tag reader.
            if (f.regular && acceptedExtension(f.name, options_.extensions)) {
                const QString path = childPath(folder, f.name);
                if (!options_.untaggedFilter || options_.untaggedFilter(path))
                    store_.AddPlaceholderRow(path, f.name, isHiddenName(f.name));
            }
            if (progress_)
                progress_->Step(1);
        }

        for (const DirEntry& d : l.folders) {
            if (cancelled(progress_))
                return false;
            if (isHiddenName(d.name))
                continue;
            if (progress_)
                progress_->PumpEvents();
            if (depth + 1 >= limits::kMaxFolderDepth)
                continue;
            if (!walk(childPath(folder, d.name), depth + 1))
                return false;
        }
        return true;
    }

private:
    WalkMode mode_;
    int& counter_;
    RowStore& store_;
    const GatherOptions& options_;
    UserPrompt* progress_;
    std::set<std::pair<dev_t, ino_t>> visited_;
    int tick_ = 0;
};

class PlaylistExpander {
public:
    PlaylistExpander(const GatherOptions& options, UserPrompt* progress) : options_(options), progress_(progress) {}

    // False when cancelled.
    bool expand(const QStringList& entries, int depth)
    {
        for (const QString& entry : entries) {
            if (cancelled(progress_))
                return false;
            if (out_.size() >= limits::kMaxPlaylistEntries)
                return true;
            if (progress_ && (depth == 0 || ++tick_ % kPumpInterval == 0))
                progress_->PumpEvents();
            if (extensionOf(entry).toLower() != kPlaylistExtension) {
                out_.push_back(entry);
                continue;
            }
            const QString playlist = absoluteClean(entry);
            if (depth >= limits::kMaxPlaylistDepth || chain_.contains(playlist))
                continue;
            const QString base = QFileInfo(playlist).absolutePath();
            QStringList lines = ReadPlaylistFile(playlist, playerFolder());
            for (QString& line : lines)
                line = resolve(base, line);
            chain_.push_back(playlist);
            const bool goOn = expand(lines, depth + 1);
            chain_.pop_back();
            if (!goOn)
                return false;
        }
        return true;
    }

    QStringList take() { return std::move(out_); }

private:
    const QString& playerFolder()
    {
        if (!player_)
            player_ = options_.playerMusicFolder ? *options_.playerMusicFolder : PlayerMusicFolder();
        return *player_;
    }

    // A relative line names a file beside the playlist. Playlists made on Windows
    // separate with "\": when the line as written names nothing, "/" is tried.
    static QString resolve(const QString& base, const QString& line)
    {
        auto against = [&](const QString& p) {
            return QDir::isAbsolutePath(p) ? QDir::cleanPath(p) : QDir::cleanPath(base + QLatin1Char('/') + p);
        };
        QString path = against(line);
        if (line.contains(QLatin1Char('\\')) && !QFileInfo::exists(path)) {
            QString slashed = against(QString(line).replace(QLatin1Char('\\'), QLatin1Char('/')));
            if (QFileInfo::exists(slashed))
                return slashed;
        }
        return path;
    }

    const GatherOptions& options_;
    UserPrompt* progress_;
    QStringList out_;
    QStringList chain_;
    std::optional<QString> player_;
    int tick_ = 0;
};

QString unescapeMountField(const QByteArray& field)
{
    QByteArray out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        // The kernel writes space, tab, newline and backslash as a backslash and three octal digits.
        if (field[i] == '\\' && i + 3 < field.size()) {
            const QByteArray oct = field.mid(i + 1, 3);
            bool ok = false;
            int v = oct.toInt(&ok, 8);
            if (ok && oct.size() == 3 && v < 256) {
                out.append(char(v));
                i += 3;
                continue;
            }
        }
        out.append(field[i]);
    }
    return QFile::decodeName(out);
}

} // namespace

QStringList AcceptedExtensions()
{
    return {QStringLiteral(".mp3"), QStringLiteral(".rmp"), QStringLiteral(".wav"), QStringLiteral(".wma")};
}

bool IsAcceptedFile(const QString& path, const QStringList& extensions)
{
    return acceptedExtension(path, extensions) && QFileInfo(path).isFile();
}

bool AddFolderTree(const QString& folder, int& counter, WalkMode mode, RowStore& store,
                   const GatherOptions& options, UserPrompt* progress)
{
    Walker w(mode, counter, store, options, progress);
    return w.walk(absoluteClean(folder), 0);
}

QStringList ExpandPlaylists(const QStringList& entries, const GatherOptions& options, UserPrompt* progress)
{
    PlaylistExpander e(options, progress);
    e.expand(entries, 0);
    return e.take();
}

int GatherPaths(RowStore& store, const QString& pathText, QStringList pendingFolders,
                const GatherOptions& options, UserPrompt* progress)
{
    if (pathText.isEmpty() && pendingFolders.isEmpty())
        return 0;
    const int before = store.count();

    QStringList work;
    if (!pendingFolders.isEmpty()) {
        work = std::move(pendingFolders);
    } else {
        const QStringList pieces = pathText.split(QStringLiteral("\r\n"));
        int n = 0;
        for (const QString& p : pieces) {
            if (cancelled(progress))
                break;
            if (++n % kPumpInterval == 0 && progress)
                progress->PumpEvents();
            if (!p.isEmpty())
                work.push_back(p);
        }
    }

    if (!cancelled(progress))
        work = ExpandPlaylists(work, options, progress);
    for (QString& w : work)
        w = absoluteClean(w);

    struct Kind {
        bool folder;
        bool file;
    };
    std::vector<Kind> kinds;
    kinds.reserve(std::size_t(work.size()));
    int count = 0;
    for (const QString& w : work) {
        if (cancelled(progress))
            break;
        const QFileInfo info(w);
        Kind k{info.isDir(), false};
        if (k.folder)
            AddFolderTree(w, count, WalkMode::Count, store, options, progress);
        else if ((k.file = info.isFile() && acceptedExtension(w, options.extensions)))
            ++count;
        kinds.push_back(k);
    }
    if (progress)
        progress->Progress(count);
    store.reserveMore(count);

    for (std::size_t i = 0; i < kinds.size(); ++i) {
        if (cancelled(progress))
            break;
        const QString& w = work[qsizetype(i)];
        if (kinds[i].file) {
            store.AddPlaceholderRow(w, QString(), isHiddenName(fileNameOf(w)));
            if (progress) {
                progress->Step(1);
                progress->PumpEvents();
            }
        } else if (kinds[i].folder) {
            int ignored = 0;
            if (!AddFolderTree(w, ignored, WalkMode::Append, store, options, progress))
                break;
        }
    }

    if (options.removeDuplicates)
        RemoveDuplicateRows(store);
    store.releaseSpare();
    return store.count() - before;
}

void RemoveDuplicateRows(RowStore& store)
{
    auto& rows = store.rows();
    std::stable_sort(rows.begin(), rows.end(),
                     [](const auto& a, const auto& b) { return a->path() < b->path(); });
    rows.erase(std::unique(rows.begin(), rows.end(),
                           [](const auto& a, const auto& b) { return a->path() == b->path(); }),
               rows.end());
    auto number = [](const ListRow& r) {
        QStringView n = r.sub[ColNumber];
        if (n.startsWith(QLatin1Char('S'))) // selection marker of RenumberRows
            n = n.mid(1);
        return n.toInt();
    };
    std::stable_sort(rows.begin(), rows.end(),
                     [&](const auto& a, const auto& b) { return number(*a) < number(*b); });
}

QString PlayerMusicFolder(const QString& byLabelFolder, const QString& mountTable)
{
    const QFileInfo link(byLabelFolder + QStringLiteral("/WALKMAN"));
    if (!link.exists())
        return {};
    const QString device = link.canonicalFilePath();
    if (device.isEmpty())
        return {};
    QFile mounts(mountTable);
    if (!mounts.open(QIODevice::ReadOnly))
        return {};
    const QByteArray table = mounts.read(kMaxMountTableBytes);
    for (const QByteArray& line : table.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 2)
            continue;
        QString source = unescapeMountField(fields[0]);
        if (source.startsWith(QLatin1Char('/'))) {
            const QString canonical = QFileInfo(source).canonicalFilePath();
            if (!canonical.isEmpty())
                source = canonical;
        }
        if (source != device)
            continue;
        const QString music = childPath(QDir::cleanPath(unescapeMountField(fields[1])), QStringLiteral("MUSIC"));
        if (QFileInfo(music).isDir())
            return music;
    }
    return {};
}

QString PlayerMusicFolder()
{
    return PlayerMusicFolder(QStringLiteral("/dev/disk/by-label"), QStringLiteral("/proc/mounts"));
}

} // namespace quillory
