#include "app/EditorState.h"

#include "app/DataFiles.h"
#include "app/ListColumns.h"
#include "media/Genres.h"
#include "media/Picture.h"
#include "media/wma/WmaEditor.h"
#include "platform/FileAccess.h"
#include "platform/Limits.h"
#include "tags/Id3v2Reader.h"
#include "tags/Id3v2Writer.h"
#include "tags/Loader.h"
#include "tags/TextEncoding.h"

#include <optional>

namespace quillory {

namespace {

struct BoxInfo {
    int field;
    bool v1;
    bool oneRowOnly;
    const char* frame; // frame whose text code colours the box; nullptr for the v1 boxes
};

// In EditBox order.
constexpr BoxInfo kBoxes[kEditBoxCount] = {
    {FieldTitle, true, true, nullptr},    // V1Title
    {FieldArtist, true, false, nullptr},  // V1Artist
    {FieldAlbum, true, false, nullptr},   // V1Album
    {FieldGenre, true, false, nullptr},   // V1Genre
    {FieldTrack, true, true, nullptr},    // V1Track
    {FieldYear, true, false, nullptr},    // V1Year
    {FieldComment, true, false, nullptr}, // V1Comment
    {FieldTitle, false, true, "TIT2"},    // V2Title
    {FieldArtist, false, false, "TPE1"},  // V2Artist
    {FieldAlbum, false, false, "TALB"},   // V2Album
    {FieldGenre, false, false, "TCON"},   // V2Genre
    {FieldTrack, false, true, "TRCK"},    // V2Track
    {FieldYear, false, false, "TYER"},    // V2Year
    {FieldComment, false, false, "COMM"}, // V2Comment
    {ColComposer, false, false, "TCOM"},  // Composer
    {ColLyricist, false, false, "TEXT"},  // Lyricist
    {ColLabel, false, false, "TPUB"},     // Label
    {ColDiscSet, false, false, "TPOS"},   // DiscNumber
    {ColDiscSet, false, false, "TPOS"},   // DiscCount
    {ColCopyright, false, false, "TCOP"}, // Copyright
    {ColEncoder, false, false, "TSSE"},   // Encoder
    {ColUrl, false, false, "WXXX"},       // Url
    {ColLyrics, false, true, "USLT"},     // Lyrics
};

const BoxInfo& info(EditBox b)
{
    return kBoxes[std::size_t(b)];
}

bool columnShown(int sub, int columnMask)
{
    const int bit = ColumnMaskBit(sub);
    return bit >= 0 && (columnMask & (1 << bit)) != 0;
}

// The ID3v2 tag at the start of the file, header included; nullopt when there is none.
std::optional<Bytes> readFileTag(const QString& path)
{
    FileReader file;
    if (!file.open(path))
        return std::nullopt;
    std::uint8_t head[10] = {};
    if (file.readAt(0, head, sizeof head) < sizeof head)
        return std::nullopt;
    id3v2::Header h;
    if (!id3v2::ParseHeader(ByteView(head, sizeof head), h) || h.size > limits::kMaxId3v2TagBytes)
        return std::nullopt;
    Bytes tag;
    if (!file.readAt(0, std::size_t(10 + std::uint64_t(h.size)), tag) || tag.size() < 10)
        return std::nullopt;
    return tag;
}

int textCodeFromRowName(const QString& name)
{
    if (name == QLatin1String("Sjis"))
        return kCodeSjis;
    if (name == QLatin1String("Utf16 be"))
        return kCodeUtf16Be;
    if (name == QLatin1String("Utf16 le"))
        return kCodeUtf16Le;
    if (name == QLatin1String("Utf8"))
        return kCodeUtf8;
    return -1;
}

} // namespace

int FieldOfBox(EditBox box)
{
    return info(box).field;
}

bool IsV1Box(EditBox box)
{
    return info(box).v1;
}

bool AppliesToOneRowOnly(EditBox box)
{
    return info(box).oneRowOnly;
}

WriteButtons WriteButtonsFor(PendingChanges pending)
{
    return {pending.v1, pending.v2, pending.v1 && pending.v2};
}

Repaint BoxFocused(EditorState& state, EditBox box, int columnMask, int selectedCount)
{
    state.v1Editing = true;
    state.v2Editing = true;
    switch (box) {
    case EditBox::V1Comment:
    case EditBox::V2Comment:
    case EditBox::DiscNumber:
    case EditBox::DiscCount:
    case EditBox::Lyrics:
        break; // these fields have no list column to work in
    case EditBox::Composer:
    case EditBox::Lyricist:
    case EditBox::Label:
    case EditBox::Copyright:
    case EditBox::Encoder:
    case EditBox::Url:
        if (columnShown(FieldOfBox(box), columnMask))
            state.currentColumn = FieldOfBox(box);
        break;
    default:
        state.currentColumn = FieldOfBox(box);
        break;
    }
    if (selectedCount <= 0)
        return Repaint::None;
    return selectedCount == 1 ? Repaint::Row : Repaint::List;
}

void BoxLeft(EditorState& state, EditBox box, const QString& text, DropDownLists& lists)
{
    state.v1Editing = false;
    state.v2Editing = false;
    if (box == EditBox::Copyright)
        AddToDropDownList(lists.copyright, lists.copyrightDue, text);
    else if (box == EditBox::Encoder)
        AddToDropDownList(lists.encoder, lists.encoderDue, text);
}

bool AcceptsChange(const EditorState& state, EditBox box, PrimarySide side)
{
    if (state.filling)
        return false;
    if (IsV1Box(box))
        return state.v1Editing && side == PrimarySide::V1;
    return state.v2Editing && side == PrimarySide::V2;
}

bool AddToDropDownList(QStringList& list, bool& changed, const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty() || list.contains(t))
        return false;
    list.append(t);
    changed = true;
    return true;
}

