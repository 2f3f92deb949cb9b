#include "app/ui/MessageDlg.h"

#include "app/HandOver.h"

#include <QCheckBox>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace quillory {

namespace {

constexpr int kMinHeight = 150;
constexpr int kTextWidth = 380;

QString captionOf(Answer a)
{
    switch (a) {
    case Answer::All: return QStringLiteral("全てはい");
    case Answer::Yes: return QStringLiteral("はい");
    case Answer::No: return QStringLiteral("いいえ(&N)");
    case Answer::Cancel: return QStringLiteral("キャンセル");
    default: return {};
    }
}

} // namespace

const QString& TMyMessageDlg::readOnlyCheckText()
{
    static const QString t = QStringLiteral("読み取り専用も処理する");
    return t;
}

TMyMessageDlg::TMyMessageDlg(QWidget* owner, const QString& iconSource, const QString& text, const QString& caption)
    : QDialog(owner)
{
    setObjectName(QStringLiteral("TMyMessageDlg"));
    setWindowTitle(caption);
    auto* outer = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    icon_ = new QLabel(this);
    icon_->setFixedWidth(40);
    icon_->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    if (!iconSource.isEmpty()) {
        QFileIconProvider provider;
        icon_->setPixmap(provider.icon(QFileInfo(iconSource)).pixmap(32, 32));
    }
    top->addWidget(icon_);
    text_ = new QLabel(text, this);
    text_->setObjectName(QStringLiteral("MessageText"));
    text_->setWordWrap(true);
    text_->setTextFormat(Qt::PlainText);
    text_->setMinimumWidth(kTextWidth);
    text_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    top->addWidget(text_, 1);
    outer->addLayout(top, 1);
    check_ = new QCheckBox(readOnlyCheckText(), this);
    check_->setVisible(false);
    outer->addWidget(check_);
    auto* row = new QHBoxLayout;
    row->addStretch();
    for (Answer a : {Answer::All, Answer::Yes, Answer::No, Answer::Cancel}) {
        auto* b = new QPushButton(captionOf(a), this);
        b->setAutoDefault(false);
        if (a == Answer::All)
            b->setToolTip(QStringLiteral("全てはい"));
        connect(b, &QPushButton::clicked, this, [this, a] { finishWith(a); });
        buttons_.append({a, b});
        row->addWidget(b);
    }
    row->addStretch();
    outer->addLayout(row);
    button(Answer::Yes)->setDefault(true);
    fitHeight();
}

void TMyMessageDlg::setAnswers(const QList<Answer>& answers)
{
    for (auto& [a, b] : buttons_)
        b->setVisible(answers.contains(a));
    for (auto& [a, b] : buttons_)
        b->setDefault(false);
    if (!answers.isEmpty())
        if (QPushButton* first = button(answers.first()))
            first->setDefault(true);
}

void TMyMessageDlg::showCheckBox(bool checked, const QString& text)
{
    if (!text.isEmpty())
        check_->setText(text);
    check_->setChecked(checked);
    check_->setVisible(true);
    fitHeight();
}

bool TMyMessageDlg::checkBoxChecked() const
{
    return check_->isChecked();
}

QPushButton* TMyMessageDlg::button(Answer a) const
{
    for (const auto& [ans, b] : buttons_)
        if (ans == a)
            return b;
    return nullptr;
}

void TMyMessageDlg::fitHeight()
{
    // The text's measured height + 16, the caption, the button row and 16 more; at
    // least 150 pixels.
    QRect r = text_->fontMetrics().boundingRect(QRect(0, 0, kTextWidth, 10000), Qt::TextWordWrap, text_->text());
    int buttonsHeight = button(Answer::Yes)->sizeHint().height() + 12;
    int checkHeight = check_->isVisibleTo(this) ? check_->sizeHint().height() + 6 : 0;
    int h = std::max(kMinHeight, r.height() + 16 + buttonsHeight + checkHeight + 16);
    text_->setMinimumHeight(r.height() + 16);
    resize(std::max(width(), kTextWidth + 80), h);
}

void TMyMessageDlg::finishWith(Answer a)
{
    answer_ = a;
    done(a == Answer::Cancel || a == Answer::No ? QDialog::Rejected : QDialog::Accepted);
}

void TMyMessageDlg::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Escape) {
        reject();
        return;
    }
    QDialog::keyPressEvent(e);
}

void TMyMessageDlg::reject()
{
    QPushButton* no = button(Answer::No);
    answer_ = no && !no->isHidden() ? Answer::No : Answer::Cancel;
    QDialog::reject();
}

Answer TMyMessageDlg::ask()
{
    answer_ = Answer::No;
    exec();
    return answer_;
}

QMessageBox::StandardButton ShowAppMessage(QWidget* owner, const QString& text, QMessageBox::StandardButtons buttons,
                                           QMessageBox::Icon icon)
{
    QMessageBox box(icon, kApplicationTitle, text, buttons, owner);
    box.setObjectName(QStringLiteral("AppMessage"));
    return QMessageBox::StandardButton(box.exec());
}

} // namespace quillory
