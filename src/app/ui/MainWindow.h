#pragma once
// The main window TDU3ZiruVozivDlg: the list, its tool bar, menus and pop-up menu,
// the tag boxes and the control row; start-up, the close query and shut-down; the
// commands that add files; and the main-thread side of the background workers.
#include "app/CommandTable.h"
#include "app/DataFiles.h"
#include "app/ListActions.h"
#include "app/ListColumns.h"
#include "app/RowStore.h"
#include "app/Settings.h"
#include "gather/Workers.h"
#include "media/Genres.h"
#include "platform/Folders.h"
#include "tags/Loader.h"
#include "tags/TagOptions.h"

#include <QColor>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>
#include <optional>

class QAbstractButton;
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSlider;
class QToolBar;
class QToolButton;

namespace quillory {

class CellEditor;
class EditPanels;
class GuiPrompt;
struct EditContext;
struct EditorState;
struct TagViewLayout;
enum class EditBox : int;
class InstanceServer;
class ListModel;
class TMyListView;
class TStatusBar;
class WmaErrorGate;

class TDU3ZiruVozivDlg : public QMainWindow, public WorkerHost {
    Q_OBJECT
public:
    struct StartOptions {
        QStringList arguments;          // the command line (paths, "-p")
        QString settingsPath;           // empty: defaultSettingsPath()
        std::optional<Folders> folders; // empty: the folders of this process
        QString instanceName;           // local server of the single instance; empty: none
        QString programPath;            // the executable shortcuts point to
    };

    explicit TDU3ZiruVozivDlg(StartOptions options, QWidget* parent = nullptr);
    ~TDU3ZiruVozivDlg() override;

    // Adding files: path text of CR LF separated paths.
    void GatherPaths(const QString& pathText, const QString& title = QString());
    void ListAddFolderMenuClick();
    void ListAddFileMenuClick(int tag);
    void Paste1Click();
    // Paths handed over by a second start or dropped on the list.
    void AddHandedOverPaths(const QString& pathText);
    void DropFiles(const QStringList& paths);

    // List commands.
    void Delete1Click();
    void MoveSelectedRowsOnce(int direction);
    void ToolButton15MouseDown(int tag);
    void ToolButton15MouseUp();
    void RefreshMenuClick();
    void ToolBarOnMenuClick(Cmd item);
    void ToolButton11Click(bool down);
    void SetVisibleColumns();
    void N5Click();
    void N49Click();
    void N9Click(int tag);

    // Genres.
    void FillGenreLists();
    void SwitchButton2Click();

    // Editing: the boxes, the tag view, the write buttons and the tag copy.
    void BoxChangedEvent(EditBox box, const QString& text);
    void ShowSelectedRowInEditors();
    void WriteButtonClick(int tag);
    void IDTagChkBoxMouseDown(int tag);
    void SpeedButton8Click();
    void SpeedButton12Click();
    void ID3TagCopySpBtnClick(int tag);
    void ComboBox5Change();
    // The input box over a row (double click with "Input" on); the in-place editor
    // otherwise.
    void OpenInputBox(int row);
    // "編集(&E)", Enter and a double click in a cell: the in-place editor with
    // "directedit" on, the input box otherwise.
    void EditCellClick(int row);
    void StartCellEditor(int row);
    void EndCellEditor();
    CellEditor* cellEditor() const { return cellEditor_; }
    // A double click on a multi-line box: the text dialog, or the user's editor
    // with "notepad_edit" on. Returns whether the box's text was changed.
    bool EditMultiLineBox(EditBox box);
    // The current column, in the editing state and in the list's painting.
    void setCurrentColumn(int field);
    void RecountAndShowButtons();
    EditorState& editorState() { return *editor_; }
    EditPanels* editPanels() const { return panels_; }
    QPushButton* writeButton(int tag) const;
    QCheckBox* tagViewBox(int tag) const;
    QWidget* extraPanel() const { return extraPanel_; }
    // Called after each row of a write run (tests cancel from it).
    std::function<void(int row)> onRowWritten;
    // Answers the input box in tests: gets the dialog's text, returns the text
    // committed or nothing for Cancel. Empty: the real dialog.
    std::function<std::optional<QString>(int field, const QString& text)> answerInputBox;

    // Long operations.
    void SetBusyState(bool busy);
    bool busy() const { return busy_; }

