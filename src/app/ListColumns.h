#pragma once
// The columns of the main list: captions, initial widths and limits, which ones the
// column mask ("tagadd") shows, and the width bookkeeping of SetVisibleColumns.
#include <QString>
#include <array>
#include <vector>

namespace quillory {

// Column 0 shows the caption ("No"); column k (1-33) shows sub-item k-1.
inline constexpr int kListColumnCount = 34;
inline constexpr int kNoColumn = 0;
// Widths at or above this mean "no maximum".
inline constexpr int kNoMaxWidth = 0x7FFF;

inline constexpr int columnOfSubItem(int sub) { return sub + 1; }
inline constexpr int subItemOfColumn(int column) { return column - 1; }

struct ListColumnDef {
    QString caption;
    int width = 0;        // initial width in pixels (0: hidden)
    int minWidth = 0;
    int maxWidth = kNoMaxWidth;
    bool rightAligned = false;
    int maskBit = -1;     // bit of the column mask that shows it, -1 when not optional
    bool alwaysHidden = false;
};

// The 34 columns in view order.
const std::array<ListColumnDef, kListColumnCount>& ListColumnDefs();

// Mask bit that shows the column of sub-item sub, or -1.
int ColumnMaskBit(int sub);

struct ColumnGeometry {
    int width = 0;
    int minWidth = 0;
    int maxWidth = kNoMaxWidth;
    bool autoSize = false; // shares the free width of the view with the other auto-sized ones
};

// Widths are kept per column in memory while the program runs; switching to the
// ID3v1 view and back restores the first three text columns, and optional columns
// come back at the width they had when they were hidden.
class ColumnLayout {
public:
    ColumnLayout();

    // The geometry of every column after applying the column mask. currentWidths are
    // the widths the view shows now (the user may have dragged them); fitToWindow is
    // the "リスト幅の調整" button.
    const std::vector<ColumnGeometry>& SetVisibleColumns(int columnMask, bool v1View, bool fitToWindow,
                                                         const std::vector<int>& currentWidths);

    const std::vector<ColumnGeometry>& geometry() const { return geometry_; }
    // Remembered width of a column (-1 when none).
    int rememberedWidth(int column) const { return remembered_[std::size_t(column)]; }
    void rememberWidth(int column, int width);

    // Width a column may take when the user drags it to width.
    int clampWidth(int column, int width) const;

    // Splits the view's free width among the auto-sized columns. viewWidth is the
    // width available for all columns. Columns keep at least their minimum.
    std::vector<int> FitWidths(int viewWidth, const std::vector<int>& currentWidths) const;

private:
    std::vector<ColumnGeometry> geometry_;
    std::array<int, kListColumnCount> remembered_;
    std::array<int, 3> savedMainWidths_{};
    bool lastV1_ = false;
};

} // namespace quillory
