// The main window's commands: adding files, the list's own buttons, the genre list,
// the busy state, the pop-up rules and the main-thread side of the workers.
#include "app/ui/MainWindow.h"

#include "app/EditorState.h"
#include "app/GenreLists.h"
#include "app/HandOver.h"
#include "app/PopupRules.h"
#include "app/ui/GuiPrompt.h"
#include "app/ui/ListModel.h"
#include "app/ui/ListView.h"
#include "app/ui/MsgCancelDlg.h"
#include "app/ui/SingleInstance.h"
#include "app/ui/StatusBar.h"
#include "app/ui/TextDlg.h"
#include "gather/AddSources.h"
#include "gather/Gather.h"
#include "media/wma/WmaErrorGate.h"
#include "platform/CodePage.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

namespace quillory {

namespace {

// Progress and cancel of a gathering: the busy dialog's bar and its Cancel flag.
class BusyDialogPrompt : public UserPrompt {
public:
    BusyDialogPrompt(TMsgCancelDlg& dialog, const bool& cancel) : dialog_(dialog), cancel_(cancel) { clock_.start(); }
    void ShowMessage(const QString&, const QString&, PromptIcon) override {}
    Answer Ask(Question& q) override { return q.buttons.isEmpty() ? Answer::Cancel : q.buttons.back(); }
    void Progress(int max) override
    {
        dialog_.progressBar()->setRange(0, std::max(1, max));
        dialog_.progressBar()->setValue(0);
    }
    void Step(int n) override
    {
        QProgressBar* b = dialog_.progressBar();
        b->setValue(std::min(b->maximum(), b->value() + n));
    }
    bool Cancelled() override { return cancel_; }
    void PumpEvents() override
    {
        // Enough to repaint and to see Cancel, without a round of events per file.
        if (clock_.elapsed() - last_ < 15)
            return;
        last_ = clock_.elapsed();
        QApplication::processEvents();
    }

private:
    TMsgCancelDlg& dialog_;
    const bool& cancel_;
    QElapsedTimer clock_;
    qint64 last_ = -1000;
};

QString pathsToText(const QStringList& paths)
{
    return paths.join(QStringLiteral("\r\n"));
}

} // namespace

// ---- adding files ---------------------------------------------------------------------

void TDU3ZiruVozivDlg::GatherPaths(const QString& pathText, const QString& title)
{
    if (pathText.isEmpty() && pendingFolders_.isEmpty())
        return;
    if (gathering_ || busy_ || closing_ || work_->inWorkerCall()) {
        // A hand-over while the list is being changed (or while a row is being read
        // under a message box) waits for its turn.
        if (!closing_) {
            queuedHandOvers_ << pathText;
            QTimer::singleShot(100, this, &TDU3ZiruVozivDlg::processQueuedHandOvers);
        }
        return;
    }
    runGathering(pathText, title);
    processQueuedHandOvers();
}

void TDU3ZiruVozivDlg::runGathering(const QString& pathText, const QString& title)
{
    gathering_ = true;
    wmaGate_->ClearSkipOpenErrors();
    cancelRequested_ = false;
    TMsgCancelDlg dialog(this, &cancelRequested_);
    dialog.setWindowTitle(title.isEmpty() ? kAddFilesTitle : title);
    dialog.setMessage(kGatherMessage);
    BusyDialogPrompt busy(dialog, cancelRequested_);
    const QStringList folders = pendingFolders_;
    dialog.setWork([&] {
        work_->StopUiUpdater();
        work_->StopTagFetch();
        const int before = store_.count();
        std::vector<const ListRow*> old;
        old.reserve(std::size_t(before));
        for (int i = 0; i < before; ++i)
            old.push_back(&store_.row(i));
        GatherOptions options;
        options.extensions = AcceptedExtensions();
        options.removeDuplicates = settings_.doubleCheck;
        list_->setUpdatesEnabled(false);
        ::quillory::GatherPaths(store_, pathText, folders, options, &busy);
        bool kept = store_.count() >= before;
        for (int i = 0; kept && i < before; ++i)
            kept = &store_.row(i) == old[std::size_t(i)];
        if (kept) {
            model_->rowsAppended();
        } else {
            model_->rowsReset();
            syncViewSelectionFromStore();
        }
        list_->setUpdatesEnabled(true);
        pendingFolders_.clear();
        progress2_->setRange(0, std::max(1, store_.count()));
        startFetch(true);
        work_->StartUiUpdater();
    });
    dialog.exec();
    gathering_ = false;
    ++gatherings_;
    showRowCount();
    Q_EMIT gatheringFinished();
}

void TDU3ZiruVozivDlg::processQueuedHandOvers()
{
    if (queuedHandOvers_.isEmpty() || closing_)
        return;
    if (gathering_ || busy_ || work_->inWorkerCall()) {
        QTimer::singleShot(100, this, &TDU3ZiruVozivDlg::processQueuedHandOvers);
        return;
    }
    while (!queuedHandOvers_.isEmpty() && !gathering_ && !busy_ && !closing_) {
        QString text = queuedHandOvers_.takeFirst();
        runGathering(text, kApplicationTitle);
    }
}

void TDU3ZiruVozivDlg::ListAddFolderMenuClick()
{
    if (gathering_ || busy_)
        return;
    work_->SuspendUiUpdater();
    QString start = NearestExistingFolder(lastSearchFolder_);
    QString folder = chooseFolder ? chooseFolder(start)
                                  : QFileDialog::getExistingDirectory(this, kFolderDialogTitle, start,
                                                                      QFileDialog::ShowDirsOnly);
    work_->ResumeUiUpdater();
    if (folder.isEmpty())
        return;
    pendingFolders_ = {folder};
    lastSearchFolder_ = folder;
    status_->setEnabled(false);
    GatherPaths(folder, kAddFilesTitle);
    status_->setEnabled(true);
    showRowCount();
}

void TDU3ZiruVozivDlg::ListAddFileMenuClick(int tag)
{
    if (gathering_ || busy_)
        return;
    QString text;
    work_->SuspendUiUpdater();
    if (tag == 0) {
        QString start = !lastAddedFile_.isEmpty() ? FileDialogStartFolder(lastAddedFile_, lastSearchFolder_)
                        : !settings_.fileDir.isEmpty() ? settings_.fileDir
                                                        : lastSearchFolder_;
        QStringList files = chooseFiles ? chooseFiles(kOpenFileTitle, kMusicFileFilter, start, true)
                                        : QFileDialog::getOpenFileNames(this, kOpenFileTitle, start, kMusicFileFilter);
        work_->ResumeUiUpdater();
        if (files.isEmpty())
            return;
        lastAddedFile_ = files.first();
        text = pathsToText(files);
    } else {
        QString title = PlaylistDialogTitle(lastPlaylistPath_, PlayerMusicFolder());
        QStringList files = chooseFiles ? chooseFiles(title, kPlaylistFilter, lastPlaylistPath_, false)
                                        : QStringList{QFileDialog::getOpenFileName(this, title, lastPlaylistPath_,
                                                                                   kPlaylistFilter)};
        work_->ResumeUiUpdater();
        if (files.isEmpty() || files.first().isEmpty())
            return;
        lastPlaylistPath_ = files.first();
        // The playlist itself: its lines are read and taken against its folder.
        text = files.first();
    }
    pendingFolders_.clear();
    status_->setEnabled(false);
    GatherPaths(text, kAddFilesTitle);
    status_->setEnabled(true);
    showRowCount();
}

void TDU3ZiruVozivDlg::Paste1Click()
{
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (!data)
        return;
    QStringList paths = LocalPathsFromMimeData(*data);
    if (paths.isEmpty())
        return;
    GatherPaths(pathsToText(paths), QString());
}

void TDU3ZiruVozivDlg::DropFiles(const QStringList& paths)
{
    if (!paths.isEmpty())
        GatherPaths(pathsToText(paths), QString());
}

void TDU3ZiruVozivDlg::AddHandedOverPaths(const QString& pathText)
{
    if (pathText.isEmpty())
        return;
    GatherPaths(pathText, kApplicationTitle);
}

void TDU3ZiruVozivDlg::onCopyData(quint32 id, const QByteArray& payload)
{
    if (id != kHandOverDataId)
        return;
    QString text = DecodeWidePayload(payload);
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
    // Handled once the socket's own event is over.
    QTimer::singleShot(0, this, [this, text] { AddHandedOverPaths(text); });
}

// ---- the list's own commands ----------------------------------------------------------

void TDU3ZiruVozivDlg::startFetch(bool asked)
{
    if (!asked || closing_)
        return;
    action(Cmd::Refresh)->setEnabled(false);
    progress2_->setValue(0);
    progress2_->setVisible(true);
    work_->StartTagFetch(true);
}

void TDU3ZiruVozivDlg::Delete1Click()
{
    if (store_.selectedCount() == 0 || gathering_ || busy_)
        return;
    work_->StopUiUpdater();
    bool wasFetching = work_->StopTagFetch();
    list_->setEnabled(false);
    model_->setMassUpdate(true);
    DeleteSelectedRows(store_);
    model_->rowsReset();
    model_->setMassUpdate(false);
    syncViewSelectionFromStore();
    list_->setEnabled(true);
    showRowCount();
    RecountAndShowButtons();
    if (store_.empty()) {
        clearEditors();
        progress2_->setVisible(false);
        action(Cmd::Refresh)->setEnabled(true);
    } else if (wasFetching) {
        startFetch(true);
    } else {
        progress2_->setVisible(false);
        action(Cmd::Refresh)->setEnabled(true);
    }
    work_->StartUiUpdater();
}

void TDU3ZiruVozivDlg::MoveSelectedRowsOnce(int direction)
{
    std::vector<int> before = store_.selectedIndexes();
    int scrollTo = store_.MoveSelectedRows(direction);
    if (scrollTo < 0)
        return;
    model_->rowsChanged(before.front() - 1, before.back() + 1);
    syncViewSelectionFromStore();
    list_->scrollTo(model_->index(scrollTo, 0));
    // A row not read yet may have moved behind the fetcher.
    if (work_->fetchBusy())
        work_->RewindFetcher();
}

void TDU3ZiruVozivDlg::ToolButton15MouseDown(int tag)
{
    moveDirection_ = tag == 0 ? -1 : 1;
    timer4_.start(moveRepeat_.start());
}

void TDU3ZiruVozivDlg::moveTimerTick()
{
    if (!moveRepeat_.running())
        return;
    MoveSelectedRowsOnce(moveDirection_);
    timer4_.start(moveRepeat_.tick());
}

void TDU3ZiruVozivDlg::ToolButton15MouseUp()
{
    // A click shorter than the first interval still moves once.
    bool moved = timer4_.isActive() && timer4_.interval() != 10;
    if (timer4_.isActive() && !moved && moveRepeat_.running())
        MoveSelectedRowsOnce(moveDirection_);
    timer4_.stop();
    moveRepeat_.stop();
}

void TDU3ZiruVozivDlg::RefreshMenuClick()
{
    if (busy_ || gathering_ || work_->fetchBusy() || progress1_->value() != 0)
        return;
    wmaGate_->ClearSkipOpenErrors();
    const bool large = store_.count() > 1000;
    if (large)
        SetBusyState(true);
    else
        work_->SuspendUiUpdater();
    status_->setEnabled(false);
    int removed = loader_->RevertRows(store_, true, true, false, true, guiPrompt_.get());
    if (removed > 0) {
        model_->rowsReset();
        syncViewSelectionFromStore();
    } else {
        list_->viewport()->update();
    }
    status_->setEnabled(true);
    cancelSwBtn_->setChecked(false);
    if (large) {
        SetBusyState(false);
    } else {
        progress1_->setValue(0);
        work_->ResumeUiUpdater();
    }
    showRowCount();
}

void TDU3ZiruVozivDlg::ToolBarOnMenuClick(Cmd item)
{
    QAction* a = action(item);
    if (!a)
        return;
    const bool on = a->isChecked();
    switch (item) {
    case Cmd::ShowToolBar: toolBar_->setVisible(on); break;
    case Cmd::ShowMainTagBox: mainBox_->setVisible(on); break;
    case Cmd::ShowCommentTagBox: commentBox_->setVisible(on); break;
    default: return;
    }
    const bool main = action(Cmd::ShowMainTagBox)->isChecked();
    const bool comment = action(Cmd::ShowCommentTagBox)->isChecked();
    bottom_->setFixedHeight((main ? mainBox_->height() : 0) + (comment ? commentBox_->height() : 0) +
                            controlRow_->height());
    speedButton8_->setVisible(!main);
    speedButton7_->setVisible(!main);
}

void TDU3ZiruVozivDlg::ToolButton11Click(bool)
{
    SetVisibleColumns();
}

std::vector<int> TDU3ZiruVozivDlg::columnWidths() const
{
    std::vector<int> w(kListColumnCount);
    for (int c = 0; c < kListColumnCount; ++c)
        w[std::size_t(c)] = list_->isColumnHidden(c) ? 0 : list_->columnWidth(c);
    return w;
}

void TDU3ZiruVozivDlg::SetVisibleColumns()
{
    const bool v1 = store_.side() == PrimarySide::V1;
    columns_.SetVisibleColumns(settings_.tagAdd, v1, action(Cmd::FitToWindow)->isChecked(), columnWidths());
    applyColumnGeometry();
    fitColumns();
}

void TDU3ZiruVozivDlg::applyColumnGeometry()
{
    fitting_ = true;
    const auto& g = columns_.geometry();
    for (int c = 0; c < kListColumnCount; ++c) {
        const ColumnGeometry& cg = g[std::size_t(c)];
        bool hidden = cg.maxWidth <= 1 || cg.width <= 0;
        list_->setColumnHidden(c, hidden);
        if (!hidden)
            list_->horizontalHeader()->resizeSection(c, cg.width);
    }
    fitting_ = false;
}

void TDU3ZiruVozivDlg::fitColumns()
{
    if (fitting_ || !list_)
        return;
    const auto& g = columns_.geometry();
    bool any = false;
    for (const ColumnGeometry& cg : g)
        any = any || cg.autoSize;
    if (!any)
        return;
    fitting_ = true;
    std::vector<int> fit = columns_.FitWidths(list_->viewport()->width(), columnWidths());
    for (int c = 0; c < kListColumnCount; ++c)
        if (g[std::size_t(c)].autoSize && !list_->isColumnHidden(c))
            list_->horizontalHeader()->resizeSection(c, fit[std::size_t(c)]);
    fitting_ = false;
}

QString TDU3ZiruVozivDlg::selectedPath() const
{
    int r = firstSelectedRow();
    return r < 0 ? QString() : store_.row(r).path();
}

int TDU3ZiruVozivDlg::firstSelectedRow() const
{
    for (int i = 0; i < store_.count(); ++i)
        if (store_.row(i).selected)
            return i;
    return -1;
}

void TDU3ZiruVozivDlg::N5Click()
{
    QString path = selectedPath();
    if (!path.isEmpty())
        QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
}

void TDU3ZiruVozivDlg::N49Click()
{
    QString path = selectedPath();
    if (!path.isEmpty())
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

namespace {
QString clockClass(int tag)
{
    return tag == 0 ? QStringLiteral("TMorvaClockDlg") : QStringLiteral("TLarkspanDlg");
}
} // namespace

bool TDU3ZiruVozivDlg::clockReceiverRunning(int tag) const
{
    return InstanceRunning(CompanionServerName(clockClass(tag), CurrentUserName()), 30);
}

void TDU3ZiruVozivDlg::N9Click(int tag)
{
    std::vector<int> sel = store_.selectedIndexes();
    if (sel.empty())
        return;
    QString name = CompanionServerName(clockClass(tag), CurrentUserName());
    if (!InstanceRunning(name, 30))
        return;
    CopyData m;
    m.id = kClockDataId;
    if (tag == 0) {
        std::string bytes = CodePage::fromUnicode(store_.row(sel.front()).path(), '?');
        m.payload = QByteArray(bytes.data(), qsizetype(bytes.size()));
        m.payload.append('\0');
    } else {
        QStringList lines;
        QString artist = GetRowField(store_.row(sel.front()), v2Base(store_.side()), FieldArtist);
        if (!artist.isEmpty())
            lines << QStringLiteral("\\@\\") + artist;
        for (int i : sel)
            lines << store_.row(i).path();
        m.payload = EncodeWidePayload(lines.join(QStringLiteral("\r\n")));
    }
    SendCopyData(name, m, 1000);
}

// ---- genres ----------------------------------------------------------------------------

void TDU3ZiruVozivDlg::FillGenreLists()
{
    GenreBoxes b = ::quillory::FillGenreLists(genres_, settings_.tconSortV1,
                                              ReadGenreFile(folders_.userData + QLatin1Char('/') + kGenreFileName));
    comboBox1_->clear();
    comboBox1_->addItems(b.v1Box);
    comboBox1_->setCurrentIndex(-1);
    QString keep = comboBox2_->currentText();
    comboBox2_->clear();
    comboBox2_->addItems(b.v2List);
    comboBox2_->setEditText(keep);
}

void TDU3ZiruVozivDlg::SwitchButton2Click()
{
    QStringList current;
    for (int i = 0; i < comboBox2_->count(); ++i)
        current << comboBox2_->itemText(i);
    QString text = current.join(QLatin1Char('\n'));
    std::optional<QString> edited;
    work_->SuspendUiUpdater();
    if (editGenreText) {
        edited = editGenreText(text);
    } else {
        TTextDlg dialog(this, kGenreEditorCaption);
        dialog.setText(text);
        dialog.showButtons(true);
        if (dialog.exec() == QDialog::Accepted)
            edited = dialog.text();
    }
    work_->ResumeUiUpdater();
    if (!edited)
        return;
    WriteGenreFile(folders_.userData + QLatin1Char('/') + kGenreFileName, GenreListFromText(*edited));
    FillGenreLists();
}

// ---- busy state ----------------------------------------------------------------------

void TDU3ZiruVozivDlg::SetBusyState(bool on)
{
    busy_ = on;
    if (on) {
        work_->SuspendUiUpdater();
        for (QWidget* w : busyDisabled_)
            w->setEnabled(false);
        for (Cmd m : {Cmd::FileMenu, Cmd::EditMenu, Cmd::ViewMenu, Cmd::Options})
            action(m)->setEnabled(false);
        toolBar_->setEnabled(false);
        for (QPushButton* b : writeButtons_)
            b->setVisible(false);
        cancelSwBtn_->setChecked(false);
        cancelSwBtn_->setVisible(true);
        progress1_->setValue(0);
        tagDeleteV1_->setEnabled(false);
        tagDeleteV2_->setEnabled(false);
    } else {
        // The panels themselves stay enabled (their view boxes live in them); the
        // layout of the shown view enables the boxes inside.
        for (QWidget* w : busyDisabled_)
            enableIfAvailable(w, true);
        applyCurrentTagViewLayout();
        for (Cmd m : {Cmd::FileMenu, Cmd::EditMenu, Cmd::ViewMenu, Cmd::Options})
            enableActionIfAvailable(action(m), true);
        toolBar_->setEnabled(true);
        for (QPushButton* b : writeButtons_)
            b->setVisible(true);
        cancelSwBtn_->setVisible(false);
        cancelSwBtn_->setChecked(false);
        progress1_->setValue(0);
        // The delete buttons wait for the next UI-state update.
        tagDeleteV1_->setEnabled(false);
        tagDeleteV2_->setEnabled(false);
        work_->ResumeUiUpdater();
    }
}

// ---- the pop-up --------------------------------------------------------------------

void TDU3ZiruVozivDlg::PopupMenu1Popup()
{
    PopupState s;
    s.selectedCount = store_.selectedCount();
    s.rowCount = store_.count();
    s.currentColumn = list_->currentColumn();
    s.v2View = store_.side() == PrimarySide::V2;
    s.companionCaller = companion_;
    if (const QMimeData* data = QApplication::clipboard()->mimeData())
        s.clipboardHasAcceptedFile = PasteableFileList(LocalPathsFromMimeData(*data), AcceptedExtensions());
    s.selectedExtension = LowerExtension(selectedPath());
    s.englishGenresAvailable = true;
    const auto* pictureButton = findChild<QPushButton*>(QStringLiteral("SpeedButton5"));
    const EntryState edit = EditEntryState(s.rowCount, s.selectedCount, s.currentColumn,
                                           pictureButton && pictureButton->isEnabled());
    s.editVisible = edit.visible;
    s.rangeStart = rangeStart_;
    if (s.selectedCount > 0) {
        s.analogClockRunning = clockReceiverRunning(0);
        s.clockPlusRunning = clockReceiverRunning(1);
    }
    PopupDecision d = ::quillory::PopupMenu1Popup(s);
    d.entries[Cmd::EditCell] = edit;
    for (const auto& [id, st] : d.entries) {
        QAction* a = action(id);
        if (!a)
            continue;
        a->setVisible(st.visible);
        enableActionIfAvailable(a, st.enabled);
    }
    action(Cmd::RangeStart)->setText(d.rangeStartCaption);
}

// ---- the workers' calls ------------------------------------------------------------

int TDU3ZiruVozivDlg::FetchRowCount()
{
    return model_->rowCount();
}

int TDU3ZiruVozivDlg::FetchNextRow(int from, int count)
{
    const int n = std::min(count, store_.count());
    for (int i = std::max(from, 0); i < n; ++i) {
        ListRow& r = store_.row(i);
        if (r.isRead())
            continue;
        loader_->LoadRow(store_, i, r.path(), true, true, false);
        list_->refreshRow(i);
        return i;
    }
    return count;
}

void TDU3ZiruVozivDlg::ReportFetchProgress(int index)
{
    status_->setPanel0(QString::number(index));
    progress2_->setValue(std::min(index, progress2_->maximum()));
}

void TDU3ZiruVozivDlg::FinishTagFetch()
{
    if (closing_)
        return;
    action(Cmd::Refresh)->setEnabled(true);
    progress2_->setVisible(false);
    if (renumberAfterFetch_) {
        renumberAfterFetch_ = false;
        store_.RenumberRows(false);
        syncViewSelectionFromStore();
    }
    list_->viewport()->update();
    showRowCount();
    Q_EMIT fetchFinished();
}

void TDU3ZiruVozivDlg::LoadVisibleRow(int index)
{
    if (index < 0 || index >= store_.count())
        return;
    ListRow& r = store_.row(index);
    if (r.isRead())
        return;
    r.caption = QString::number(index + 1);
    loader_->LoadRow(store_, index, r.path(), true, true, false);
    list_->refreshRow(index);
}

void TDU3ZiruVozivDlg::RepaintList()
{
    list_->viewport()->update();
}

void TDU3ZiruVozivDlg::UpdateUiState()
{
    if (closing_)
        return;
    const bool hasSelection = store_.selectedCount() > 0;
    const bool hasRows = !store_.empty();
    const auto& buttons = ToolBarButtons();
    if (!uiStateKnown_ || hasSelection != hadSelection_) {
        for (std::size_t i = std::size_t(FirstSelectionToolButton()); i < buttons.size(); ++i) {
            if (buttons[i].isSeparator() || buttons[i].tag >= 100)
                continue;
            if (QToolButton* b = toolButton(buttons[i].id))
                enableIfAvailable(b, hasSelection);
        }
        hadSelection_ = hasSelection;
    }
    if (!uiStateKnown_ || hasRows != hadRows_) {
        for (const ToolButtonDef& def : buttons)
            if (def.tag == 100 || def.tag == 101)
                if (QToolButton* b = toolButton(def.id))
                    enableIfAvailable(b, hasRows);
        hadRows_ = hasRows;
    }
    uiStateKnown_ = true;
    // The delete button of the shown tag follows the selected row's tag kind.
    int r = firstSelectedRow();
    QString kind = r >= 0 ? store_.row(r).sub[ColTagKind] : QString();
    bool deletable = kind.contains(QLatin1String("v1")) || kind.contains(QLatin1String("v2")) ||
                     kind == QLatin1String("wma") || kind == QLatin1String("riff");
    enableIfAvailable(store_.side() == PrimarySide::V2 ? tagDeleteV2_ : tagDeleteV1_, deletable && !busy_);
    // Entries of the v2 side only, and the box buttons mirroring their menu checks.
    action(Cmd::TrimSpaces)->setVisible(store_.side() == PrimarySide::V2 && hasSelection);
    list_->viewport()->setToolTip(hasRows ? QString() : kEmptyListHint);
    list_->viewport()->setStatusTip(hasRows ? QString() : kEmptyListHint);
    work_->setMouseButtonDown(QApplication::mouseButtons() & Qt::LeftButton);
}

// ---- selection and status -----------------------------------------------------------

void TDU3ZiruVozivDlg::selectRows(const std::vector<int>& rows)
{
    for (int i = 0; i < store_.count(); ++i)
        store_.row(i).selected = false;
    for (int i : rows)
        if (i >= 0 && i < store_.count())
            store_.row(i).selected = true;
    syncViewSelectionFromStore();
    if (!rows.empty())
        setStatusPath(rows.front());
    ShowSelectedRowInEditors();
}

void TDU3ZiruVozivDlg::syncViewSelectionFromStore()
{
    QItemSelection sel;
    const int n = std::min(store_.count(), model_->rowCount());
    for (int i = 0; i < n;) {
        if (!store_.row(i).selected) {
            ++i;
            continue;
        }
        int j = i;
        while (j + 1 < n && store_.row(j + 1).selected)
            ++j;
        sel.select(model_->index(i, 0), model_->index(j, kListColumnCount - 1));
        i = j + 1;
    }
    syncingSelection_ = true;
    list_->selectionModel()->select(sel, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    syncingSelection_ = false;
    list_->viewport()->update();
}

void TDU3ZiruVozivDlg::onSelectionChanged()
{
    ShowSelectedRowInEditors();
    QModelIndex cur = list_->selectionModel()->currentIndex();
    if (cur.isValid() && cur.row() < store_.count() && store_.row(cur.row()).selected)
        setStatusPath(cur.row());
}

void TDU3ZiruVozivDlg::onDataHint(int first, int last)
{
    work_->OnDataHint(first, last);
}

void TDU3ZiruVozivDlg::showRowCount()
{
    status_->setPanel0(QString::number(store_.count()));
    status_->setRowCount(store_.count());
}

void TDU3ZiruVozivDlg::setStatusPath(int row)
{
    if (row < 0 || row >= store_.count())
        return;
    QString path = store_.row(row).path();
    QIcon icon;
    if (AcceptedExtensions().contains(LowerExtension(path))) {
        static QFileIconProvider provider;
        icon = provider.icon(QFileInfo(path));
    }
    status_->setPath(path, icon);
}

void TDU3ZiruVozivDlg::clearEditors()
{
    for (QWidget* box : {mainBox_, commentBox_, extraPanel_}) {
        for (QLineEdit* e : box->findChildren<QLineEdit*>()) {
            if (qobject_cast<QComboBox*>(e->parentWidget()))
                continue;
            e->clear();
        }
        for (QComboBox* c : box->findChildren<QComboBox*>()) {
            if (c->property("tag").toInt() >= 200)
                continue;
            c->setCurrentIndex(-1);
            if (c->isEditable())
                c->clearEditText();
        }
        for (QPlainTextEdit* m : box->findChildren<QPlainTextEdit*>())
            m->clear();
    }
}

} // namespace quillory