TextColour ColourOfTextCode(int textCode)
{
    switch (textCode) {
    case kCodeSjis: return TextColour::Normal;
    case kCodeUtf16Be: return TextColour::Blue;
    case kCodeUtf16Le: return TextColour::Purple;
    default: return TextColour::Green;
    }
}

BoxRgb RgbOf(TextColour colour)
{
    switch (colour) {
    case TextColour::Blue: return {0x00, 0x00, 0xFF};
    case TextColour::Purple: return {0x80, 0x00, 0x80};
    case TextColour::Green: return {0x00, 0x80, 0x00};
    case TextColour::Normal: break;
    }
    return kBoxTextRgb;
}

int FrameTextCodes::codeOf(std::string_view id23) const
{
    auto it = codes.find(id23);
    return it == codes.end() ? -1 : it->second;
}

FrameTextCodes ReadFrameTextCodes(const QString& path)
{
    FrameTextCodes out;
    std::optional<Bytes> tag = readFileTag(path);
    if (!tag)
        return out;
    const int version = (*tag)[3];
    // 2.4 frames carry their own unsynchronisation, which the look-up undoes.
    if (((*tag)[5] & id3v2::kFlagUnsync) && version < 4)
        id3v2::DeunsynchroniseTag(*tag);
    for (const char* id : {"TIT2", "TPE1", "TALB", "TRCK", "TYER", "TCON", "COMM", "TCOM", "TEXT", "TPUB",
                           "TPOS", "WXXX", "TCOP", "TSSE", "USLT"}) {
        const id3v2::FrameText ft = id3v2::GetFrameText(*tag, version, id);
        if (ft.position < 0)
            continue;
        out.codes.emplace(id, ft.textCode);
        if (std::string_view(id) == "TCON")
            out.rawGenre = ft.text;
    }
    return out;
}

bool FileHoldsPicture(const QString& path)
{
    if (LowerExtension(path) == QLatin1String(".wma"))
        return ReadWmaPicture(path).found;
    std::optional<Bytes> bytes = readFileTag(path);
    if (!bytes)
        return false;
    std::optional<id3v2::EditableTag> tag = id3v2::OpenTag(*bytes);
    if (!tag)
        return false;
    std::optional<Bytes> data = FirstPictureData(tag->tag, tag->version);
    return data && !data->empty();
}

