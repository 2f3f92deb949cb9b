#pragma once
// The virtual list: a table model over the RowStore that copies texts on demand
// (ListView1Data). Its row count is the view's item count, set once per batch.
#include "app/ListPaint.h"
#include "app/RowStore.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QHash>
#include <QPixmap>

namespace quillory {

struct ListAppearance {
    Rgb panel = 0xD4D0C8;
    Rgb window = 0xFFFFFF;
    Rgb text = 0x000000;
    bool striped = false;   // "listback"
    bool gridLines = false; // "listline"
    bool pictures = false;  // "listimg"
    int playingIndex = -1;
};

class ListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Custom roles besides the standard ones.
    enum Role { ChangedRole = Qt::UserRole + 1, GhostedRole, ImageRole };

    explicit ListModel(RowStore& store, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The store grew at its end: the view's count follows in one step.
    void rowsAppended();
    // The store changed in any other way (deletion, reordering): the view starts over.
    void rowsReset();
    // Rows first..last show new texts.
    void rowsChanged(int first, int last);
    // While set the view gets no texts (deletions, select-all and the like).
    void setMassUpdate(bool on) { massUpdate_ = on; }
    bool massUpdate() const { return massUpdate_; }
    // Painting stops while the window closes or the tag blocks are swapped.
    void setSuppressed(bool on) { suppressed_ = on; }

    void setAppearance(const ListAppearance& a);
    const ListAppearance& appearance() const { return appearance_; }
    void setImages(const QHash<int, QPixmap>& images) { images_ = images; }

    RowStore& store() { return store_; }

private:
    QVariant ListView1Data(int row, int column, int role) const;
    QPixmap rowImage(const ListRow& r) const;
    QPixmap thumbnail(const ListRow& r) const;

    RowStore& store_;
    int count_ = 0;
    bool massUpdate_ = false;
    bool suppressed_ = false;
    ListAppearance appearance_;
    StripeColours stripes_{};
    QHash<int, QPixmap> images_;
    mutable QHash<const ListRow*, QPixmap> thumbs_;
};

inline QColor toQColor(Rgb c) { return QColor(red(c), green(c), blue(c)); }

} // namespace quillory
