#pragma once
// The places files are added from, as far as they are no window: dialog titles and
// filters, the start folders of the dialogs, and file lists from the clipboard or a
// drop.
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

class QMimeData;

namespace quillory {

inline const QString kAddFilesTitle = QStringLiteral("ファイルの追加");
inline const QString kGatherMessage = QStringLiteral("ファイルからタグ情報を読み込んでいます。");
inline const QString kFolderDialogTitle = QStringLiteral("検索するフォルダを選択");
inline const QString kOpenFileTitle = QStringLiteral("ファイルを開く");
inline const QString kMusicFileFilter = QStringLiteral("Mugic File(*.mp3 *.rmp *.wma *.wav)");
inline const QString kPlaylistFilter = QStringLiteral("プレイリスト(*.m3u)");
inline const QString kEmptyListHint = QStringLiteral("ダブルクリックでフォルダから検索して追加");

// "ファイルを開く", with " [ WalkMan プレイリスト ]" when the last playlist lies in the
// player's music folder.
QString PlaylistDialogTitle(const QString& lastPlaylistPath, const QString& playerMusicFolder);

// The folder itself when it exists, else its nearest existing parent (the root at
// worst); "" stays "".
QString NearestExistingFolder(const QString& folder);

// Start folder of the file dialog: the folder of the last added file, else the last
// searched folder.
QString FileDialogStartFolder(const QString& lastAddedFile, const QString& lastSearchFolder);

// Local file paths of a drop or of the clipboard, in the order given: the
// "text/uri-list" entries, or the files of "x-special/gnome-copied-files".
QStringList LocalPathsFromMimeData(const QMimeData& data);
QStringList LocalPathsFromUrls(const QList<QUrl>& urls);

// The clipboard can be pasted: its first file exists and is of an accepted kind.
bool PasteableFileList(const QStringList& paths, const QStringList& extensions);

} // namespace quillory
