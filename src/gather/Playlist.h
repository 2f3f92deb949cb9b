#pragma once
// Reading ".m3u" playlists back into path lists.
#include "platform/Bytes.h"

#include <QString>
#include <QStringList>

namespace quillory {

// The lines of a playlist, in order, empty lines left out, each kept as written
// (comment lines such as "#EXTM3U" too). The encoding:
// - FF FE or FE FF: UTF-16 in that order; without mark, UTF-16 when the bytes hold a
//   zero byte (little-endian when the zeros stand at odd offsets, as ASCII gives);
// - EF BB BF, or a playlist inside the player's music folder: UTF-8;
// - otherwise UTF-8 when the bytes are valid UTF-8 with non-ASCII characters, as
//   Linux tools write them, else code page 932.
// Lines end at CR LF, LF or CR.
QStringList DecodePlaylistText(ByteView bytes, bool insidePlayerFolder);

// Reads a playlist file; inside playerMusicFolder (when not empty) it is UTF-8.
// Empty when the file cannot be read or exceeds the playlist size limit.
QStringList ReadPlaylistFile(const QString& path, const QString& playerMusicFolder);
// The same with the player folder looked up (PlayerMusicFolder()).
QStringList ReadPlaylistFile(const QString& path);

// True when path lies inside folder (a whole-component prefix).
bool IsInsideFolder(const QString& path, const QString& folder);

} // namespace quillory
