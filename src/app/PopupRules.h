#pragma once
// Which entries of the list pop-up menu are visible and enabled each time it opens
// (PopupMenu1Popup). The window gathers the state; this decides.
#include "app/CommandTable.h"

#include <QString>
#include <map>

namespace quillory {

struct PopupState {
    int selectedCount = 0;
    int rowCount = 0;
    int currentColumn = -1;           // field the user works in, -1 for none
    bool v2View = true;               // "ID3 Tag v2 or WMA" shown
    bool companionCaller = false;     // a companion program started the window
    bool clipboardHasAcceptedFile = false;
    QString selectedExtension;        // lower-cased extension of the selected (first) row
    bool englishGenresAvailable = true;
    bool editVisible = true;          // "編集(&E)", decided by the editing rules
    int rangeStart = -1;              // start of the range selection, -1 for none
    bool analogClockRunning = false;  // a receiver for "アナログChimewatch" exists
    bool clockPlusRunning = false;    // a receiver for "Chimewatchプラス" exists
};

struct EntryState {
    bool visible = true;
    bool enabled = true;
};

struct PopupDecision {
    std::map<Cmd, EntryState> entries; // entries the rules decide; others keep their state
    QString rangeStartCaption;         // caption of the first range entry
    EntryState at(Cmd id) const;
};

PopupDecision PopupMenu1Popup(const PopupState& state);

} // namespace quillory
