#include "app/ListPaint.h"

#include "app/RowStore.h"
#include "tags/Loader.h"

#include <QLocale>
#include <algorithm>
#include <array>

namespace quillory {

QString FormatTagSize(const QString& text)
{
    bool ok = false;
    qlonglong n = text.trimmed().toLongLong(&ok);
    if (!ok || n == 0)
        return {};
    return QLocale(QLocale::English).toString(n);
}

QString ListCellText(const ListRow& row, int column)
{
    if (column == 0)
        return row.caption;
    int sub = column - 1;
    if (sub < 0 || sub >= kSubItemCount)
        return {};
    if (sub == ColTagSize)
        return FormatTagSize(row.sub[std::size_t(sub)]);
    return row.sub[std::size_t(sub)];
}

RowTextColour RowTextColourOf(const ListRow& row)
{
    const QString& mask = row.sub[ColChangedV2];
    bool unchanged = mask == QLatin1String("0");
    if ((row.image >= 9 && row.image <= 11 && unchanged) || row.image == 11)
        return RowTextColour::Playing;
    if (!unchanged)
        return RowTextColour::Edited;
    if (LowerExtension(row.path()) == QLatin1String(".wav"))
        return RowTextColour::Wave;
    if (row.sub[ColTagKind] == QLatin1String("wma"))
        return RowTextColour::Wma;
    return RowTextColour::Default;
}

Rgb TextColourRgb(RowTextColour c, Rgb defaultColour)
{
    switch (c) {
    case RowTextColour::Wma: return rgb(0, 0, 0x93);
    case RowTextColour::Wave: return rgb(0x80, 0x80, 0);
    case RowTextColour::Edited: return rgb(0xEA, 0, 0);
    case RowTextColour::Playing: return rgb(0, 0, 0xFF);
    case RowTextColour::Default: break;
    }
    return defaultColour;
}

bool CellChanged(const ListRow& row, int column, PrimarySide side)
{
    int sub = column - 1;
    int field;
    const QString* mask;
    if (sub >= 0 && sub < kBlockFieldCount) {
        field = sub;
        mask = &row.sub[ColChangedV2];
    } else if (sub >= ColComposer && sub < kSubItemCount) {
        field = sub;
        mask = &row.sub[std::size_t(v2Base(side) + FieldChanged)];
    } else {
        return false;
    }
    unsigned bit = ChangeBit(field);
    if (bit == 0)
        return false;
    bool ok = false;
    unsigned value = mask->toUInt(&ok);
    return ok && (value & bit) != 0;
}

const ColourScheme& ColourSchemeAt(int index)
{
    static const std::array<ColourScheme, kColourSchemeCount> schemes = {{
        {QStringLiteral("Gray"), rgb(0xD4, 0xD0, 0xC8), rgb(0xF4, 0xF2, 0xEE), rgb(0x80, 0x80, 0x80),
         rgb(0x20, 0x20, 0x20), rgb(0xC0, 0xBC, 0xB4), -156},
        {QStringLiteral("Navy"), rgb(0xB8, 0xC8, 0xE0), rgb(0xEE, 0xF2, 0xFA), rgb(0x30, 0x40, 0x70),
         rgb(0x10, 0x18, 0x40), rgb(0x9C, 0xB0, 0xD4), 0},
        {QStringLiteral("Purple"), rgb(0xD0, 0xC0, 0xE0), rgb(0xF6, 0xF0, 0xFA), rgb(0x58, 0x38, 0x78),
         rgb(0x30, 0x10, 0x48), rgb(0xBC, 0xA8, 0xD4), 60},
        {QStringLiteral("Wine Red"), rgb(0xE0, 0xC0, 0xC4), rgb(0xFA, 0xF0, 0xF0), rgb(0x78, 0x28, 0x38),
         rgb(0x48, 0x08, 0x18), rgb(0xD4, 0xA8, 0xAE), 120},
        {QStringLiteral("Green"), rgb(0xC4, 0xDC, 0xC0), rgb(0xF0, 0xF8, 0xEE), rgb(0x30, 0x60, 0x30),
         rgb(0x10, 0x38, 0x10), rgb(0xA8, 0xCC, 0xA4), -100},
    }};
    return schemes[std::size_t(index >= 0 && index < kColourSchemeCount ? index : 0)];
}

Rgb MixTowardWhite(Rgb c, int amount)
{
    amount = std::clamp(amount, 0, 255);
    auto mix = [amount](int v) { return v + (255 - v) * amount / 255; };
    return rgb(mix(red(c)), mix(green(c)), mix(blue(c)));
}

Rgb Darken(Rgb c, int amount)
{
    auto d = [amount](int v) { return std::max(0, v - amount); };
    return rgb(d(red(c)), d(green(c)), d(blue(c)));
}

StripeColours StripeColoursFor(Rgb panel, bool gridLines)
{
    return gridLines ? StripeColours{MixTowardWhite(panel, 80), MixTowardWhite(panel, 120)}
                     : StripeColours{MixTowardWhite(panel, 30), MixTowardWhite(panel, 70)};
}

Rgb RowBackground(int index, bool playing, bool striped, const StripeColours& stripes, Rgb window)
{
    if (!striped)
        return playing ? stripes.even : window;
    Rgb own = index % 2 == 0 ? stripes.even : stripes.odd;
    return playing ? Darken(own, 5) : own;
}

} // namespace quillory
