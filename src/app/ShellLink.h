#pragma once
// Shortcuts to the program as freedesktop ".desktop" files: the "Open with" entry
// that stands in for the Send To folder, and the launcher on the desktop.
#include <QString>

namespace quillory {

// folder + "/" + title + ".desktop"
QString LinkFilePath(const QString& folder, const QString& title);
// $XDG_DATA_HOME/applications (where "Open with" entries live).
QString SendToFolder();
// The desktop folder of the user (xdg-user-dirs), or ~/Desktop.
QString DesktopFolder();

// Writes a launcher named title that opens target with the files handed to it.
// Replaces an existing file only once the new one is complete.
bool CreateLink(const QString& linkFile, const QString& target, const QString& title, const QString& iconPath = {});
// True when the file is gone afterwards.
bool DeleteLink(const QString& linkFile);
// The program the launcher starts ("" when the file cannot be read or names none).
QString GetLinkToPath(const QString& linkFile);
// The launcher exists and starts target.
bool ChkLinkPath(const QString& linkFile, const QString& target);
// A desktop launcher whose program no longer exists is pointed at target. Returns
// whether it was rewritten.
bool RepairDesktopLink(const QString& linkFile, const QString& target, const QString& title);

// The Exec value for a program path: quoted and escaped as the Desktop Entry
// specification asks, followed by "%F".
QString DesktopExecValue(const QString& program);
// The program of an Exec value (its first argument, unescaped).
QString ProgramOfExecValue(const QString& exec);

} // namespace quillory
