#pragma once
// Text data files of the user data folder: the artist list "artist.txt" and the
// copyright/encoder drop-down lists in "datalist_a.ini".
#include "platform/Bytes.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace quillory {

inline const QString kArtistFileName = QStringLiteral("artist.txt");
inline const QString kDataListFileName = QStringLiteral("datalist_a.ini");
inline const QString kEncoderListFileName = QStringLiteral("encoderlist.txt");
inline const QString kCopyrightSection = QStringLiteral("copyright");
inline const QString kEncoderSection = QStringLiteral("encoder");

// "artist.txt": Shift-JIS when the byte count is odd or twice the number of
// characters the bytes decode to as Shift-JIS, otherwise UTF-16LE (a first 0xFEFF or
// 0xFFFE dropped). Lines are split at CR LF (also a lone CR or LF).
QStringList DecodeArtistText(ByteView bytes);
// UTF-16LE without byte-order mark, CR LF between lines, none after the last.
Bytes EncodeArtistText(const QStringList& artists);
// Empty when the file is missing, unreadable or larger than the data file limit.
QStringList ReadArtistFile(const QString& path);
// Replaces the file only once the new one is completely written.
bool WriteArtistFile(const QString& path, const QStringList& artists);

// One section of "datalist_a.ini": its keys in file order; empty when the file or
// the section does not exist.
std::optional<QStringList> ReadDataListSection(const QString& path, const QString& section);
// Rewrites one section as "entry=0" lines (empty and repeated entries left out),
// keeping every other section. Written in code page 932, or as UTF-16LE with a
// byte-order mark when an entry has a character code page 932 cannot hold.
bool WriteDataListSection(const QString& path, const QString& section, const QStringList& entries);

// The copyright and encoder drop-down lists as start-up leaves them.
struct DropDownLists {
    QStringList copyright;
    QStringList encoder;
    bool copyrightDue = false; // write the section at shut-down
    bool encoderDue = false;
};
// Reads both sections from the user data folder; a missing section keeps the
// built-in entries and is due. An old "encoderlist.txt" becomes the encoder list:
// it is written to its section and deleted.
DropDownLists LoadDropDownLists(const QString& userDataFolder, const QStringList& builtInCopyright,
                                const QStringList& builtInEncoder);
// Writes the sections that are due (or changed); false when a write failed.
bool SaveDropDownLists(const QString& userDataFolder, const DropDownLists& lists);

} // namespace quillory