EditorContents ShowRowInEditors(const ListRow* row, PrimarySide side, const GenreTable* genres,
                                const FrameTextCodes* frames, bool playing)
{
    EditorContents c;
    c.encodingLabelUpdated = !playing;
    if (!row)
        return c;
    const ListRow& r = *row;
    const int b2 = v2Base(side);
    const int b1 = v1Base(side);
    const bool v2View = side == PrimarySide::V2;
    const int rowCode = textCodeFromRowName(r.sub[ColTextCode]);

    for (int i = 0; i < kEditBoxCount; ++i) {
        const EditBox box = EditBox(i);
        const BoxInfo& bi = info(box);
        BoxContent& bc = c.boxes[std::size_t(i)];
        if (bi.field == ColDiscSet)
            continue; // split below
        const int base = bi.field >= ColComposer ? kShownBase : (bi.v1 ? b1 : b2);
        bc.text = GetRowField(r, base, bi.field);
        if (!bi.frame)
            continue;
        if (frames) {
            const int code = frames->codeOf(bi.frame);
            bc.colour = code < 0 ? TextColour::Normal : ColourOfTextCode(code);
        } else if (!bc.text.isEmpty() && rowCode >= 0) {
            bc.colour = ColourOfTextCode(rowCode);
        }
    }
    BoxContent& disc = c.boxes[std::size_t(EditBox::DiscNumber)];
    BoxContent& discs = c.boxes[std::size_t(EditBox::DiscCount)];
    SplitPartOfSet(r.sub[ColDiscSet], disc.text, discs.text);
    if (frames) {
        const int code = frames->codeOf("TPOS");
        disc.colour = discs.colour = code < 0 ? TextColour::Normal : ColourOfTextCode(code);
    } else if (!r.sub[ColDiscSet].isEmpty() && rowCode >= 0) {
        disc.colour = discs.colour = ColourOfTextCode(rowCode);
    }

    const QString rawGenre = frames && frames->codeOf("TCON") >= 0 ? frames->rawGenre : r.sub[std::size_t(b2 + FieldGenre)];
    c.v2GenreHint = rawGenre.contains(QLatin1Char('('))
                        ? QStringLiteral("ID3 v1への参照 → ") + rawGenre
                        : QStringLiteral("ジャンル");
    // A name the ID3v1 list does not hold is written as 255, so the hint says so.
    int number = genres ? genres->GenreNumber(r.sub[std::size_t(b1 + FieldGenre)]) : -1;
    if (number < 0)
        number = 255;
    c.v1GenreHint = QStringLiteral("No=") + QString::number(number);

    c.tagSizeLabel = r.sub[ColTagSize];
    if (!playing)
        c.encodingLabel = r.sub[ColTextCode];
    c.pictureDescriptionLabel = r.sub[ColPictureDescription];
    c.pictureDescriptionHint = r.sub[ColPictureDescription] + QStringLiteral("|画像の説明");

    const QString& kind = r.sub[ColTagKind];
    c.pictureSetEnabled = v2View && kind != QLatin1String("riff") && kind != QLatin1String("not");
    c.pictureRemoveEnabled = v2View && r.sub[ColPicture] == kPicturePresent;
    c.v1DeleteEnabled = kind.contains(QLatin1String("v1"));
    c.pictureState = GetRowField(r, kShownBase, ColPicture);
    c.path = r.path();
    return c;
}

QString ComposePartOfSet(const QString& disc, const QString& discs)
{
    // No number of discs means the disc alone ("2", not "2/"), and two empty boxes
    // clear the field instead of writing a bare "/".
    if (discs.isEmpty())
        return disc;
    return disc + QLatin1Char('/') + discs;
}

void SplitPartOfSet(const QString& field, QString& disc, QString& discs)
{
    const qsizetype slash = field.indexOf(QLatin1Char('/'));
    if (slash < 0) {
        disc = field;
        discs.clear();
        return;
    }
    disc = field.left(slash);
    discs = field.mid(slash + 1);
}

TagViewLayout CurrentTagViewLayout(const EditorState& state, bool rowSelected)
{
    TagViewLayout l;
    l.view = state.view();
    l.v1Checked = state.v1Checked;
    l.v2Checked = state.v2Checked;
    const bool v1 = l.view == 1;
    l.extraButtonEnabled = !v1;
    l.pictureColumnHidden = v1;
    l.v1BoxesActive = v1;
    l.v1PanelEnabled = v1;
    l.v2PanelsEnabled = !v1;
    l.pictureButtonEnabled = !v1 && rowSelected;
    l.speedButton8Caption = v1 ? QStringLiteral("Tag v2") : QStringLiteral("Tag v1");
    return l;
}

TagViewLayout SwitchTagView(EditorState& state, RowStore& store, int view, bool rowSelected, int playingIndex)
{
    const bool v1 = view == 1;
    if (v1 ? !state.v1Checked : !state.v2Checked)
        return CurrentTagViewLayout(state, rowSelected);
    if (v1) {
        if (state.currentColumn > FieldYear)
            state.currentColumn = -1;
        state.v2Checked = false;
    } else {
        state.v1Checked = false;
    }
    TagViewLayout l = CurrentTagViewLayout(state, rowSelected);
    l.switched = true;
    l.swapped = store.SwapTagBlocks(v1 ? PrimarySide::V1 : PrimarySide::V2, playingIndex);
    return l;
}

TagViewLayout IDTagV1ChkBoxMouseDown(EditorState& state, RowStore& store, int tag, bool rowSelected,
                                     int playingIndex)
{
    if (tag != 1 && tag != 2)
        return CurrentTagViewLayout(state, rowSelected);
    bool& box = tag == 1 ? state.v1Checked : state.v2Checked;
    box = !box; // the box's own toggle on the press
    if (box)
        return SwitchTagView(state, store, tag, rowSelected, playingIndex);
    box = true;
    return CurrentTagViewLayout(state, rowSelected);
}

TagViewLayout SpeedButton8Click(EditorState& state, RowStore& store, bool rowSelected, int playingIndex)
{
    const int other = state.view() == 1 ? 2 : 1;
    (other == 1 ? state.v1Checked : state.v2Checked) = true;
    return SwitchTagView(state, store, other, rowSelected, playingIndex);
}

