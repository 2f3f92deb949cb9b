#pragma once
// What a list row looks like: the text of each cell, its colours, the change marks
// and the five colour schemes. The view only paints what these say.
#include "app/ListRow.h"

#include <QString>
#include <cstdint>

namespace quillory {

// 0xRRGGBB
using Rgb = std::uint32_t;
inline constexpr Rgb rgb(int r, int g, int b) { return Rgb((r & 0xFF) << 16 | (g & 0xFF) << 8 | (b & 0xFF)); }
inline constexpr int red(Rgb c) { return int(c >> 16 & 0xFF); }
inline constexpr int green(Rgb c) { return int(c >> 8 & 0xFF); }
inline constexpr int blue(Rgb c) { return int(c & 0xFF); }

// Playback marks of the image list.
inline constexpr int kImagePlayFirst = 9;
inline constexpr int kImagePlayLast = 12;

// Text of a list cell: column 0 the caption, column k sub-item k-1; the tag size
// with thousands separators and nothing for zero.
QString ListCellText(const ListRow& row, int column);
// "123456" -> "123,456"; "0", "" and text that is no number -> "".
QString FormatTagSize(const QString& text);

enum class RowTextColour { Default, Wma, Wave, Edited, Playing };
// Precedence from low to high: default; WMA tag; ".wav" file; edited; playing.
RowTextColour RowTextColourOf(const ListRow& row);
Rgb TextColourRgb(RowTextColour c, Rgb defaultColour);

// True when the cell of column shows a field whose change bit is set. Fields 0-7
// use the mask of the shown block (sub-item 8); fields 18 and up the v2 side's mask.
bool CellChanged(const ListRow& row, int column, PrimarySide side);

// Colours of one scheme ("backno" 0-4).
struct ColourScheme {
    QString name;
    Rgb panel;     // window and panel background
    Rgb field;     // edit box background
    Rgb frame;     // frames and the status bar
    Rgb text;      // captions
    Rgb status;    // status bar panels
    int playHue;   // hue shift of the playback button pictures
};
inline constexpr int kColourSchemeCount = 5;
// Schemes outside 0-4 give scheme 0.
const ColourScheme& ColourSchemeAt(int index);

// c moved toward white by amount out of 255.
Rgb MixTowardWhite(Rgb c, int amount);
// c darkened by amount in each of red, green and blue (not below 0).
Rgb Darken(Rgb c, int amount);

struct StripeColours {
    Rgb even;
    Rgb odd;
};
// Stripes from the panel colour: 30 and 70 toward white, 80 and 120 with grid lines.
StripeColours StripeColoursFor(Rgb panel, bool gridLines);

// Background of the row at index (not selected). striped: setting "listback".
Rgb RowBackground(int index, bool playing, bool striped, const StripeColours& stripes, Rgb window);

} // namespace quillory
