// The main window's editing: the edit boxes and their events, the ID3v1/ID3v2 view
// switch, the write buttons' run, the tag copy, the input box, the in-place editor,
// the current column from the mouse and the arrow keys, and the larger editors of the
// multi-line boxes.
#include "app/ui/MainWindow.h"

#include "app/EditorState.h"
#include "app/FieldEditing.h"
#include "app/UserPrompt.h"
#include "app/ui/CellEditor.h"
#include "app/ui/EditPanels.h"
#include "app/ui/InputDlg.h"
#include "app/ui/ListView.h"
#include "app/ui/StatusBar.h"
#include "app/ui/TextDlg.h"
#include "app/ui/TextEditorLauncher.h"
#include "media/TagCopy.h"
#include "media/wma/WmaErrorGate.h"
#include "tags/Writer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QPushButton>
#include <QSignalBlocker>

namespace quillory {

namespace {

// A write run's questions go to the window's prompt; its progress goes to the main
// bar and "中止" stops it, whoever answers the questions.
class WriteRunPrompt : public UserPrompt {
public:
    WriteRunPrompt(UserPrompt& inner, QProgressBar* bar, QAbstractButton* cancel)
        : inner_(inner), bar_(bar), cancel_(cancel) {}
    void ShowMessage(const QString& title, const QString& text, PromptIcon icon) override
    {
        inner_.ShowMessage(title, text, icon);
    }
    Answer Ask(Question& q) override { return inner_.Ask(q); }
    void Progress(int max) override
    {
        bar_->setRange(0, std::max(1, max));
        bar_->setValue(0);
    }
    void Step(int n) override { bar_->setValue(std::min(bar_->maximum(), bar_->value() + n)); }
    bool Cancelled() override { return (cancel_ && cancel_->isChecked()) || inner_.Cancelled(); }
    void PumpEvents() override { QApplication::processEvents(); }

private:
    UserPrompt& inner_;
    QProgressBar* bar_;
    QAbstractButton* cancel_;
};

class WindowWriterView : public WriterView {
public:
    WindowWriterView(TMyListView* list, TStatusBar* status, bool scroll, std::function<void(int)> written)
        : list_(list), status_(status), scroll_(scroll), written_(std::move(written)) {}
    void ScrollToRow(int index) override
    {
        if (scroll_ && list_->model())
            list_->scrollTo(list_->model()->index(index, 0));
        // The row before this one is done.
        if (last_ >= 0 && written_)
            written_(last_);
        last_ = index;
    }
    void RowChanged(int index) override { list_->refreshRow(index); }
    void ShowStatus(const QString& text) override { status_->setPath(text, QIcon()); }
    void finish()
    {
        if (last_ >= 0 && written_)
            written_(last_);
        last_ = -1;
    }

private:
    TMyListView* list_;
    TStatusBar* status_;
    bool scroll_;
    std::function<void(int)> written_;
    int last_ = -1;
};

} // namespace

void TDU3ZiruVozivDlg::buildEditing()
{
    editor_ = std::make_shared<EditorState>();
    panels_ = new EditPanels(mainBox_, commentBox_, extraPanel_, this);
    connect(list_, &TMyListView::rowDoubleClicked, this, [this](int row, int) {
        if (inputSwBox_->isChecked())
            OpenInputBox(row);
    });
    cellEditor_ = new CellEditor(list_, this);
    connect(cellEditor_, &CellEditor::committed, this, &TDU3ZiruVozivDlg::onCellEditorCommitted);
    connect(cellEditor_, &CellEditor::cancelled, this, [this] {
        editor_->captured.clear();
        cellField_ = -1;
        list_->setFocus(Qt::OtherFocusReason);
    });
    // The list scrolling away from the cell ends the edit.
    connect(list_->verticalScrollBar(), &QScrollBar::valueChanged, this, &TDU3ZiruVozivDlg::EndCellEditor);
    connect(list_->horizontalScrollBar(), &QScrollBar::valueChanged, this, &TDU3ZiruVozivDlg::EndCellEditor);
    list_->viewport()->installEventFilter(this);
    connect(action(Cmd::EditCell), &QAction::triggered, this, [this] { EditCellClick(firstSelectedRow()); });
    for (EditBox b : {EditBox::V2Comment, EditBox::Lyrics})
        if (auto* m = qobject_cast<QPlainTextEdit*>(panels_->widget(b)))
            m->viewport()->installEventFilter(this);
    connect(panels_, &EditPanels::changed, this, &TDU3ZiruVozivDlg::BoxChangedEvent);
    connect(panels_, &EditPanels::focused, this, [this](EditBox b) {
        const Repaint r = BoxFocused(*editor_, b, settings_.tagAdd, store_.selectedCount());
        list_->setCurrentColumn(editor_->currentColumn);
        if (r == Repaint::Row)
            list_->refreshRow(firstSelectedRow());
        else if (r == Repaint::List)
            list_->viewport()->update();
    });
    connect(panels_, &EditPanels::left, this, [this](EditBox b, const QString& text) {
        BoxLeft(*editor_, b, text, dropDowns_);
        refreshDropDowns();
        if (b == EditBox::V1Artist || b == EditBox::V2Artist)
            addArtist(text);
    });
}

void TDU3ZiruVozivDlg::applyCurrentTagViewLayout()
{
    applyTagViewLayout(CurrentTagViewLayout(*editor_, store_.selectedCount() > 0));
}

// ---- editing ------------------------------------------------------------------------

EditContext TDU3ZiruVozivDlg::editContext()
{
    EditContext c(store_, *editor_, prompt());
    c.genres = &genres_;
    c.listCheck = settings_.listCheck;
    c.playingIndex = -1; // no preview player yet
    return c;
}

QPushButton* TDU3ZiruVozivDlg::writeButton(int tag) const
{
    for (QPushButton* b : writeButtons_)
        if (b->property("tag").toInt() == tag)
            return b;
    return nullptr;
}

QCheckBox* TDU3ZiruVozivDlg::tagViewBox(int tag) const
{
    return tag == 1 ? idTagV1ChkBox_ : idTagV2ChkBox_;
}

void TDU3ZiruVozivDlg::applyWriteButtons()
{
    if (busy_)
        return;
    if (QPushButton* b = writeButton(1))
        b->setEnabled(editor_->buttons.v1);
    if (QPushButton* b = writeButton(2))
        b->setEnabled(editor_->buttons.v2);
    if (QPushButton* b = writeButton(0))
        b->setEnabled(editor_->buttons.both);
}

void TDU3ZiruVozivDlg::RecountAndShowButtons()
{
    RecountChanges(*editor_, store_);
    applyWriteButtons();
}

void TDU3ZiruVozivDlg::refreshDropDowns()
{
    auto refill = [](QComboBox* c, const QStringList& items) {
        if (c->count() == items.size())
            return;
        QSignalBlocker b(c);
        const QString text = c->currentText();
        c->clear();
        c->addItems(items);
        c->setEditText(text);
    };
    refill(copyrightBox_, dropDowns_.copyright);
    refill(encoderBox_, dropDowns_.encoder);
}

void TDU3ZiruVozivDlg::ShowSelectedRowInEditors()
{
    if (closing_ || !panels_)
        return;
    const int r = firstSelectedRow();
    const ListRow* row = r >= 0 ? &store_.row(r) : nullptr;
    FrameTextCodes codes;
    if (row && row->isRead())
        codes = ReadFrameTextCodes(row->path());
    const EditorContents c = ShowRowInEditors(row, store_.side(), &genres_, &codes, false);
    FillGuard g(*editor_);
    panels_->show(c);
    comboBox2_->setToolTip(c.v2GenreHint);
    comboBox1_->setToolTip(c.v1GenreHint);
    tagSizeLabel_->setText(c.tagSizeLabel);
    if (c.encodingLabelUpdated)
        codeLabel_->setText(c.encodingLabel);
    pictureDescLabel_->setText(c.pictureDescriptionLabel);
    pictureDescLabel_->setToolTip(ShortHint(c.pictureDescriptionHint));
}

void TDU3ZiruVozivDlg::BoxChangedEvent(EditBox box, const QString& text)
{
    if (busy_)
        return;
    QString partner;
    if (box == EditBox::DiscNumber)
        partner = panels_->text(EditBox::DiscCount);
    else if (box == EditBox::DiscCount)
        partner = panels_->text(EditBox::DiscNumber);
    EditContext c = editContext();
    // The part-of-set boxes: the core wants the disc number first.
    const EditOutcome o = box == EditBox::DiscCount ? BoxChanged(c, EditBox::DiscNumber, partner, text)
                                                    : BoxChanged(c, box, text, partner);
    if (o.ignored)
        return;
    if (o.cancelled) {
        // The boxes show the selection's values again; the focus stays where it was.
        const bool v1 = editor_->v1Editing, v2 = editor_->v2Editing;
        ShowSelectedRowInEditors();
        editor_->v1Editing = v1;
        editor_->v2Editing = v2;
    }
    applyWriteButtons();
    list_->viewport()->update();
}

void TDU3ZiruVozivDlg::applyTagViewLayout(const TagViewLayout& l)
{
    {
        QSignalBlocker b1(idTagV1ChkBox_), b2(idTagV2ChkBox_);
        idTagV1ChkBox_->setChecked(l.v1Checked);
        idTagV2ChkBox_->setChecked(l.v2Checked);
    }
    if (!busy_) {
        for (int i = 0; i < kEditBoxCount; ++i) {
            const EditBox b = EditBox(i);
            if (QWidget* w = panels_->widget(b))
                w->setEnabled(IsV1Box(b) ? l.v1PanelEnabled : l.v2PanelsEnabled);
        }
        comboBox5_->setEnabled(l.v2PanelsEnabled);
        comboBox6_->setEnabled(l.v2PanelsEnabled);
        otherButton_->setEnabled(l.extraButtonEnabled);
    }
    if (!l.extraButtonEnabled)
        extraPanel_->setVisible(false);
    speedButton8_->setText(l.speedButton8Caption);
    panels_->setActiveBackground(l.v1BoxesActive, boxFieldColour_);
}

void TDU3ZiruVozivDlg::IDTagChkBoxMouseDown(int tag)
{
    if (busy_)
        return;
    const TagViewLayout l = IDTagV1ChkBoxMouseDown(*editor_, store_, tag, store_.selectedCount() > 0);
    applyTagViewLayout(l);
    if (l.switched) {
        ShowSelectedRowInEditors();
        RecountAndShowButtons();
        list_->viewport()->update();
    }
}

void TDU3ZiruVozivDlg::SpeedButton8Click()
{
    if (busy_)
        return;
    const TagViewLayout l = ::quillory::SpeedButton8Click(*editor_, store_, store_.selectedCount() > 0);
    applyTagViewLayout(l);
    ShowSelectedRowInEditors();
    RecountAndShowButtons();
    list_->viewport()->update();
}

void TDU3ZiruVozivDlg::SpeedButton12Click()
{
    // "その他" lies over the right part of the main tag box.
    if (extraPanel_->isVisible()) {
        extraPanel_->setVisible(false);
        return;
    }
    const QPoint at = mainBox_->mapTo(bottom_, QPoint(0, 0));
    extraPanel_->move(at.x() + std::max(0, mainBox_->width() / 2 - extraPanel_->width() / 2), at.y());
    extraPanel_->setVisible(true);
    extraPanel_->raise();
}

void TDU3ZiruVozivDlg::ComboBox5Change()
{
    if (syncingCodes_)
        return;
    syncingCodes_ = true;
    comboBox6_->setCurrentIndex(CodeComboAfterChange(comboBox5_->currentIndex(), comboBox6_->currentIndex()));
    syncingCodes_ = false;
}

void TDU3ZiruVozivDlg::ID3TagCopySpBtnClick(int tag)
{
    if (busy_ || store_.selectedCount() == 0)
        return;
    const bool wasFetching = work_->PauseFetching();
    scrollBox_->setChecked(false);
    const TagCopyResult r = ID3TagCopySpBtn2Click(store_, CopyDirection(tag), emptyBox_->isChecked(), &genres_);
    work_->ResumeFetching(wasFetching);
    if (r.ran) {
        ShowSelectedRowInEditors();
        RecountAndShowButtons();
    }
    list_->viewport()->update();
}

void TDU3ZiruVozivDlg::WriteButtonClick(int tag)
{
    if (busy_ || gathering_)
        return;
    if (tag == 0) {
        for (QPushButton* b : writeButtons_)
            b->setEnabled(false);
    } else if (QPushButton* b = writeButton(tag)) {
        b->setEnabled(false);
    }
    const bool wasFetching = work_->PauseFetching();
    SetBusyState(true);
    // The combos and "Stamp" of the moment decide new tags and file times.
    tagOptions_.versionIndex = comboBox5_->currentIndex();
    tagOptions_.encodingIndex = comboBox6_->currentIndex();
    tagOptions_.stamp = stampBox_->isChecked();
    WriteRunPrompt runPrompt(prompt(), progress1_, cancelSwBtn_);
    WindowWriterView view(list_, status_, settings_.writeScroll, onRowWritten);
    WriterContext ctx(tagOptions_, &genres_, runPrompt);
    ctx.wmaGate = wmaGate_.get();
    ctx.view = &view;
    ::quillory::WriteButtonClick(store_, WriteWhich(tag), ctx);
    view.finish();
    SetBusyState(false);
    RecountAndShowButtons();
    work_->ResumeFetching(wasFetching);
    ShowSelectedRowInEditors();
    list_->viewport()->update();
}

void TDU3ZiruVozivDlg::OpenInputBox(int row)
{
    if (busy_ || row < 0 || row >= store_.count() || !store_.row(row).selected)
        return;
    const int field = editor_->currentColumn;
    if (field < 0 || field == ColPicture || !store_.row(row).isRead())
        return;
    if (!CellEditAllowed(store_.row(row), field, store_.side()))
        return;
    QStringList v2Genres;
    for (int i = 0; i < comboBox2_->count(); ++i)
        v2Genres << comboBox2_->itemText(i);
    const QString current = GetRowField(store_.row(row), kShownBase, field);
    std::optional<QString> answer;
    if (answerInputBox) {
        answer = answerInputBox(field, current);
    } else {
        TInputDlg d(this, current, field, list_->model()->headerData(field + 1, Qt::Horizontal).toString());
        d.setChoices(InputBoxChoices(field, artists_, v2Genres, dropDowns_.copyright, dropDowns_.encoder,
                                     QDate::currentDate().year())
                         .join(QLatin1Char('\n')));
        if (d.exec() == QDialog::Accepted)
            answer = d.text();
    }
    if (!answer)
        return;
    EditContext c = editContext();
    InputBoxCommit(c, field, *answer, dropDowns_);
    refreshDropDowns();
    applyWriteButtons();
    ShowSelectedRowInEditors();
    list_->viewport()->update();
}

} // namespace quillory

