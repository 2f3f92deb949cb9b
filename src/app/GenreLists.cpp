#include "app/GenreLists.h"

#include "app/DataFiles.h"

namespace quillory {

GenreBoxes FillGenreLists(const GenreTable& table, bool numberOrderV1, const QStringList& genreFileLines)
{
    GenreBoxes b;
    b.v1Box = table.v1ListNames(numberOrderV1);
    b.v2List = genreFileLines;
    if (b.v2List.isEmpty())
        b.v2List = table.defaultV2List(numberOrderV1);
    return b;
}

QStringList ReadGenreFile(const QString& path)
{
    return GenreListFromText(ReadArtistFile(path).join(QLatin1Char('\n')));
}

bool WriteGenreFile(const QString& path, const QStringList& genres)
{
    return WriteArtistFile(path, genres);
}

QStringList GenreListFromText(const QString& text)
{
    QStringList out;
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    for (const QString& line : t.split(QLatin1Char('\n')))
        if (!line.trimmed().isEmpty())
            out << line;
    return out;
}

} // namespace quillory
