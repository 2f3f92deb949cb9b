#include "app/ui/ListView.h"

#include "app/ui/ListModel.h"
#include "gather/AddSources.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

namespace quillory {

namespace {

constexpr int kHintDelayMs = 500;
constexpr int kHintTickMs = 200;
constexpr int kHintTicks = 25; // the hint closes after five seconds of rest

// Colour of the current column's cells in the selected rows.
const QColor kCurrentColumnColour(0xFF, 0xF0, 0xB0);
const QColor kChangeMarkColour(0xEA, 0, 0);

class ListDelegate : public QStyledItemDelegate {
public:
    explicit ListDelegate(TMyListView* view) : QStyledItemDelegate(view), view_(view) {}

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem opt(option);
        initStyleOption(&opt, index);
        const bool selected = opt.state & QStyle::State_Selected;
        const bool focused = view_->hasFocus();
        p->save();
        QColor bg = opt.backgroundBrush.style() != Qt::NoBrush ? opt.backgroundBrush.color()
                                                                : opt.palette.base().color();
        QColor fg = opt.palette.text().color();
        QVariant fgRole = index.data(Qt::ForegroundRole);
        if (fgRole.canConvert<QColor>() && fgRole.value<QColor>().isValid())
            fg = fgRole.value<QColor>();
        if (selected) {
            if (index.column() == view_->currentColumn() && index.column() > 0) {
                bg = kCurrentColumnColour;
                fg = Qt::black;
            } else if (focused) {
                bg = opt.palette.highlight().color();
                fg = Qt::white;
            } else {
                bg = QColor(0xC0, 0xC0, 0xC0);
            }
        }
        p->fillRect(opt.rect, bg);
        QRect r = opt.rect.adjusted(3, 0, -3, 0);
        QVariant deco = index.data(Qt::DecorationRole);
        if (deco.canConvert<QPixmap>()) {
            QPixmap pm = deco.value<QPixmap>();
            if (!pm.isNull()) {
                QSize s = pm.size().scaled(r.size().boundedTo(QSize(pm.width(), r.height() - 2)), Qt::KeepAspectRatio);
                QRect pr(QPoint(r.left(), r.top() + (r.height() - s.height()) / 2), s);
                p->drawPixmap(pr, pm);
                r.setLeft(pr.right() + 3);
            }
        }
        p->setPen(fg);
        p->setFont(opt.font);
        QString text = opt.fontMetrics.elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight, r.width());
        p->drawText(r, int(opt.displayAlignment) | Qt::TextSingleLine, text);
        if (index.data(ListModel::ChangedRole).toBool()) {
            // The change mark: a small triangle in the cell's top right corner.
            QPolygon tri;
            tri << opt.rect.topRight() << opt.rect.topRight() - QPoint(6, 0) << opt.rect.topRight() + QPoint(0, 6);
            p->setPen(Qt::NoPen);
            p->setBrush(kChangeMarkColour);
            p->drawPolygon(tri);
        }
        // The focus rectangle only when exactly one row is selected.
        if (selected && index.column() == 0 && view_->selectionModel() &&
            view_->selectionModel()->selectedRows().size() == 1) {
            p->setPen(QPen(fg, 1, Qt::DotLine));
            p->setBrush(Qt::NoBrush);
            p->drawRect(opt.rect.adjusted(0, 0, -1, -1));
        }
        p->restore();
    }

private:
    TMyListView* view_;
};

} // namespace

CellHint::CellHint(QWidget* parent) : QLabel(parent, Qt::ToolTip | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("CellHint"));
    setTextFormat(Qt::PlainText);
    setMargin(2);
    setStyleSheet(QStringLiteral("QLabel { background: #FFFFE1; color: black; border: 1px solid #808080; }"));
}

void CellHint::showOver(const QRect& globalCell, const QString& text, const QFont& font)
{
    setFont(font);
    setText(text);
    adjustSize();
    move(globalCell.topLeft());
    show();
    raise();
}

