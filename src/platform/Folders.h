#pragma once
// The folders fixed at start-up. Paths are absolute, use "/" and carry no trailing
// separator.
#include <QString>

namespace quillory {

struct Folders {
    QString program;     // folder of the running executable (help/, sound/, icon/ beside it)
    QString sharedData;  // $XDG_DATA_HOME/Morva/Quillory
    QString data;        // sharedData + "/data"
    QString userData;    // data + "/" + user name
    QString work;        // data + "/work"; deleted with its contents at shut-down
    QString pictureTemp; // data + "/swf_tmp.swf"
};

// Folders from the given executable folder, XDG data home (empty or relative:
// ~/.local/share) and user name.
Folders ComputeFolders(const QString& programFolder, const QString& xdgDataHome, const QString& userName);
// Folders of this process: the executable's folder, $XDG_DATA_HOME, the login name.
Folders ComputeFolders();

// The login name of the process's user, usable as one folder name.
QString CurrentUserName();
// Folder of the running executable.
QString ExecutableFolder();

// Creates the user data folder (with all missing parents) and the work folder, then
// moves "artist.txt" (from the shared data folder), "Genre.txt" and "urllist.txt"
// (from the data folder) into the user data folder when they are missing there.
// False when either folder could not be created.
bool PrepareFolders(const Folders& folders);

// Deletes the work folder with its contents (links inside are removed, never
// followed). True when it is gone afterwards.
bool RemoveWorkFolder(const Folders& folders);

} // namespace quillory
