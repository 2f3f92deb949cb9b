#pragma once
// The two genre lists offered for editing: the ID3v1 genre box (every name of the
// table once) and the user's ID3v2 genre list kept in "Genre.txt".
#include "media/Genres.h"

#include <QString>
#include <QStringList>

namespace quillory {

inline const QString kGenreFileName = QStringLiteral("Genre.txt");
inline const QString kGenreEditorCaption = QStringLiteral("Tag v2 ジャンルリストの編集");
inline const QString kGenreNotepadTitle = QStringLiteral("ジャンルリスト");

struct GenreBoxes {
    QStringList v1Box;   // ComboBox1
    QStringList v2List;  // ComboBox2
};

// FillGenreLists: the ID3v1 box from the table (in number order when
// numberOrderV1, else sorted as the box sorts), the ID3v2 list from the lines of
// "Genre.txt", or, when those are empty, the ID3v1 names followed (Japanese only)
// by the Japanese extra genres.
GenreBoxes FillGenreLists(const GenreTable& table, bool numberOrderV1, const QStringList& genreFileLines);

// "Genre.txt" is read and written like "artist.txt" (Shift-JIS or UTF-16LE in,
// UTF-16LE out). Missing or unreadable: empty.
QStringList ReadGenreFile(const QString& path);
bool WriteGenreFile(const QString& path, const QStringList& genres);

// The edited text of the genre list editor as list entries: one per line, lines
// that hold nothing but blanks left out.
QStringList GenreListFromText(const QString& text);

} // namespace quillory
