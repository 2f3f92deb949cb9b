#include "app/RowStore.h"

#include "media/Genres.h"

namespace quillory {

ListRow& RowStore::AddPlaceholderRow(const QString& path, const QString& displayName, bool hidden)
{
    auto r = std::make_unique<ListRow>();
    QString name = displayName;
    if (name.isEmpty()) {
        qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
        name = slash >= 0 ? path.mid(slash + 1) : path;
    }
    r->ghosted = hidden;
    r->sub[ColTitle] = name;
    r->sub[ColArtist] = kFetchingText;
    r->sub[ColChangedV2] = QStringLiteral("0");
    r->sub[ColTitleV1] = name;
    r->sub[ColArtistV1] = kFetchingText;
    r->sub[ColChangedV1] = QStringLiteral("0");
    r->sub[ColPath] = path;
    r->sub[ColNumber] = QStringLiteral("%1").arg(rows_.size(), 7, 10, QLatin1Char('0'));
    rows_.push_back(std::move(r));
    return *rows_.back();
}

void RowStore::move(int from, int to)
{
    if (from == to)
        return;
    auto r = std::move(rows_[std::size_t(from)]);
    rows_.erase(rows_.begin() + from);
    rows_.insert(rows_.begin() + to, std::move(r));
}

int RowStore::MoveSelectedRows(int direction)
{
    std::vector<int> sel = selectedIndexes();
    if (sel.empty())
        return -1;
    if (direction < 0) {
        if (sel.front() == 0)
            return -1;
        for (int i : sel)
            std::swap(rows_[std::size_t(i)], rows_[std::size_t(i - 1)]);
        return sel.front() - 1;
    }
    if (sel.back() == count() - 1)
        return -1;
    for (auto it = sel.rbegin(); it != sel.rend(); ++it)
        std::swap(rows_[std::size_t(*it)], rows_[std::size_t(*it + 1)]);
    return sel.back() + 1;
}

int RowStore::selectedCount() const
{
    int n = 0;
    for (const auto& r : rows_)
        n += r->selected ? 1 : 0;
    return n;
}

std::vector<int> RowStore::selectedIndexes() const
{
    std::vector<int> out;
    for (int i = 0; i < count(); ++i)
        if (rows_[std::size_t(i)]->selected)
            out.push_back(i);
    return out;
}

bool RowStore::SwapTagBlocks(PrimarySide requested, int playingIndex)
{
    if (requested == side_)
        return false;
    for (int i = 0; i < count(); ++i) {
        ListRow& r = row(i);
        for (int f = 0; f < kBlockFieldCount; ++f)
            if (r.sub[std::size_t(f)] != r.sub[std::size_t(f + kOtherBase)])
                std::swap(r.sub[std::size_t(f)], r.sub[std::size_t(f + kOtherBase)]);
        UpdateRowImage(r, i, playingIndex);
    }
    side_ = requested;
    return true;
}

void RowStore::RenumberRows(bool all, const QString& playingNumber, int* playingIndex)
{
    for (int i = 0; i < count(); ++i) {
        ListRow& r = row(i);
        if (!all && r.caption.isEmpty())
            break;
        QString& number = r.sub[ColNumber];
        if (number.startsWith(QLatin1Char('S'))) {
            r.selected = true;
            number.remove(0, 1);
        } else {
            r.selected = r.caption.startsWith(QLatin1Char('S'));
        }
        if (playingIndex && !playingNumber.isEmpty() && number == playingNumber)
            *playingIndex = i;
        if (!(all && r.caption.isEmpty()))
            r.caption = QString::number(i + 1);
    }
}

QString GetRowField(const ListRow& row, int base, int field)
{
    if (base < 0 || field < 0 || base + field >= kSubItemCount)
        return {};
    return row.sub[std::size_t(base + field)];
}

void SetRowField(ListRow& row, int base, int field, const QString& text, PrimarySide side,
                 const GenreTable* genres)
{
    if (base < 0 || field < 0 || base + field >= kSubItemCount)
        return;
    if (field == FieldGenre && base == v1Base(side)) {
        if (!genres || !genres->isV1ListName(text))
            return;
    }
    row.sub[std::size_t(base + field)] = text;
}

unsigned ChangeBit(int field)
{
    switch (field) {
    case FieldTitle: return 0x8000;
    case FieldArtist: return 0x4000;
    case FieldAlbum: return 0x2000;
    case FieldGenre: return 0x1000;
    case FieldTrack: return 0x0800;
    case FieldYear: return 0x0400;
    case FieldComment: return 0x0200;
    case ColComposer: return 0x0100;
    case ColLyricist: return 0x0080;
    case ColLabel: return 0x0040;
    case ColDiscSet: return 0x0020;
    case ColLyrics: return 0x0010;
    case ColCopyright: return 0x0008;
    case ColEncoder: return 0x0004;
    case ColUrl: return 0x0002;
    case ColPicture: return 0x0001;
    default: return 0;
    }
}

QString MarkFieldChanged(const QString& mask, int field, bool clear)
{
    unsigned bit = ChangeBit(field);
    if (bit == 0)
        return mask;
    bool ok = false;
    unsigned value = mask.toUInt(&ok);
    if (!ok)
        value = 0;
    value = clear ? (value & ~bit) : (value | bit);
    return QString::number(value & 0xFFFF);
}

void UpdateRowImage(ListRow& row, int storeIndex, int playingIndex)
{
    if (row.image > kImageEdited && storeIndex == playingIndex)
        return;
    // Either block's mask counts: a copy into the block not shown is an edit too.
    row.image = row.isEdited() ? kImageEdited : kImageNone;
}

} // namespace quillory