TMyListView::TMyListView(QWidget* parent) : QTableView(parent)
{
    setObjectName(QStringLiteral("ListView1"));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setShowGrid(false);
    setTabKeyNavigation(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setMinimumSectionSize(0);
    horizontalHeader()->setSectionsMovable(false);
    setItemDelegate(new ListDelegate(this));
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(false);
    setMouseTracking(true);
    hint_ = new CellHint(this);
    hint_->hide();
    hintTimer_.setSingleShot(true);
    hintTimer_.setInterval(kHintDelayMs);
    connect(&hintTimer_, &QTimer::timeout, this, &TMyListView::hintTick);
    hintCountdown_.setInterval(kHintTickMs);
    connect(&hintCountdown_, &QTimer::timeout, this, [this] {
        if (++hintTicks_ >= kHintTicks) {
            hint_->hide();
            hintCountdown_.stop();
        }
    });
}

void TMyListView::setListModel(ListModel* model)
{
    model_ = model;
    setModel(model);
    connect(model, &QAbstractItemModel::modelReset, this, [this] {
        lastRange_ = {-2, -2};
        QTimer::singleShot(0, this, &TMyListView::announceRange);
    });
    connect(model, &QAbstractItemModel::rowsInserted, this, [this] {
        QTimer::singleShot(0, this, &TMyListView::announceRange);
    });
}

std::pair<int, int> TMyListView::visibleRange() const
{
    if (!model_ || model_->rowCount() == 0)
        return {-1, -1};
    int first = rowAt(0);
    int last = rowAt(viewport()->height() - 1);
    if (first < 0)
        first = 0;
    if (last < 0)
        last = model_->rowCount() - 1;
    return {first, last};
}

void TMyListView::announceRange()
{
    auto r = visibleRange();
    if (r != lastRange_) {
        lastRange_ = r;
        if (r.first >= 0)
            Q_EMIT dataHint(r.first, r.second);
    }
}

void TMyListView::refreshRow(int row)
{
    if (!model_ || row < 0 || row >= model_->rowCount())
        return;
    int y = rowViewportPosition(row);
    int h = rowHeight(row);
    if (y + h < 0 || y > viewport()->height())
        return;
    viewport()->update(QRect(0, y, viewport()->width(), h));
}

void TMyListView::setCurrentColumn(int column)
{
    if (column == currentColumn_)
        return;
    currentColumn_ = column;
    viewport()->update();
}

void TMyListView::scrollContentsBy(int dx, int dy)
{
    QTableView::scrollContentsBy(dx, dy);
    hint_->hide();
    if (dy != 0)
        announceRange();
}

void TMyListView::resizeEvent(QResizeEvent* e)
{
    QTableView::resizeEvent(e);
    announceRange();
}

void TMyListView::dragEnterEvent(QDragEnterEvent* e)
{
    if (e->mimeData() && !LocalPathsFromMimeData(*e->mimeData()).isEmpty())
        e->acceptProposedAction();
    else
        e->ignore();
}

void TMyListView::dragMoveEvent(QDragMoveEvent* e)
{
    if (e->mimeData() && !LocalPathsFromMimeData(*e->mimeData()).isEmpty())
        e->acceptProposedAction();
    else
        e->ignore();
}

void TMyListView::dropEvent(QDropEvent* e)
{
    QStringList paths = e->mimeData() ? LocalPathsFromMimeData(*e->mimeData()) : QStringList();
    if (paths.isEmpty()) {
        e->ignore();
        return;
    }
    e->acceptProposedAction();
    Q_EMIT filesDropped(paths);
}

void TMyListView::contextMenuEvent(QContextMenuEvent* e)
{
    Q_EMIT popupRequested(e->globalPos());
}

void TMyListView::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (!selectionModel() || !selectionModel()->hasSelection()) {
        Q_EMIT emptyDoubleClicked();
        return;
    }
    QModelIndex idx = indexAt(e->position().toPoint());
    QTableView::mouseDoubleClickEvent(e);
    if (idx.isValid())
        Q_EMIT rowDoubleClicked(idx.row(), idx.column());
}

void TMyListView::mouseMoveEvent(QMouseEvent* e)
{
    QTableView::mouseMoveEvent(e);
    QPoint pos = e->position().toPoint();
    if (pos != hoverPos_) {
        hoverPos_ = pos;
        QModelIndex idx = indexAt(pos);
        if (hint_->isVisible() && (!idx.isValid() || idx.row() != hintRow_))
            hint_->hide();
        hintTimer_.start();
    }
}

void TMyListView::hintTick()
{
    QModelIndex idx = indexAt(hoverPos_);
    if (!idx.isValid() || !cellText || !underMouse())
        return;
    QString text = cellText(idx.row(), idx.column());
    QRect cell = visualRect(idx);
    if (text.isEmpty() || fontMetrics().horizontalAdvance(text) + 8 <= cell.width())
        return;
    // Not reopened for the same row and text.
    if (idx.row() == hintRow_ && text == hintText_ && !hint_->isHidden())
        return;
    if (idx.row() == hintRow_ && text == hintText_ && hintTicks_ >= kHintTicks)
        return;
    hintRow_ = idx.row();
    hintText_ = text;
    hintTicks_ = 0;
    hint_->showOver(QRect(viewport()->mapToGlobal(cell.topLeft()), cell.size()), text, font());
    hintCountdown_.start();
}

void TMyListView::leaveEvent(QEvent* e)
{
    QTableView::leaveEvent(e);
    hintTimer_.stop();
    hint_->hide();
}

void TMyListView::focusOutEvent(QFocusEvent* e)
{
    QTableView::focusOutEvent(e);
    hint_->hide();
    viewport()->update();
}

bool TMyListView::viewportEvent(QEvent* e)
{
    if (e->type() == QEvent::FocusIn)
        viewport()->update();
    return QTableView::viewportEvent(e);
}

} // namespace quillory
