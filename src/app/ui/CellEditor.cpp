#include "app/ui/CellEditor.h"

#include "app/ui/ListView.h"

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace quillory {

CellEditor::CellEditor(TMyListView* list, QObject* parent) : QObject(parent), list_(list)
{
    timer3_.setSingleShot(true);
    timer3_.setInterval(kEndDelayMs);
    connect(&timer3_, &QTimer::timeout, this, [this] {
        // The focus came back (a drop-down list closing): keep editing.
        if (control_ && control_->isAncestorOf(QApplication::focusWidget()))
            return;
        end();
    });
}

CellEditor::~CellEditor()
{
    destroyControl();
}

void CellEditor::open(int row, int column, const QString& text, CellEditorShape shape, const QStringList& choices)
{
    if (control_)
        end();
    QAbstractItemModel* model = list_->model();
    if (!model || row < 0 || row >= model->rowCount() || column < 0 || column >= model->columnCount())
        return;
    list_->scrollTo(model->index(row, column));
    const QRect cell = list_->visualRect(model->index(row, column));
    QWidget* host = list_->viewport();
    if (shape.combo) {
        combo_ = new QComboBox(host);
        combo_->setEditable(true);
        combo_->setInsertPolicy(QComboBox::NoInsert);
        combo_->addItems(choices);
        combo_->setEditText(text);
        edit_ = combo_->lineEdit();
        control_ = combo_;
        // The drop-down closing hands the control its size back.
        combo_->installEventFilter(this);
    } else {
        edit_ = new QLineEdit(host);
        edit_->setText(text);
        control_ = edit_;
    }
    control_->setObjectName(QStringLiteral("CellEditor"));
    control_->setFont(list_->font());
    edit_->installEventFilter(this);
    startText_ = text;
    reserve_ = shape.reserve;
    cellLeft_ = cell.left();
    control_->move(cell.left(), cell.top());
    control_->setFixedHeight(std::max(cell.height(), control_->sizeHint().height()));
    fitToText();
    connect(edit_, &QLineEdit::textChanged, this, &CellEditor::fitToText);
    control_->show();
    edit_->selectAll();
    control_->setFocus(Qt::OtherFocusReason);
}

QString CellEditor::text() const
{
    return edit_ ? edit_->text() : QString();
}

void CellEditor::fitToText()
{
    if (!control_)
        return;
    const QFontMetrics fm(control_->font());
    const QString t = edit_->text();
    const int textWidth = t.isEmpty() ? fm.horizontalAdvance(QLatin1Char(' ')) : fm.horizontalAdvance(MeasuredText(t));
    const int hostWidth = list_->viewport()->width();
    const int width = std::min(textWidth + reserve_, std::max(hostWidth, reserve_));
    int left = cellLeft_;
    // Kept inside the list's right edge.
    if (left + width > hostWidth)
        left = std::max(0, hostWidth - width);
    control_->setFixedWidth(width);
    control_->move(left, control_->y());
}

void CellEditor::destroyControl()
{
    timer3_.stop();
    if (!control_)
        return;
    QWidget* c = control_;
    control_ = nullptr;
    edit_ = nullptr;
    combo_ = nullptr;
    c->removeEventFilter(this);
    c->hide();
    c->deleteLater();
}

void CellEditor::end()
{
    if (!control_)
        return;
    const QString t = text();
    const QString start = startText_;
    destroyControl();
    Q_EMIT committed(t, start);
}

void CellEditor::cancel()
{
    if (!control_)
        return;
    destroyControl();
    Q_EMIT cancelled();
}

bool CellEditor::eventFilter(QObject* watched, QEvent* e)
{
    if (!control_ || (watched != edit_ && watched != combo_))
        return QObject::eventFilter(watched, e);
    switch (e->type()) {
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            end();
            return true;
        }
        if (key == Qt::Key_Escape) {
            cancel();
            return true;
        }
        break;
    }
    case QEvent::FocusOut:
        // The combo's own drop-down takes the focus only for a moment.
        if (static_cast<QFocusEvent*>(e)->reason() != Qt::PopupFocusReason)
            timer3_.start();
        break;
    case QEvent::FocusIn:
        timer3_.stop();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, e);
}

} // namespace quillory