// ---- the current column, the in-place editor and the multi-line editors ------------

namespace quillory {

void TDU3ZiruVozivDlg::setCurrentColumn(int field)
{
    editor_->currentColumn = field;
    list_->setCurrentColumn(field);
    list_->viewport()->update();
}

void TDU3ZiruVozivDlg::listMousePressed(const QPoint& pos)
{
    EndCellEditor();
    if (busy_)
        return;
    const int column = list_->columnAt(pos.x());
    setCurrentColumn(FieldOfListColumn(column, settings_.tagAdd, editor_->view() == 2));
}

bool TDU3ZiruVozivDlg::listKeyPressed(int key)
{
    if (busy_)
        return false;
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
        setCurrentColumn(MoveCurrentColumn(editor_->currentColumn, key == Qt::Key_Left ? -1 : 1, settings_.tagAdd,
                                           editor_->view() == 2));
        if (editor_->currentColumn >= 0 && list_->model()->rowCount() > 0) {
            const int row = std::max(0, list_->currentIndex().row());
            list_->scrollTo(list_->model()->index(row, columnOfSubItem(editor_->currentColumn)));
        }
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        OpenInputBox(firstSelectedRow());
        return true;
    case Qt::Key_F2:
        // The list's own label edit, which the in-place editor replaces.
        EditCellClick(firstSelectedRow());
        return true;
    default:
        return false;
    }
}

