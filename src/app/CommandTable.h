#pragma once
// The command surface of the main window as data: every menu entry and tool button
// with its caption, hint, Tag and whether this build carries its feature. The window
// builds its menus and tool bar from these tables; entries whose feature is not
// there yet are shown disabled.
#include <QString>
#include <vector>

namespace quillory {

enum class Cmd {
    None,
    // "ファイル(&F)"
    FileMenu, AddMenu, AddFolder, AddFiles, AddPlaylist, AddUntagged, CopyToFolder, NewPlaylist,
    AddToPlaylist, CsvMenu, CsvWrite, CsvRead, PrintSettings, Print, Exit,
    // "編集(&E)"
    EditMenu, CopyFiles, Paste, SelectEdited, SelectUnedited, SelectAll, InvertSelection,
    // "表示(&V)"
    ViewMenu, ShowToolBar, ShowMainTagBox, ShowCommentTagBox, SortByEdited, SortByKind, SortByFolder,
    SortBySearch, SortByFullPath, SortSelectedMenu, SortTitle, SortArtist, SortAlbum, SortTrack, SortYear,
    SortFileName, SortFolderName, Refresh,
    // "検索(&S)", "オプション(&O)", "ヘルプ(&H)"
    SearchMenu, Find, FindNext, Options, HelpMenu, Help, About,
    // list pop-up
    EditCell, MakeEqual, OpenWith, PopupAddMenu, StringConvert, FileRename, TagFromFileName,
    OtherToolsMenu, TitleListPaste, TrackNumbers, TrimSpaces, TitleCopy, AddToArtistList,
    GenreConvertMenu, GenreToJapanese, GenreToEnglish, TagConvert, Organise, SendFilesMenu,
    SendToAnalogClock, SendToClockPlus, CopyMenu, PopupCopyFiles, CopyArtistFolder, CopyAlbumFolder, Explorer,
    RangeMenu, RangeStart, RangeSelect, RangeDeselect, RangeClear, UndoField, DeleteRows,
    // tool bar only
    FitToWindow, MoveUp, MoveDown, RandomPlay, UndoButton,
    // the undo drop-down
    UndoComment, UndoDiscSet, UndoLyrics,
};

struct CommandInfo {
    Cmd id = Cmd::None;
    QString caption;
    QString hint;          // long hint for the status bar; "short|long" where both are given
    int tag = 0;           // the control's Tag
    bool checkable = false;
    bool checkedAtFirst = false;
    bool available = false; // the feature is in this build
    QString shortcut;       // key sequence text ("F3"), empty for none
};

// Every command, with its texts. Unknown ids give an empty record.
const CommandInfo& CommandInfoOf(Cmd id);
const std::vector<CommandInfo>& AllCommands();

// A menu as a tree: a separator has id None and no children.
struct MenuNode {
    Cmd id = Cmd::None;
    std::vector<MenuNode> children;
    bool isSeparator() const { return id == Cmd::None; }
};
// The main menu bar (its top-level entries) and the list pop-up menu.
const std::vector<MenuNode>& MainMenuTree();
const std::vector<MenuNode>& ListPopupTree();
// The undo drop-down of the tool bar ("元に戻す" with its three fields).
const std::vector<MenuNode>& UndoPopupTree();

// Tool bar buttons, left to right; a separator has id None.
struct ToolButtonDef {
    Cmd id = Cmd::None;
    QString hint;      // "short|long" as built at start-up
    int tag = 0;
    bool isSeparator() const { return id == Cmd::None; }
};
const std::vector<ToolButtonDef>& ToolBarButtons();
// Index of the first tool button that acts on the selection ("指定先へコピー").
int FirstSelectionToolButton();

// "印刷(&P)" -> "印刷": drops the last four characters when they begin with "(&".
QString StripAccelerator(const QString& caption);
// The short part ("" when the hint has none) and the long part of a "short|long" hint;
// a hint without "|" is both.
QString ShortHint(const QString& hint);
QString LongHint(const QString& hint);

// Hints completed at start-up.
// "タグの削除|ID3 Tag v" + the button's own hint ("1 をファイルから削除する") + "（選択したリストが対象）"
QString TagDeleteButtonHint(int version);
QString UndoEntryHint(const QString& caption); // "選択したリストの" + caption + "を元に戻す"
// "ここから  ( List No " + start + 1 + " )"
QString RangeStartCaption(int rangeStart);

} // namespace quillory