int CodeComboAfterChange(int versionIndex, int codeIndex)
{
    if (versionIndex == 0 && codeIndex != 0)
        return 0; // RIFF INFO texts are Shift-JIS
    if ((versionIndex == 1 || versionIndex == 2) && codeIndex == 2)
        return 1; // UTF-8 exists only in ID3v2.4
    return codeIndex;
}

namespace {

constexpr int kOptionalFields[] = {ColComposer, ColLyricist, ColLabel, ColCopyright, ColEncoder, ColUrl, ColPicture};

// The fields Left and Right walk through, in order, for the columns shown.
std::vector<int> columnOrder(int columnMask, bool v2View)
{
    std::vector<int> order = {FieldTitle, FieldArtist, FieldAlbum, FieldGenre, FieldTrack, FieldYear};
    if (v2View)
        for (int f : kOptionalFields)
            if (columnShown(f, columnMask))
                order.push_back(f);
    return order;
}

} // namespace

int FieldOfListColumn(int column, int columnMask, bool v2View)
{
    if (column >= 1 && column <= 6)
        return column - 1;
    const int sub = subItemOfColumn(column);
    for (int f : kOptionalFields)
        if (f == sub)
            return v2View && columnShown(f, columnMask) ? f : -1;
    return -1;
}

int MoveCurrentColumn(int currentColumn, int direction, int columnMask, bool v2View)
{
    const std::vector<int> order = columnOrder(columnMask, v2View);
    int at = -1;
    for (std::size_t i = 0; i < order.size(); ++i)
        if (order[i] == currentColumn)
            at = int(i);
    if (at < 0)
        return direction > 0 ? order.front() : currentColumn;
    const int next = at + (direction > 0 ? 1 : -1);
    if (next < 0 || next >= int(order.size()))
        return currentColumn;
    return order[std::size_t(next)];
}

bool CellEditAllowed(const ListRow& row, int field, PrimarySide side)
{
    if (field < 0)
        return false;
    const bool wave = LowerExtension(row.path()) == QLatin1String(".wav");
    const bool riff = row.sub[std::size_t(v2Base(side) + FieldTagKind)] == QLatin1String("riff");
    if ((riff || wave) && (field == FieldTrack || field == ColComposer || field == ColLyricist || field == ColUrl))
        return false;
    if (wave && (side != PrimarySide::V2 || row.sub[ColAudioFormat] == QStringLiteral("不明")))
        return false;
    return true;
}

CellEditorShape CellEditorShapeFor(int field)
{
    switch (field) {
    case FieldArtist:
    case FieldGenre:
    case FieldYear:
    case ColCopyright:
    case ColEncoder:
        return {true, 36};
    default:
        return {false, 16};
    }
}

QString MeasuredText(const QString& text)
{
    QString t = text;
    t.replace(QLatin1Char('?'), QStringLiteral("＝"));
    return t;
}

bool StartCellEditor(EditorState& state, const RowStore& store, int row)
{
    if (state.currentColumn < 0 || state.currentColumn == ColPicture)
        return false;
    if (row < 0 || row >= store.count() || !CellEditAllowed(store.row(row), state.currentColumn, store.side()))
        return false;
    state.captured = store.selectedIndexes();
    return true;
}

QStringList InputBoxChoices(int field, const QStringList& artists, const QStringList& v2Genres,
                            const QStringList& copyright, const QStringList& encoder, int currentYear)
{
    auto rightTrimmed = [](const QStringList& list) {
        QStringList out;
        for (const QString& s : list) {
            qsizetype n = s.size();
            while (n > 0 && s[n - 1].isSpace())
                --n;
            out.append(s.left(n));
        }
        return out;
    };
    switch (field) {
    case FieldArtist: return artists;
    case FieldGenre: return v2Genres;
    case ColCopyright: return rightTrimmed(copyright);
    case ColEncoder: return rightTrimmed(encoder);
    case FieldYear: {
        QStringList years;
        for (int y = 1990; y <= currentYear; ++y)
            years.append(QString::number(y));
        return years;
    }
    default: return {};
    }
}

EntryState EditEntryState(int rowCount, int selectedCount, int currentColumn, bool pictureButtonEnabled)
{
    EntryState e;
    e.visible = rowCount > 0 && ((currentColumn >= 0 && currentColumn <= ColUrl) ||
                                 (currentColumn == ColPicture && pictureButtonEnabled));
    const bool oneRowField = currentColumn == FieldTitle || currentColumn == FieldTrack;
    e.enabled = selectedCount > 0 && (!oneRowField || selectedCount == 1);
    return e;
}

} // namespace quillory
