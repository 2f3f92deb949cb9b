#include "app/ui/InputDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace quillory {

namespace {

constexpr int kMinBoxWidth = 300;
constexpr int kBoxPadding = 40;

QIcon fieldIcon(int field)
{
    // A small person for the artist list, a note for the genre list.
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    if (field == 1) {
        p.setBrush(QColor(0x40, 0x60, 0xA0));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QRectF(5, 1, 6, 6));
        p.drawRoundedRect(QRectF(2, 8, 12, 7), 3, 3);
    } else if (field == 3) {
        p.setPen(QPen(QColor(0x80, 0x30, 0x60), 1.5));
        p.drawLine(QPointF(11, 2), QPointF(11, 12));
        p.drawLine(QPointF(11, 2), QPointF(14, 4));
        p.setBrush(QColor(0x80, 0x30, 0x60));
        p.drawEllipse(QRectF(6, 10, 5, 4));
    }
    return QIcon(pm);
}

// Entries of the drop-down: navy under the mouse, each underlined in silver.
class ChoiceDelegate : public QStyledItemDelegate {
public:
    ChoiceDelegate(int field, QObject* parent) : QStyledItemDelegate(parent), icon_(fieldIcon(field)), field_(field) {}
    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        p->save();
        bool hot = option.state & (QStyle::State_MouseOver | QStyle::State_Selected);
        p->fillRect(option.rect, hot ? QColor(0, 0, 0x80) : option.palette.base().color());
        QRect r = option.rect.adjusted(2, 0, -2, -1);
        if (field_ == 1 || field_ == 3) {
            icon_.paint(p, QRect(r.left(), r.top() + (r.height() - 16) / 2, 16, 16));
            r.setLeft(r.left() + 20);
        }
        p->setPen(hot ? Qt::white : option.palette.text().color());
        p->drawText(r, Qt::AlignVCenter | Qt::AlignLeft, index.data().toString());
        p->setPen(QColor(0xC0, 0xC0, 0xC0));
        p->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
        p->restore();
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        return {s.width() + 20, std::max(s.height(), 20)};
    }

private:
    QIcon icon_;
    int field_;
};

} // namespace

TInputDlg::TInputDlg(QWidget* owner, const QString& text, int field, const QString& caption)
    : QDialog(owner), field_(field)
{
    setObjectName(QStringLiteral("TInputDlg"));
    setWindowTitle(caption);
    auto* outer = new QVBoxLayout(this);
    label_ = new QLabel(caption, this);
    QFont lf = label_->font();
    lf.setPointSizeF(lf.pointSizeF() + 1);
    label_->setFont(lf);
    outer->addWidget(label_);
    combo_ = new QComboBox(this);
    combo_->setObjectName(QStringLiteral("InputCombo"));
    combo_->setEditable(true);
    combo_->setInsertPolicy(QComboBox::NoInsert);
    combo_->setMaxVisibleItems(16);
    combo_->setItemDelegate(new ChoiceDelegate(field, combo_));
    combo_->setEditText(text);
    combo_->lineEdit()->setCursorPosition(0);
    outer->addWidget(combo_);
    auto* row = new QHBoxLayout;
    row->addStretch();
    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setDefault(true);
    cancel_ = new QPushButton(QStringLiteral("キャンセル"), this);
    row->addWidget(ok_);
    row->addWidget(cancel_);
    row->addStretch();
    outer->addLayout(row);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(combo_, &QComboBox::editTextChanged, this, [this] { fitWidth(); });
    fitWidth();
}

void TInputDlg::setChoices(const QString& lines)
{
    QString keep = combo_->currentText();
    combo_->clear();
    QString t = lines;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    for (const QString& l : t.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        combo_->addItem(l);
    combo_->setEditText(keep);
    combo_->lineEdit()->setCursorPosition(0);
}

void TInputDlg::setListBackground(const QColor& colour)
{
    QPalette pal = combo_->palette();
    pal.setColor(QPalette::Base, colour);
    combo_->setPalette(pal);
}

QString TInputDlg::text() const
{
    return combo_->currentText();
}

int TInputDlg::boxWidthFor(const QString& text) const
{
    QString measured = text;
    measured.replace(QLatin1Char('?'), QStringLiteral("＝"));
    return std::max(kMinBoxWidth, combo_->fontMetrics().horizontalAdvance(measured) + kBoxPadding);
}

void TInputDlg::fitWidth()
{
    int box = boxWidthFor(combo_->currentText());
    int screenWidth = screen() ? screen()->availableGeometry().width() : 1920;
    box = std::min(box, screenWidth - 2 * kBoxPadding);
    if (combo_->width() != box) {
        combo_->setFixedWidth(box);
        setFixedWidth(std::min(box + kBoxPadding, screenWidth));
    }
}

TInputBoxWidDlg::TInputBoxWidDlg(QWidget* owner, Mode mode) : QDialog(owner), mode_(mode)
{
    setObjectName(QStringLiteral("TInputBoxWidDlg"));
}

TInputBoxWidDlg* TInputBoxWidDlg::question(QWidget* owner, const QString& caption, const QString& message)
{
    auto* d = new TInputBoxWidDlg(owner, Mode::Question);
    d->setWindowTitle(caption);
    d->resize(500, 200);
    auto* outer = new QVBoxLayout(d);
    d->message_ = new QLabel(message, d);
    d->message_->setWordWrap(true);
    d->message_->setTextFormat(Qt::PlainText);
    d->message_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    outer->addWidget(d->message_, 1);
    d->check_ = new QCheckBox(QStringLiteral("次回からこのメッセージを表示しない"), d);
    outer->addWidget(d->check_);
    auto* row = new QHBoxLayout;
    row->addStretch();
    d->ok_ = new QPushButton(QStringLiteral("OK"), d);
    d->ok_->setDefault(true);
    row->addWidget(d->ok_);
    row->addStretch();
    outer->addLayout(row);
    connect(d->ok_, &QPushButton::clicked, d, &QDialog::accept);
    return d;
}

TInputBoxWidDlg* TInputBoxWidDlg::input(QWidget* owner, const QString& caption, const QString& prompt,
                                        const QString& defaultText)
{
    auto* d = new TInputBoxWidDlg(owner, Mode::Input);
    d->setWindowTitle(caption);
    d->setMinimumWidth(360);
    auto* outer = new QVBoxLayout(d);
    d->message_ = new QLabel(prompt, d);
    d->message_->setTextFormat(Qt::PlainText);
    outer->addWidget(d->message_);
    d->edit_ = new QLineEdit(defaultText, d);
    d->edit_->setObjectName(QStringLiteral("InputEdit"));
    outer->addWidget(d->edit_);
    auto* row = new QHBoxLayout;
    row->addStretch();
    d->ok_ = new QPushButton(QStringLiteral("OK"), d);
    d->ok_->setDefault(true);
    d->cancel_ = new QPushButton(QStringLiteral("キャンセル"), d);
    row->addWidget(d->ok_);
    row->addWidget(d->cancel_);
    row->addStretch();
    outer->addLayout(row);
    connect(d->ok_, &QPushButton::clicked, d, &QDialog::accept);
    connect(d->cancel_, &QPushButton::clicked, d, &QDialog::reject);
    return d;
}

void TInputBoxWidDlg::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (edit_)
        edit_->setFocus();
}

bool TInputBoxWidDlg::dontShowAgain() const
{
    return check_ && check_->isChecked();
}

QString TInputBoxWidDlg::text() const
{
    return edit_ ? edit_->text() : QString();
}

} // namespace quillory
