#pragma once
// The state of the edit boxes under the list and the decisions around them that do
// not change rows: which box edits which field, when a change event counts, where
// the focus puts the current column, what the boxes show for a row and in which
// text colour, and the switch between the ID3v1 and the ID3v2 view.
#include "app/PopupRules.h"
#include "app/RowStore.h"

#include <QString>
#include <QStringList>
#include <array>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace quillory {

class GenreTable;
struct DropDownLists;

// Every edit box of the main window's tag panels.
enum class EditBox : int {
    V1Title,    // Edit1
    V1Artist,   // ComboBox3
    V1Album,    // Edit3
    V1Genre,    // ComboBox1
    V1Track,    // Edit4
    V1Year,     // Edit5
    V1Comment,  // Memo1
    V2Title,    // wide edit
    V2Artist,   // wide combo box
    V2Album,    // wide edit
    V2Genre,    // ComboBox2
    V2Track,    // Edit9
    V2Year,     // Edit10
    V2Comment,  // wide multi-line edit
    Composer,   // wide edit ("その他")
    Lyricist,   // wide edit
    Label,      // Edit13
    DiscNumber, // Edit15 "枚目"
    DiscCount,  // Edit14 "枚組"
    Copyright,  // NewComboBox1
    Encoder,    // NewComboBox2
    Url,        // Edit18
    Lyrics,     // Memo3
};
inline constexpr int kEditBoxCount = int(EditBox::Lyrics) + 1;

// Field number the box edits (0-7 within the shown block, 18 and up once per row).
int FieldOfBox(EditBox box);
// Boxes of the ID3v1 panel and the ID3v1 comment memo; every other box is a v2 box.
bool IsV1Box(EditBox box);
// Title, track and lyrics apply only while exactly one row is selected.
bool AppliesToOneRowOnly(EditBox box);

struct PendingChanges {
    bool v1 = false;
    bool v2 = false;
};

// Enabled state of "ID3 Tag v1", "ID3 Tag v2" and "ID3 Tag v1v2".
struct WriteButtons {
    bool v1 = false;
    bool v2 = false;
    bool both = false;
};
WriteButtons WriteButtonsFor(PendingChanges pending);

// What the window keeps for its edit boxes between events.
struct EditorState {
    bool filling = false;     // the boxes are being filled from a row: change events are ignored
    bool v1Editing = false;   // a box has the focus
    bool v2Editing = false;
    int currentColumn = -1;   // field the user works in, -1 for none
    std::vector<int> captured; // store indexes selected when the in-place editor opened
    PendingChanges pending;
    WriteButtons buttons;
    QString pictureDescription; // description of the picture to be set (the picture dialog's)
    bool v1Checked = false;   // "ID3 Tag v1"
    bool v2Checked = true;    // "ID3 Tag v2 or WMA"

    // 1 for the ID3v1 view, 2 for the ID3v2/WMA/RIFF view.
    int view() const { return v1Checked ? 1 : 2; }
};

// Sets the fill flag for its lifetime (ShowRowInEditors fills the boxes inside one).
class FillGuard {
public:
    explicit FillGuard(EditorState& s) : state_(s), was_(s.filling) { s.filling = true; }
    ~FillGuard() { state_.filling = was_; }
    FillGuard(const FillGuard&) = delete;
    FillGuard& operator=(const FillGuard&) = delete;

private:
    EditorState& state_;
    bool was_;
};

enum class Repaint { None, Row, List };

// A box got the focus: both editing flags are set and the current column follows the
// box (columnMask: "tagadd"). Returns what to repaint: the selected row when exactly
// one is selected, else the list.
Repaint BoxFocused(EditorState& state, EditBox box, int columnMask, int selectedCount);
// A box lost the focus: the flags are cleared; the copyright and encoder boxes add
// their text to their drop-down list.
void BoxLeft(EditorState& state, EditBox box, const QString& text, DropDownLists& lists);
// Whether a change event of the box counts: not while filling, and only while the
// box's editing flag is set and its view is shown.
bool AcceptsChange(const EditorState& state, EditBox box, PrimarySide side);

// Trims the text; appends it when it is not empty and not yet in the list and then
// sets changed. Returns whether it was appended.
bool AddToDropDownList(QStringList& list, bool& changed, const QString& text);

// Text colour of a v2 box, by the TextCode of its frame in the file.
enum class TextColour { Normal, Blue, Purple, Green };
TextColour ColourOfTextCode(int textCode);

struct BoxRgb {
    int r = 0, g = 0, b = 0;
    friend bool operator==(const BoxRgb&, const BoxRgb&) = default;
};
inline constexpr BoxRgb kBoxTextRgb{0x55, 0x4B, 0x0B};   // Normal
inline constexpr BoxRgb kActiveBoxRgb{0xFD, 0xD9, 0x86}; // background of the boxes of the shown tag
BoxRgb RgbOf(TextColour colour);

// TextCodes of the frames the v2 boxes show, read from the file's ID3v2 tag.
struct FrameTextCodes {
    std::map<std::string, int, std::less<>> codes; // ID3v2.3 id -> TextCode of the frame found
    QString rawGenre;                              // the TCON text before genre references are expanded
    int codeOf(std::string_view id23) const;       // -1 when the frame is absent
};
// Empty for files without an ID3v2 tag (RIFF, WMA, missing files).
FrameTextCodes ReadFrameTextCodes(const QString& path);
// Whether the file holds a picture that can be read (ID3v2 APIC/PIC or WM/Picture).
bool FileHoldsPicture(const QString& path);