void TDU3ZiruVozivDlg::EditCellClick(int row)
{
    if (settings_.directEdit)
        StartCellEditor(row);
    else
        OpenInputBox(row);
}

void TDU3ZiruVozivDlg::StartCellEditor(int row)
{
    if (busy_ || row < 0 || row >= store_.count() || !store_.row(row).selected || !store_.row(row).isRead())
        return;
    EndCellEditor();
    if (!::quillory::StartCellEditor(*editor_, store_, row))
        return;
    const int field = editor_->currentColumn;
    const CellEditorShape shape = CellEditorShapeFor(field);
    QStringList choices;
    if (shape.combo) {
        QStringList v2Genres;
        for (int i = 0; i < comboBox2_->count(); ++i)
            v2Genres << comboBox2_->itemText(i);
        choices = InputBoxChoices(field, artists_, v2Genres, dropDowns_.copyright, dropDowns_.encoder,
                                  QDate::currentDate().year());
    }
    cellEditor_->open(row, columnOfSubItem(field), GetRowField(store_.row(row), kShownBase, field), shape, choices);
    if (cellEditor_->isOpen())
        cellField_ = field;
    else
        editor_->captured.clear();
}

void TDU3ZiruVozivDlg::EndCellEditor()
{
    if (cellEditor_ && cellEditor_->isOpen())
        cellEditor_->end();
}

