#include "media/TagCopy.h"

#include "media/Genres.h"
#include "platform/CodePage.h"
#include "tags/Loader.h"

namespace quillory {

int V1FieldWidth(int field)
{
    switch (field) {
    case FieldTrack: return 3;
    case FieldYear: return 4;
    default: return 30;
    }
}

QString CutForV1(const QString& text, int width)
{
    if (width <= 0)
        return {};
    // Count as the ID3v1 writer encodes: one code point at a time, so that the cut
    // falls where the written bytes would be cut and never inside a surrogate pair.
    int bytes = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype len = (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ? 2 : 1;
        const int need = int(CodePage::fromUnicode(QStringView(text).mid(i, len)).size());
        if (bytes + need > width)
            break;
        bytes += need;
        i += len;
    }
    return text.left(i);
}

namespace {

bool emptyOrUnclassified(const QString& s)
{
    return s.isEmpty() || s == GenreTable::unclassifiable();
}

// The ID3v1 genre for an ID3v2 genre text: the name of its number in the current
// language (looked up in the other language when the current one does not know the
// text). Empty when no ID3v1 genre matches: the target then keeps what it has, since
// writing "分類不能" without a change bit would show a genre the file does not get.
QString v1GenreFor(const QString& v2Genre, const GenreTable* genres)
{
    if (!genres)
        return {};
    int n = genres->GenreNumber(v2Genre);
    if (n < 0) {
        const GenreTable other(genres->language() == GenreLanguage::Japanese ? GenreLanguage::English
                                                                              : GenreLanguage::Japanese);
        n = other.GenreNumber(v2Genre);
    }
    if (n < 0)
        return {};
    const QString name = genres->GenreName(n);
    if (name == GenreTable::unclassifiable() || !genres->isV1ListName(name))
        return {};
    return name;
}

} // namespace

TagCopyResult ID3TagCopySpBtn2Click(RowStore& store, CopyDirection direction, bool emptyOnly,
                                    const GenreTable* genres, int playingIndex)
{
    TagCopyResult result;
    const std::vector<int> selected = store.selectedIndexes();
    if (selected.empty())
        return result;
    result.ran = true;
    result.firstSelected = selected.front();

    const PrimarySide side = store.side();
    const bool toV1 = direction == CopyDirection::V2ToV1;
    const int source = toV1 ? v2Base(side) : v1Base(side);
    const int target = toV1 ? v1Base(side) : v2Base(side);
    const QString& marker = toV1 ? kCopiedFromV2 : kCopiedFromV1;

    for (int index : selected) {
        ListRow& row = store.row(index);
        // A row not read yet holds its file name and the fetching text, not tags.
        if (!row.isRead())
            continue;
        if (LowerExtension(row.path()) == QLatin1String(".wav"))
            continue;
        auto sub = [&row](int i) -> QString& { return row.sub[std::size_t(i)]; };
        if (sub(source + FieldTagKind) == QLatin1String("not"))
            continue;

        bool changed = false;
        for (int f = FieldTitle; f <= FieldComment; ++f) {
            if (emptyOnly && (!emptyOrUnclassified(sub(target + f)) || emptyOrUnclassified(sub(source + f))))
                continue;
            if (f == FieldGenre && toV1) {
                const QString name = v1GenreFor(sub(source + f), genres);
                if (name.isEmpty())
                    continue;
                sub(target + f) = name;
            } else {
                QString text = GetRowField(row, source, f);
                if (toV1)
                    text = CutForV1(text, V1FieldWidth(f));
                SetRowField(row, target, f, text, side, genres);
            }
            sub(target + FieldChanged) = MarkFieldChanged(sub(target + FieldChanged), f);
            sub(target + FieldTagKind) = marker;
            changed = true;
        }
        UpdateRowImage(row, index, playingIndex);
        if (changed)
            ++result.rowsChanged;
    }
    return result;
}

} // namespace quillory