struct BoxContent {
    QString text;
    TextColour colour = TextColour::Normal;
};

// What ShowRowInEditors puts into the boxes and the controls around them.
struct EditorContents {
    std::array<BoxContent, kEditBoxCount> boxes;
    QString v2GenreHint;            // "ID3 v1への参照 → " + raw genre, or "ジャンル"
    QString v1GenreHint;            // "No=" + genre number; the v1 genre box selects its text
    QString tagSizeLabel;           // sub-item 30
    QString encodingLabel;          // sub-item 29
    bool encodingLabelUpdated = true; // false while playback runs: the label keeps its text
    QString pictureDescriptionLabel; // sub-item 33
    QString pictureDescriptionHint;  // sub-item 33 + "|画像の説明"
    bool pictureSetEnabled = false;    // "画像参照"
    bool pictureRemoveEnabled = false; // "画像削除" and "ウィンドウ表示"
    bool v1DeleteEnabled = false;      // ID3v1 delete button
    QString pictureState;           // for the picture preview
    QString path;

    const BoxContent& operator[](EditBox b) const { return boxes[std::size_t(b)]; }
};

// The boxes' contents for a row (none: every box empty). frames: the file's frame
// codes; without them every filled v2 box takes the colour of the row's text code.
// The window fills the boxes inside a FillGuard.
EditorContents ShowRowInEditors(const ListRow* row, PrimarySide side, const GenreTable* genres,
                                const FrameTextCodes* frames, bool playing);

// The part-of-set field from the two small boxes, and back.
QString ComposePartOfSet(const QString& disc, const QString& discs);
void SplitPartOfSet(const QString& field, QString& disc, QString& discs);

// The state of the controls after the tag view switched.
struct TagViewLayout {
    int view = 2;
    bool v1Checked = false;
    bool v2Checked = true;
    bool switched = false;           // SwitchTagView ran (the press checked a box)
    bool swapped = false;            // the rows' blocks were exchanged
    bool extraButtonEnabled = true;  // "その他"
    bool pictureColumnHidden = false; // width 0 in view 1; its remembered width in view 2
    bool v1BoxesActive = false;      // v1 boxes in the active colour, Edit9/Edit10/ComboBox2 in the
                                     // panel colour; the other way round when false
    bool v1PanelEnabled = false;     // the v1 panel and Memo1
    bool v2PanelsEnabled = true;
    bool pictureButtonEnabled = false; // "画像参照"
    QString speedButton8Caption;     // "Tag v1" in view 2, "Tag v2" in view 1
};

// SwitchTagView (view 1 = ID3v1, 2 = ID3v2/WMA/RIFF): runs only when that view's box
// is checked; swaps the rows' blocks when the view differs from the one last swapped to.
TagViewLayout SwitchTagView(EditorState& state, RowStore& store, int view, bool rowSelected,
                            int playingIndex = -1);
// A left press on "ID3 Tag v1" (tag 1) or "ID3 Tag v2 or WMA" (tag 2): the box toggles
// its own mark, then a box now checked switches to its view and an unchecked one is
// checked again, so a press on the checked box changes nothing.
TagViewLayout IDTagV1ChkBoxMouseDown(EditorState& state, RowStore& store, int tag, bool rowSelected,
                                     int playingIndex = -1);
// The compact layout's switch button: checks the other box and switches to it.
TagViewLayout SpeedButton8Click(EditorState& state, RowStore& store, bool rowSelected, int playingIndex = -1);
// The layout of the current view without switching (for the window's start).
TagViewLayout CurrentTagViewLayout(const EditorState& state, bool rowSelected);

// ComboBox5Change: the code combo's index after either combo changed. Version items
// "riffmp3", "ver 2.2", "ver 2.3", "ver 2.4"; code items "SJIS", "UTF16", "UTF8".
int CodeComboAfterChange(int versionIndex, int codeIndex);

// Field of a list column under the mouse (column 0 is "No"), or -1.
int FieldOfListColumn(int column, int columnMask, bool v2View);
// Left (-1) and Right (+1) in the list: the next field of 0-5, 18, 19, 20, 24, 25, 26, 27
// whose column is shown; the optional ones only in the v2 view.
int MoveCurrentColumn(int currentColumn, int direction, int columnMask, bool v2View);

// The fields the input box and the in-place editor refuse for this row: none for -1;
// track, composer, lyricist and URL of a RIFF-INFO or WAVE row; a WAVE row outside
// the v2 view or with an unknown audio format.
bool CellEditAllowed(const ListRow& row, int field, PrimarySide side);
// The in-place editor: a drop-down combo box for artist, genre, year, copyright and
// encoder, a single-line edit otherwise; reserve is the width added to the text's.
struct CellEditorShape {
    bool combo = false;
    int reserve = 16;
};
CellEditorShape CellEditorShapeFor(int field);
// The text whose width sizes the in-place editor and the input dialog.
QString MeasuredText(const QString& text);
// StartCellEditor's decision: captures the selected store indexes and returns true,
// or refuses (current column -1 or 27, or a refused field of the row).
bool StartCellEditor(EditorState& state, const RowStore& store, int row);

// Choices of the input dialog for a field.
QStringList InputBoxChoices(int field, const QStringList& artists, const QStringList& v2Genres,
                            const QStringList& copyright, const QStringList& encoder, int currentYear);

// The pop-up's "編集(&E)" entry.
EntryState EditEntryState(int rowCount, int selectedCount, int currentColumn, bool pictureButtonEnabled);

} // namespace quillory