void TDU3ZiruVozivDlg::onCellEditorCommitted(const QString& text, const QString& startText)
{
    const std::vector<int> captured = editor_->captured;
    const int field = cellField_;
    cellField_ = -1;
    if (busy_ || closing_ || field < 0) {
        editor_->captured.clear();
        return;
    }
    // The text belongs to the cell it was typed over, even when the focus went on to
    // a box that made another field current.
    const int current = editor_->currentColumn;
    editor_->currentColumn = field;
    EditContext c = editContext();
    const CellEditEnd end = ::quillory::EndCellEditor(c, text, startText, dropDowns_);
    editor_->currentColumn = current;
    if (end.repaintRowOnly) {
        if (!captured.empty())
            list_->refreshRow(captured.front());
        return;
    }
    if (field == FieldArtist)
        addArtist(text);
    refreshDropDowns();
    applyWriteButtons();
    ShowSelectedRowInEditors();
    list_->viewport()->update();
}

void TDU3ZiruVozivDlg::addArtist(const QString& text)
{
    if (AddToDropDownList(artists_, artistsChanged_, text))
        refreshArtistLists();
}

void TDU3ZiruVozivDlg::refreshArtistLists()
{
    for (QComboBox* c : {comboBox3_, v2Artist_}) {
        QSignalBlocker b(c);
        const QString text = c->currentText();
        c->clear();
        c->addItems(artists_);
        c->setEditText(text);
    }
}

