#pragma once
// Edits typed into the boxes, the input box or the in-place editor, applied to the
// rows in memory and marked in their change masks; the confirmation that guards an
// edit spreading over other artists and albums; the count of changed rows behind the
// write buttons; and the limits of the ID3v1 boxes.
#include "app/EditorState.h"
#include "app/RowStore.h"

#include <QString>
#include <functional>
#include <vector>

namespace quillory {

class GenreTable;
class UserPrompt;
struct DropDownLists;

// Whether an audio file holds a picture that can be read; FileHoldsPicture by default.
using PictureProbe = std::function<bool(const QString& audioPath)>;

// Everything one edit needs; built by the window for each event.
struct EditContext {
    EditContext(RowStore& s, EditorState& st, UserPrompt& p) : store(s), state(st), prompt(p) {}

    RowStore& store;
    EditorState& state;
    UserPrompt& prompt;               // asks the "変更確認" question
    const GenreTable* genres = nullptr; // for the ID3v1 genre names
    bool listCheck = false;           // "list check" ("リスト変更を監視")
    int playingIndex = -1;            // row whose playback mark stays
    PictureProbe pictureProbe;        // empty: FileHoldsPicture
};

struct EditOutcome {
    bool ignored = false;   // the event did not count (fill flag, editing flag, selection)
    int changedRows = 0;    // rows that were changed
    bool cancelled = false; // "キャンセル" in the confirmation: refill the boxes from the selection
};

// The text that is never stored: the picture path placeholder of the picture dialog.
inline const QString kPictureSentinel = QStringLiteral("APIC_TAG_Morva");
inline const QString kConfirmTitle = QStringLiteral("変更確認");

// ApplyFieldEdit: the text into the field of every selected row, with the
// confirmation when listCheck is on. The pending flags are recomputed over the
// selected rows; the write buttons keep what ApplyFieldToRow gave them.
EditOutcome ApplyFieldEdit(EditContext& ctx, const QString& text, int field);
// The same over the selection captured when the in-place editor opened.
EditOutcome ApplyFieldEditToCaptured(EditContext& ctx, const QString& text, int field);
// One row. Returns whether the row changed. Rows not yet read are left alone.
bool ApplyFieldToRow(EditContext& ctx, const QString& text, int index, int field);

// The question's tail: the field's phrase, then " 'text' " between "を" and
// "に変更してもよろしいですか？".
QString ConfirmQuestionTail(int field, const QString& text);
// "No " + number + "\n■" + reference + "■\n■" + value + "■\n\n他のアーティスト" (or
// "他のアルバム") + "も変更の対象になっています。" + tail.
QString ConfirmQuestionText(bool aboutArtist, const QString& rowNumber, const QString& reference,
                            const QString& value, const QString& tail);

// A change event of a box: ignored unless AcceptsChange and, for title, track and
// lyrics, exactly one row is selected; otherwise ApplyFieldEdit with the box's field.
// For the part-of-set boxes partner is the other box's text (disc number with the
// number of discs); the field gets ComposePartOfSet of both.
EditOutcome BoxChanged(EditContext& ctx, EditBox box, const QString& text, const QString& partner = {});

// OK in the input box: ApplyFieldEdit; a copyright or encoder text also goes into
// its drop-down list.
EditOutcome InputBoxCommit(EditContext& ctx, int field, const QString& text, DropDownLists& lists);
// EndCellEditor: an unchanged text over one captured row only repaints that row;
// otherwise ApplyFieldEditToCaptured with the current column, and the copyright and
// encoder texts go into their lists. The capture is released.
struct CellEditEnd {
    bool repaintRowOnly = false;
    EditOutcome outcome;
};
CellEditEnd EndCellEditor(EditContext& ctx, const QString& text, const QString& startText, DropDownLists& lists);

// RecountChanges without a progress bar: the pending flags over every row and the
// write buttons from them.
void RecountChanges(EditorState& state, const RowStore& store);
// With a progress bar: step once per row, the pending flags, the buttons left alone;
// returns the number of rows whose v1 or v2 mask is not "0".
int RecountChanges(EditorState& state, const RowStore& store, const std::function<void()>& step);
// The pending flags over the given rows (store indexes).
PendingChanges PendingOver(const RowStore& store, const std::vector<int>& rows);

// Limits of the boxes.
inline constexpr int kV1TextWidth = 30;  // title, artist, album (Shift-JIS bytes)
inline constexpr int kV1TrackDigits = 3;
inline constexpr int kV1TrackMax = 255;
inline constexpr int kV1YearDigits = 4;
// What a box keeps of the text typed or pasted into it: the v1 title, artist and
// album their first 30 Shift-JIS bytes (never half a character); the v1 track its
// first 3 digits, more than 255 becoming "255"; the v1 year its first 4 digits;
// the v2 track only its digits. Other boxes keep everything.
QString FilterBoxText(EditBox box, const QString& text);

} // namespace quillory
