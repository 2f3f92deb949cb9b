#pragma once
// Gathering files into the list: paths, folders (walked recursively) and playlists
// become placeholder rows. No audio file is opened here; the tag fetcher reads them.
#include "app/RowStore.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace quillory {

class UserPrompt;

// The accepted kinds: ".mp3", ".rmp", ".wav" and ".wma" (our WMA editor is always there).
QStringList AcceptedExtensions();

struct GatherOptions {
    QStringList extensions = AcceptedExtensions(); // lower case, with the dot
    bool removeDuplicates = false;                 // "double check"
    // The untagged-file filter: a file found in a folder is added only when it
    // returns true. Empty = off.
    std::function<bool(const QString& path)> untaggedFilter;
    // Music folder of the portable player (playlists there are UTF-8); unset = look
    // it up with PlayerMusicFolder() when a playlist is read.
    std::optional<QString> playerMusicFolder;
};

// Appends one placeholder row per accepted file named by pathText (paths separated
// by CR LF; empty lines skipped) or, when pendingFolders has entries, by those
// folders instead. Folders are walked, playlists expanded. progress (may be null)
// gets the counted maximum, one Step per file, and is asked for Cancelled() in every
// loop; rows appended before a cancel stay. With removeDuplicates the whole store
// then keeps one row per path. Returns how much the store grew (negative when the
// duplicate check removed more older rows than were added).
int GatherPaths(RowStore& store, const QString& pathText, QStringList pendingFolders,
                const GatherOptions& options, UserPrompt* progress);

// True when a file (not a folder) exists at path and its extension, lower-cased and
// with the dot, is one of extensions (whole entries only: "x.mp3.bak" is not).
bool IsAcceptedFile(const QString& path, const QStringList& extensions);

enum class WalkMode { Count, Append };

// Walks folder: its files first (in append mode each accepted one becomes a row),
// then its subfolders, each completely; entries in name order (case ignored first,
// as Windows file systems list them). Folders whose names begin with "." are not
// entered; files whose names begin with "." are hidden and their rows ghosted.
// counter grows by one for every file entry of any kind. Returns false when the walk
// was cancelled.
bool AddFolderTree(const QString& folder, int& counter, WalkMode mode, RowStore& store,
                   const GatherOptions& options, UserPrompt* progress);

// Replaces every ".m3u" entry by the lines of that playlist, nested playlists too
// (up to the nesting limit; a playlist already being expanded is not read again).
// Relative lines are taken against the playlist's folder.
QStringList ExpandPlaylists(const QStringList& entries, const GatherOptions& options, UserPrompt* progress);

// Keeps one row per path (compared as UTF-16 code units, case counts): the one that
// stands first in the list. The order of the rest is restored by ColNumber.
void RemoveDuplicateRows(RowStore& store);

// The "MUSIC" folder of a mounted volume labelled "WALKMAN", or "" when there is none.
QString PlayerMusicFolder();
// The same from the given label folder (normally /dev/disk/by-label) and mount table
// (normally /proc/mounts).
QString PlayerMusicFolder(const QString& byLabelFolder, const QString& mountTable);

} // namespace quillory
