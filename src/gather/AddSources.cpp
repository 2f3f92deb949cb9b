#include "gather/AddSources.h"

#include "gather/Gather.h"
#include "gather/Playlist.h"

#include <QDir>
#include <QFileInfo>
#include <QMimeData>

namespace quillory {

QString PlaylistDialogTitle(const QString& lastPlaylistPath, const QString& playerMusicFolder)
{
    if (!playerMusicFolder.isEmpty() && IsInsideFolder(lastPlaylistPath, playerMusicFolder))
        return kOpenFileTitle + QStringLiteral(" [ WalkMan プレイリスト ]");
    return kOpenFileTitle;
}

QString NearestExistingFolder(const QString& folder)
{
    if (folder.isEmpty())
        return {};
    QString f = QDir::cleanPath(folder);
    while (!QFileInfo(f).isDir()) {
        QString parent = QFileInfo(f).path();
        if (parent == f || parent.isEmpty())
            return QDir::rootPath();
        f = parent;
    }
    return f;
}

QString FileDialogStartFolder(const QString& lastAddedFile, const QString& lastSearchFolder)
{
    if (!lastAddedFile.isEmpty())
        return QFileInfo(lastAddedFile).path();
    return lastSearchFolder;
}

QStringList LocalPathsFromUrls(const QList<QUrl>& urls)
{
    QStringList out;
    for (const QUrl& u : urls)
        if (u.isLocalFile() && !u.toLocalFile().isEmpty())
            out << u.toLocalFile();
    return out;
}

QStringList LocalPathsFromMimeData(const QMimeData& data)
{
    if (data.hasUrls())
        return LocalPathsFromUrls(data.urls());
    const QString gnome = QStringLiteral("x-special/gnome-copied-files");
    if (data.hasFormat(gnome)) {
        QList<QUrl> urls;
        const QList<QByteArray> lines = data.data(gnome).split('\n');
        for (qsizetype i = 1; i < lines.size(); ++i) {
            QByteArray l = lines[i].trimmed();
            if (!l.isEmpty())
                urls << QUrl::fromEncoded(l);
        }
        return LocalPathsFromUrls(urls);
    }
    return {};
}

bool PasteableFileList(const QStringList& paths, const QStringList& extensions)
{
    return !paths.isEmpty() && IsAcceptedFile(paths.first(), extensions);
}

} // namespace quillory
