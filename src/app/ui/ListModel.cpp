#include "app/ui/ListModel.h"

#include "app/ListColumns.h"

#include <QImage>
#include <QPainter>

namespace quillory {

ListModel::ListModel(RowStore& store, QObject* parent) : QAbstractTableModel(parent), store_(store)
{
    count_ = store_.count();
    stripes_ = StripeColoursFor(appearance_.panel, appearance_.gridLines);
}

int ListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count_;
}

int ListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kListColumnCount;
}

Qt::ItemFlags ListModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= kListColumnCount)
        return {};
    const ListColumnDef& s = ListColumnDefs()[std::size_t(section)];
    if (role == Qt::DisplayRole)
        return s.caption;
    if (role == Qt::TextAlignmentRole)
        return int((s.rightAligned ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    return {};
}

QVariant ListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    return ListView1Data(index.row(), index.column(), role);
}

QVariant ListModel::ListView1Data(int row, int column, int role) const
{
    if (massUpdate_ || suppressed_ || row < 0 || row >= count_ || row >= store_.count())
        return {};
    const ListRow& r = store_.row(row);
    switch (role) {
    case Qt::DisplayRole:
        if (column == columnOfSubItem(ColPicture) && appearance_.pictures && !r.thumbnail.isEmpty() &&
            r.sub[ColPicture] == kPicturePresent)
            return {};
        return ListCellText(r, column);
    case Qt::TextAlignmentRole: {
        bool right = ListColumnDefs()[std::size_t(column)].rightAligned;
        return int((right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    }
    case Qt::ForegroundRole: {
        RowTextColour c = RowTextColourOf(r);
        if (c == RowTextColour::Default)
            return {};
        return toQColor(TextColourRgb(c, appearance_.text));
    }
    case Qt::BackgroundRole: {
        bool playing = row == appearance_.playingIndex;
        if (!appearance_.striped && !playing)
            return {};
        return toQColor(RowBackground(row, playing, appearance_.striped, stripes_, appearance_.window));
    }
    case Qt::DecorationRole:
        if (column == 0) {
            QPixmap pm = rowImage(r);
            if (!pm.isNull())
                return pm;
        } else if (column == columnOfSubItem(ColPicture) && appearance_.pictures &&
                   r.sub[ColPicture] == kPicturePresent) {
            QPixmap pm = thumbnail(r);
            if (!pm.isNull())
                return pm;
        }
        return {};
    case ChangedRole:
        return CellChanged(r, column, store_.side());
    case GhostedRole:
        return r.ghosted;
    case ImageRole:
        return r.image;
    case Qt::ToolTipRole:
        return {};
    default:
        return {};
    }
}

QPixmap ListModel::rowImage(const ListRow& r) const
{
    auto it = images_.find(r.image);
    if (it == images_.end())
        return {};
    if (!r.ghosted)
        return *it;
    // The "cut" look of a hidden file: the picture blended half with white.
    QPixmap ghost(it->size());
    ghost.fill(Qt::transparent);
    QPainter p(&ghost);
    p.drawPixmap(0, 0, *it);
    p.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    p.fillRect(ghost.rect(), QColor(255, 255, 255, 128));
    return ghost;
}

QPixmap ListModel::thumbnail(const ListRow& r) const
{
    if (r.thumbnail.isEmpty())
        return {};
    auto it = thumbs_.find(&r);
    if (it != thumbs_.end())
        return *it;
    QImage img;
    img.loadFromData(r.thumbnail);
    QPixmap pm = img.isNull() ? QPixmap() : QPixmap::fromImage(img);
    if (thumbs_.size() > 4096)
        thumbs_.clear();
    thumbs_.insert(&r, pm);
    return pm;
}

void ListModel::rowsAppended()
{
    int now = store_.count();
    if (now > count_) {
        beginInsertRows(QModelIndex(), count_, now - 1);
        count_ = now;
        endInsertRows();
    } else if (now != count_) {
        rowsReset();
    }
}

void ListModel::rowsReset()
{
    beginResetModel();
    count_ = store_.count();
    thumbs_.clear();
    endResetModel();
}

void ListModel::rowsChanged(int first, int last)
{
    first = std::max(first, 0);
    last = std::min(last, count_ - 1);
    if (first <= last)
        Q_EMIT dataChanged(index(first, 0), index(last, kListColumnCount - 1));
}

void ListModel::setAppearance(const ListAppearance& a)
{
    appearance_ = a;
    stripes_ = StripeColoursFor(a.panel, a.gridLines);
    if (count_ > 0)
        Q_EMIT dataChanged(index(0, 0), index(count_ - 1, kListColumnCount - 1));
}

} // namespace quillory