    // Close query; true when the window may close.
    bool FormCloseQuery();
    // The pop-up's entries as the rules leave them (for the pop-up and for tests).
    void PopupMenu1Popup();

    // WorkerHost: every call on the main thread.
    int FetchRowCount() override;
    int FetchNextRow(int from, int count) override;
    void ReportFetchProgress(int index) override;
    void FinishTagFetch() override;
    void LoadVisibleRow(int index) override;
    void RepaintList() override;
    void UpdateUiState() override;

    // Selection of the view, kept in the rows of the store.
    void selectRows(const std::vector<int>& rows);
    void syncViewSelectionFromStore();

    // Access for the tests, the benchmark and the screenshots.
    RowStore& rowStore() { return store_; }
    BackgroundWork& background() { return *work_; }
    TMyListView* listView() const { return list_; }
    ListModel* listModel() const { return model_; }
    TStatusBar* statusPanels() const { return status_; }
    QAction* action(Cmd id) const;
    QMenu* popupMenu() const { return popup_; }
    QToolButton* toolButton(Cmd id) const;
    QToolBar* toolBar() const { return toolBar_; }
    QWidget* mainTagBox() const { return mainBox_; }
    QWidget* commentTagBox() const { return commentBox_; }
    QComboBox* v1GenreBox() const { return comboBox1_; }
    QComboBox* v2GenreBox() const { return comboBox2_; }
    QAbstractButton* cancelSwitch() const;
    QProgressBar* progressBar1() const { return progress1_; }
    QProgressBar* progressBar2() const { return progress2_; }
    Settings& settings() { return settings_; }
    const Folders& folders() const { return folders_; }
    const ColumnLayout& columnLayout() const { return columns_; }
    const QStringList& artistList() const { return artists_; }
    // Replaces the dialogs' prompt (tests answer questions with it).
    void setPrompt(UserPrompt* prompt) { prompt_ = prompt; }
    UserPrompt& prompt();
    int gatheringsRun() const { return gatherings_; }
    bool companionCalled() const { return companion_; }
    // Whether the "Open with" entry existed at start-up (the options dialog's first state).
    bool sendToShortcutFound() const { return sendToLinked_; }

    // Choosers the commands use; tests replace them.
    std::function<QString(const QString& start)> chooseFolder;
    std::function<QStringList(const QString& title, const QString& filter, const QString& start, bool many)>
        chooseFiles;
    // The editor of the genre list: gets the text, returns the edited text or
    // nothing when cancelled.
    std::function<std::optional<QString>(const QString& text)> editGenreText;

Q_SIGNALS:
    void gatheringFinished();
    void fetchFinished();

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    // construction
    void buildActions();
    QMenu* buildMenu(const MenuNode& node, QWidget* parent);
    void buildToolBar();
    QWidget* buildMainTagBox();
    QWidget* buildCommentBox();
    QWidget* buildControlRow();
    QWidget* buildExtraPanel();
    void buildImages();
    void readSettings();
    void applyLayoutSettings();
    void applyColourScheme();
    void applyListAppearance();
    void FirstShow();
    void Timer1Timer();
    void FormClose();
    void collectSettings();

    // helpers
    void setAvailable(QWidget* w, bool available);
    void enableIfAvailable(QWidget* w, bool enable);
    void enableActionIfAvailable(QAction* a, bool enable);
    void runGathering(const QString& pathText, const QString& title);
    void processQueuedHandOvers();
    void onSelectionChanged();
    void onDataHint(int first, int last);
    void fitColumns();
    void applyColumnGeometry();
    std::vector<int> columnWidths() const;
    void showRowCount();
    void setStatusPath(int row);
    void clearEditors();
    void onCopyData(quint32 id, const QByteArray& payload);
    QString selectedPath() const;
    int firstSelectedRow() const;
    void moveTimerTick();
    bool clockReceiverRunning(int tag) const;
    void applyCommandAvailability();
    void startFetch(bool asked);
    // (MainWindowEditing.cpp)
    void buildEditing();
    EditContext editContext();
    void applyTagViewLayout(const TagViewLayout& layout);
    void applyCurrentTagViewLayout();
    void applyWriteButtons();
    void refreshDropDowns();
    void refreshArtistLists();
    void addArtist(const QString& text);
    void onCellEditorCommitted(const QString& text, const QString& startText);
    void listMousePressed(const QPoint& pos);
    bool listKeyPressed(int key);

