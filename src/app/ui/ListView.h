#pragma once
// ListView1: the report view over the ListModel. It paints selection, change marks
// and the current column, announces the rows it is about to show (the data hint of
// the visible-range loader), takes dropped files and shows CellHint.
#include <QLabel>
#include <QTableView>
#include <QTimer>

#include <functional>

namespace quillory {

class ListModel;

// The hint window that shows a list cell's text in full.
class CellHint : public QLabel {
    Q_OBJECT
public:
    explicit CellHint(QWidget* parent);
    void showOver(const QRect& globalCell, const QString& text, const QFont& font);
};

class TMyListView : public QTableView {
    Q_OBJECT
public:
    explicit TMyListView(QWidget* parent = nullptr);

    void setListModel(ListModel* model);
    ListModel* listModel() const { return model_; }

    // Rows from..to on screen now (-1 when the list is empty).
    std::pair<int, int> visibleRange() const;
    // Repaints one row if it is on screen.
    void refreshRow(int row);
    // The column the user works in (-1 none): painted with its own colour in the
    // selected rows.
    void setCurrentColumn(int column);
    int currentColumn() const { return currentColumn_; }

    // Text for the cell hint of a cell; empty: no hint.
    std::function<QString(int row, int column)> cellText;

Q_SIGNALS:
    void dataHint(int first, int last);
    void filesDropped(const QStringList& paths);
    void popupRequested(const QPoint& globalPos);
    void emptyDoubleClicked();
    void rowDoubleClicked(int row, int column);

protected:
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    bool viewportEvent(QEvent* e) override;

private:
    void announceRange();
    void hintTick();

    ListModel* model_ = nullptr;
    int currentColumn_ = -1;
    std::pair<int, int> lastRange_{-2, -2};
    CellHint* hint_ = nullptr;
    QTimer hintTimer_;
    QTimer hintCountdown_;
    int hintTicks_ = 0;
    QPoint hoverPos_;
    int hintRow_ = -1;
    QString hintText_;
};

} // namespace quillory
