#include "app/PopupRules.h"

#include "app/ListRow.h"

namespace quillory {

EntryState PopupDecision::at(Cmd id) const
{
    auto it = entries.find(id);
    return it == entries.end() ? EntryState{} : it->second;
}

PopupDecision PopupMenu1Popup(const PopupState& s)
{
    PopupDecision d;
    const bool selection = s.selectedCount > 0;
    auto set = [&](Cmd id, bool visible, bool enabled = true) { d.entries[id] = EntryState{visible, enabled}; };

    for (Cmd id : {Cmd::Explorer, Cmd::TagFromFileName, Cmd::DeleteRows, Cmd::CopyMenu, Cmd::TitleCopy,
                   Cmd::TitleListPaste})
        set(id, selection);
    for (Cmd id : {Cmd::FileRename, Cmd::StringConvert})
        set(id, selection && !s.companionCaller);
    // The trim entry works on the v2 side only.
    set(Cmd::TrimSpaces, selection && s.v2View);

    set(Cmd::SelectAll, s.rowCount > 0);
    set(Cmd::EditCell, s.editVisible);
    const int c = s.currentColumn;
    set(Cmd::MakeEqual, s.selectedCount > 1 && c != 0 && c != ColTrack && c != ColPicture && s.editVisible);

    for (Cmd id : {Cmd::RangeStart, Cmd::RangeSelect, Cmd::RangeDeselect, Cmd::RangeClear})
        set(id, true, selection);
    d.rangeStartCaption = s.rangeStart >= 0 ? RangeStartCaption(s.rangeStart) : CommandInfoOf(Cmd::RangeStart).caption;

    set(Cmd::Paste, s.clipboardHasAcceptedFile);

    const QString& ext = s.selectedExtension;
    set(Cmd::TagConvert, selection && s.v2View && ext != QLatin1String(".wav"), ext != QLatin1String(".wma"));
    set(Cmd::GenreConvertMenu, s.v2View, selection && s.englishGenresAvailable);

    set(Cmd::SendToAnalogClock, true, selection && s.analogClockRunning);
    set(Cmd::SendToClockPlus, true, selection && s.clockPlusRunning);
    return d;
}

} // namespace quillory