    StartOptions options_;
    Folders folders_;
    Settings settings_;
    QString settingsPath_;
    QString startDirectory_;
    TagOptions tagOptions_;
    GenreTable genres_;
    RowStore store_;
    std::unique_ptr<GuiPrompt> guiPrompt_;
    UserPrompt* prompt_ = nullptr;
    std::unique_ptr<UserPrompt> promptProxy_; // what the core holds: always the current prompt
    std::unique_ptr<WmaErrorGate> wmaGate_;
    std::unique_ptr<TagLoader> loader_;
    std::unique_ptr<BackgroundWork> work_;
    ColumnLayout columns_;
    MoveRepeat moveRepeat_;
    int moveDirection_ = 0;

    // widgets
    TMyListView* list_ = nullptr;
    ListModel* model_ = nullptr;
    TStatusBar* status_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QMenu* popup_ = nullptr;
    QMenu* undoPopup_ = nullptr;
    QWidget* bottom_ = nullptr;
    QWidget* mainBox_ = nullptr;
    QWidget* commentBox_ = nullptr;
    QWidget* controlRow_ = nullptr;
    QWidget* extraPanel_ = nullptr;
    QComboBox* comboBox1_ = nullptr; // ID3v1 genre box
    QComboBox* comboBox2_ = nullptr; // ID3v2 genre list
    QComboBox* comboBox3_ = nullptr; // ID3v1 artist
    QComboBox* v2Artist_ = nullptr;
    QComboBox* comboBox5_ = nullptr;
    QComboBox* comboBox6_ = nullptr;
    QComboBox* copyrightBox_ = nullptr;
    QComboBox* encoderBox_ = nullptr;
    QCheckBox* idTagV1ChkBox_ = nullptr;
    QCheckBox* idTagV2ChkBox_ = nullptr;
    QCheckBox* scrollBox_ = nullptr;
    QCheckBox* stampBox_ = nullptr;
    QCheckBox* emptyBox_ = nullptr;
    QCheckBox* inputSwBox_ = nullptr;
    QPushButton* otherButton_ = nullptr;
    QLabel* tagSizeLabel_ = nullptr;
    QLabel* codeLabel_ = nullptr;
    QLabel* pictureDescLabel_ = nullptr;
    EditPanels* panels_ = nullptr;
    CellEditor* cellEditor_ = nullptr;
    int cellField_ = -1; // field the open in-place editor edits
    bool editingMultiLine_ = false;
    std::shared_ptr<EditorState> editor_; // shared: its type is incomplete in this header
    QColor boxFieldColour_;
    bool syncingCodes_ = false;
    QPushButton* cancelSwBtn_ = nullptr;
    QPushButton* speedButton8_ = nullptr;
    QPushButton* speedButton7_ = nullptr;
    QPushButton* tagDeleteV1_ = nullptr;
    QPushButton* tagDeleteV2_ = nullptr;
    QList<QPushButton*> writeButtons_;
    QList<QWidget*> busyDisabled_;
    QProgressBar* progress1_ = nullptr;
    QProgressBar* progress2_ = nullptr;
    std::map<Cmd, QAction*> actions_;
    std::map<Cmd, QToolButton*> toolButtons_;
    std::map<Cmd, QMenu*> menus_;
    QTimer timer1_;
    QTimer timer4_;

    // state
    QStringList pendingFolders_;
    QStringList queuedHandOvers_;
    QString lastSearchFolder_;
    QString lastAddedFile_;
    QString lastPlaylistPath_;
    QStringList artists_;
    bool artistsChanged_ = false;
    DropDownLists dropDowns_;
    bool cancelRequested_ = false;
    bool gathering_ = false;
    bool busy_ = false;
    bool closing_ = false;
    bool firstShown_ = false;
    bool timer1First_ = true;
    bool renumberAfterFetch_ = false;
    bool companion_ = false;
    bool playAfterAdd_ = false;
    bool syncingSelection_ = false;
    bool fitting_ = false;
    bool sendToLinked_ = false;
    bool hadSelection_ = false;
    bool hadRows_ = false;
    bool uiStateKnown_ = false;
    int rangeStart_ = -1;
    int gatherings_ = 0;
    std::unique_ptr<InstanceServer> instance_;
};

} // namespace quillory