bool TDU3ZiruVozivDlg::EditMultiLineBox(EditBox box)
{
    auto* memo = qobject_cast<QPlainTextEdit*>(panels_->widget(box));
    if (busy_ || editingMultiLine_ || !memo || !memo->isEnabled())
        return false;
    editingMultiLine_ = true;
    const QString title = box == EditBox::Lyrics ? QStringLiteral("歌詞") : QStringLiteral("コメント");
    const QString before = panels_->text(box);
    std::optional<QString> after;
    if (settings_.notepadEdit) {
        TextEditorLauncher launcher(folders_.work);
        after = launcher.EditInNotepad(title, before, [this] {
            QApplication::processEvents();
            return !closing_;
        });
    } else {
        TTextDlg d(this, title);
        d.setText(before);
        d.showButtons(true);
        if (d.exec() == QDialog::Accepted && d.modified())
            after = d.text();
    }
    editingMultiLine_ = false;
    if (!after || *after == before || closing_)
        return false;
    panels_->setText(box, *after);
    // The memo's change event applies the text, as typing into it would; the dialog
    // took the memo's focus, so the editing flags are set for this one event.
    const bool v1 = editor_->v1Editing, v2 = editor_->v2Editing;
    editor_->v1Editing = editor_->v2Editing = true;
    BoxChangedEvent(box, *after);
    editor_->v1Editing = v1;
    editor_->v2Editing = v2;
    return true;
}

} // namespace quillory
