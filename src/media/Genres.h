#pragma once
// Genre names by ID3v1 number, in Japanese or English, from our own two tables.
#include <QString>
#include <QStringList>

namespace quillory {

enum class GenreLanguage { Japanese, English };

class GenreTable {
public:
    explicit GenreTable(GenreLanguage language = GenreLanguage::Japanese) : language_(language) {}

    GenreLanguage language() const { return language_; }
    void setLanguage(GenreLanguage l) { language_ = l; }

    // Name of genre number n (0-255); numbers without a genre (and numbers outside
    // 0-255) give "分類不能".
    QString GenreName(int n) const;
    // Number of a genre name (case-insensitive, text from the first "（" or "(" on
    // ignored), -1 when unknown or empty and for "分類不能" itself; cleaned receives the
    // name found, or "分類不能".
    int GenreNumber(const QString& text, QString* cleaned = nullptr) const;

    // The ID3v1 genre box: names 0-255 in number order, of the names containing "分類"
    // only the first. numberOrder off: sorted as the box sorts (Japanese collation,
    // case ignored).
    QStringList v1ListNames(bool numberOrder = true) const;
    bool isV1ListName(const QString& text) const;
    // Default ID3v2 genre list when "Genre.txt" is empty or missing: the ID3v1 names,
    // then for Japanese the twelve Japanese extra genres.
    QStringList defaultV2List(bool numberOrder = true) const;

    static const QString& unclassifiable(); // "分類不能"

private:
    GenreLanguage language_;
};

// The name tables themselves (256 entries each).
const QString& genreNameIn(GenreLanguage language, int n);

} // namespace quillory
