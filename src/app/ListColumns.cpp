#include "app/ListColumns.h"

#include "app/ListRow.h"

#include <algorithm>

namespace quillory {

namespace {

// Sub-items of the optional columns, in the order of the mask bits 0-10.
constexpr std::array<int, 11> kOptionalSubItems = {ColComposer, ColLyricist, ColLabel, ColCopyright,
                                                   ColEncoder, ColUrl, ColPicture, ColUnsync,
                                                   ColTextCode, ColTagSize, ColAudioFormat};

// Shown optional columns: at least this wide, and this wide when nothing is remembered.
constexpr int kOptionalMinWidth = 50;
constexpr int kFitMinWidth = 30;

ListColumnDef shown(const char16_t* caption, int width, int min, int max = kNoMaxWidth, bool right = false)
{
    ListColumnDef s;
    s.caption = QString::fromUtf16(caption);
    s.width = width;
    s.minWidth = min;
    s.maxWidth = max;
    s.rightAligned = right;
    return s;
}

ListColumnDef hidden(const char16_t* caption, bool always = false)
{
    ListColumnDef s;
    s.caption = QString::fromUtf16(caption);
    s.width = 0;
    s.minWidth = 0;
    s.maxWidth = 1;
    s.alwaysHidden = always;
    return s;
}

ListColumnDef optional(const char16_t* caption, int bit, bool right = false, int width = 0, int max = kNoMaxWidth)
{
    ListColumnDef s;
    s.caption = QString::fromUtf16(caption);
    s.width = width;
    s.minWidth = 0;
    s.maxWidth = max;
    s.rightAligned = right;
    s.maskBit = bit;
    return s;
}

bool isMainTextColumn(int c) { return c >= columnOfSubItem(ColTitle) && c <= columnOfSubItem(ColAlbum); }

} // namespace

const std::array<ListColumnDef, kListColumnCount>& ListColumnDefs()
{
    static const std::array<ListColumnDef, kListColumnCount> defs = {
        shown(u"No", 69, 50, 80, true),
        shown(u"タイトル（曲名）", 208, 30),
        shown(u"アーティスト", 205, 30),
        shown(u"アルバム", 205, 30),
        shown(u"ジャンル", 81, 50, 150),
        shown(u"Track", 38, 30, 45, true),
        shown(u"年", 75, 60, 100),
        shown(u"Tag", 50, 40, 50),
        hidden(u"Comment"),
        hidden(u"変更フラグv2"),
        hidden(u"タイトル v1"),
        hidden(u"アーティスト"),
        hidden(u"アルバム"),
        hidden(u"ジャンル"),
        hidden(u"Trck"),
        hidden(u"年"),
        hidden(u"Tag"),
        hidden(u"commet", true),
        hidden(u"変更フラグv1", true),
        optional(u"作曲者", 0),
        optional(u"作詞者", 1),
        optional(u"レーベル", 2),
        hidden(u"何枚組"),
        hidden(u"歌詞"),
        hidden(u"Path", true),
        optional(u"著作権", 3),
        optional(u"エンコーダ", 4),
        optional(u"URL", 5),
        optional(u"画像", 6, false, 0, 42),
        optional(u"非同期", 7),
        optional(u"コード", 8),
        optional(u"タグサイズ", 9, true),
        optional(u"音声形式", 10),
        hidden(u"番号", true),
    };
    return defs;
}

int ColumnMaskBit(int sub)
{
    for (std::size_t b = 0; b < kOptionalSubItems.size(); ++b)
        if (kOptionalSubItems[b] == sub)
            return int(b);
    return -1;
}

ColumnLayout::ColumnLayout()
{
    remembered_.fill(-1);
    // The picture column starts narrow, at the width of its thumbnail.
    remembered_[std::size_t(columnOfSubItem(ColPicture))] = 42;
    const auto& defs = ListColumnDefs();
    geometry_.resize(kListColumnCount);
    std::vector<int> widths(kListColumnCount);
    for (int c = 0; c < kListColumnCount; ++c) {
        const ListColumnDef& s = defs[std::size_t(c)];
        geometry_[std::size_t(c)] = {s.maskBit >= 0 ? 0 : s.width, s.minWidth, s.maxWidth, false};
        widths[std::size_t(c)] = geometry_[std::size_t(c)].width;
    }
    for (int c = 1; c <= 3; ++c)
        savedMainWidths_[std::size_t(c - 1)] = defs[std::size_t(c)].width;
    SetVisibleColumns(0, false, true, widths);
}

void ColumnLayout::rememberWidth(int column, int width)
{
    if (column >= 0 && column < kListColumnCount && width > 0)
        remembered_[std::size_t(column)] = width;
}

int ColumnLayout::clampWidth(int column, int width) const
{
    if (column < 0 || column >= kListColumnCount)
        return width;
    const ColumnGeometry& g = geometry_[std::size_t(column)];
    if (g.maxWidth <= 1)
        return 0;
    return std::clamp(width, g.minWidth, std::max(g.minWidth, g.maxWidth));
}

const std::vector<ColumnGeometry>& ColumnLayout::SetVisibleColumns(int columnMask, bool v1View, bool fitToWindow,
                                                                   const std::vector<int>& currentWidths)
{
    auto current = [&](int c) {
        return std::size_t(c) < currentWidths.size() ? currentWidths[std::size_t(c)]
                                                     : geometry_[std::size_t(c)].width;
    };
    const auto& defs = ListColumnDefs();

    if (v1View && !lastV1_) {
        for (int c = 1; c <= 3; ++c)
            savedMainWidths_[std::size_t(c - 1)] = current(c);
    }
    for (int c = 1; c <= 3; ++c) {
        ColumnGeometry& g = geometry_[std::size_t(c)];
        g.width = current(c);
        if (!v1View && lastV1_ && !fitToWindow)
            g.width = savedMainWidths_[std::size_t(c - 1)];
        g.autoSize = fitToWindow || v1View;
    }

    for (int c = 0; c < kListColumnCount; ++c) {
        const ListColumnDef& s = defs[std::size_t(c)];
        ColumnGeometry& g = geometry_[std::size_t(c)];
        if (s.maskBit < 0) {
            if (!isMainTextColumn(c))
                g.width = s.maxWidth <= 1 ? 0 : std::clamp(current(c), s.minWidth, s.maxWidth);
            continue;
        }
        int now = current(c);
        if (v1View) {
            // The ID3v1 view leaves the optional columns as they are and remembers them.
            rememberWidth(c, now);
            continue;
        }
        if (now > 0 && g.maxWidth > 1)
            rememberWidth(c, now);
        if (columnMask & (1 << s.maskBit)) {
            g.minWidth = kOptionalMinWidth;
            g.maxWidth = kNoMaxWidth;
            int w = fitToWindow || remembered_[std::size_t(c)] < 0 ? kOptionalMinWidth : remembered_[std::size_t(c)];
            g.width = std::max(w, g.minWidth);
        } else {
            g.minWidth = 0;
            g.maxWidth = 1;
            g.width = 0;
        }
    }
    lastV1_ = v1View;
    return geometry_;
}

std::vector<int> ColumnLayout::FitWidths(int viewWidth, const std::vector<int>& currentWidths) const
{
    std::vector<int> out(kListColumnCount);
    int fixed = 0;
    int autoCount = 0;
    for (int c = 0; c < kListColumnCount; ++c) {
        const ColumnGeometry& g = geometry_[std::size_t(c)];
        int w = std::size_t(c) < currentWidths.size() ? currentWidths[std::size_t(c)] : g.width;
        out[std::size_t(c)] = w;
        if (g.autoSize)
            ++autoCount;
        else
            fixed += w;
    }
    if (autoCount == 0)
        return out;
    int free = std::max(0, viewWidth - fixed);
    int each = free / autoCount;
    int rest = free - each * autoCount;
    for (int c = 0; c < kListColumnCount; ++c) {
        const ColumnGeometry& g = geometry_[std::size_t(c)];
        if (!g.autoSize)
            continue;
        int w = each + (rest > 0 ? 1 : 0);
        if (rest > 0)
            --rest;
        out[std::size_t(c)] = std::max({w, g.minWidth, kFitMinWidth});
    }
    return out;
}

} // namespace quillory
