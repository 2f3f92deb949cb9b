#pragma once
// The ordered list of rows behind the virtual list view, and the field access
// every other unit goes through.
#include "app/ListRow.h"

#include <QString>
#include <memory>
#include <vector>

namespace quillory {

class GenreTable;

class RowStore {
public:
    int count() const { return int(rows_.size()); }
    bool empty() const { return rows_.empty(); }
    ListRow& row(int i) { return *rows_[std::size_t(i)]; }
    const ListRow& row(int i) const { return *rows_[std::size_t(i)]; }

    // Appends a row in the "not read" state. attributes: the hidden bit of the file.
    ListRow& AddPlaceholderRow(const QString& path, const QString& displayName, bool hidden);

    void reserveMore(int n) { rows_.reserve(rows_.size() + std::size_t(n > 0 ? n : 0)); }
    void releaseSpare() { rows_.shrink_to_fit(); }
    void removeAt(int i) { rows_.erase(rows_.begin() + i); }
    void clear() { rows_.clear(); }
    void move(int from, int to);
    // Direct access for sorts that reorder the whole store.
    std::vector<std::unique_ptr<ListRow>>& rows() { return rows_; }

    // One step of the move-up (direction -1) or move-down (+1) buttons: nothing moves
    // when the first (last) selected row is already at the top (bottom). Returns the
    // index to scroll into view, or -1 when nothing moved.
    int MoveSelectedRows(int direction);

    int selectedCount() const;
    std::vector<int> selectedIndexes() const;

    // Shown view: which tag is in sub-items 0-8.
    PrimarySide side() const { return side_; }
    // Exchanges the blocks 0-8 and 9-17 of every row when the requested side differs
    // from the current one; returns whether anything was swapped.
    bool SwapTagBlocks(PrimarySide requested, int playingIndex = -1);

    // Captions become list numbers; see the list's selection carried by "S" markers.
    void RenumberRows(bool all, const QString& playingNumber = {}, int* playingIndex = nullptr);

private:
    std::vector<std::unique_ptr<ListRow>> rows_;
    PrimarySide side_ = PrimarySide::V2;
};

// Field access by block base (0 or 9) and field number (0-8 within a block, or a
// fixed sub-item 18 and up with base 0).
QString GetRowField(const ListRow& row, int base, int field);
// Stores the text; the ID3v1 genre is accepted only when it is one of the names of
// the ID3v1 genre list (genres may be null when no table is loaded: then refused).
void SetRowField(ListRow& row, int base, int field, const QString& text, PrimarySide side,
                 const GenreTable* genres);
// Returns the mask text with the field's bit set or cleared. Fields without a bit
// leave it unchanged; a mask that is not a number counts as 0.
QString MarkFieldChanged(const QString& mask, int field, bool clear = false);
// Change bit of a field number, 0 when it has none.
unsigned ChangeBit(int field);
// Image 8 for an edited row, none otherwise (the playing row keeps its mark).
void UpdateRowImage(ListRow& row, int storeIndex, int playingIndex = -1);

// Base of the ID3v1 block and of the v2 block for the given view.
inline int v1Base(PrimarySide s) { return s == PrimarySide::V1 ? kShownBase : kOtherBase; }
inline int v2Base(PrimarySide s) { return s == PrimarySide::V2 ? kShownBase : kOtherBase; }

} // namespace quillory
