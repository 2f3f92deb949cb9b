#include "app/ui/MsgCancelDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace quillory {

TMsgCancelDlg::TMsgCancelDlg(QWidget* owner, bool* cancelFlag) : QDialog(owner), cancelFlag_(cancelFlag)
{
    setObjectName(QStringLiteral("TMsgCancelDlg"));
    setWindowTitle(QStringLiteral("ファイルのコピー"));
    setMinimumWidth(420);
    auto* outer = new QVBoxLayout(this);
    line_ = new QLabel(this);
    line_->setObjectName(QStringLiteral("MessageLine"));
    line_->setTextFormat(Qt::PlainText);
    outer->addWidget(line_);
    bar_ = new QProgressBar(this);
    bar_->setTextVisible(false);
    bar_->setRange(0, 100);
    bar_->setValue(0);
    outer->addWidget(bar_);
    auto* row = new QHBoxLayout;
    row->addStretch();
    cancel_ = new QPushButton(QStringLiteral("キャンセル"), this);
    row->addWidget(cancel_);
    row->addStretch();
    outer->addLayout(row);
    connect(cancel_, &QPushButton::clicked, this, [this] {
        if (cancelFlag_)
            *cancelFlag_ = true;
    });
    blinkTimer_ = new QTimer(this);
    blinkTimer_->setInterval(1000);
    connect(blinkTimer_, &QTimer::timeout, this, &TMsgCancelDlg::blink);
    blink();
}

void TMsgCancelDlg::setMessage(const QString& text)
{
    message_ = text;
    line_->setText(shownLine());
}

QString TMsgCancelDlg::shownLine() const
{
    return (mark_ ? QStringLiteral("∵ ") : QStringLiteral("∴ ")) + message_;
}

void TMsgCancelDlg::blink()
{
    mark_ = !mark_;
    line_->setText(shownLine());
}

void TMsgCancelDlg::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (!started_) {
        started_ = true;
        blinkTimer_->start();
        QTimer::singleShot(10, this, &TMsgCancelDlg::runWork);
    }
}

void TMsgCancelDlg::runWork()
{
    bar_->setValue(0);
    if (work_)
        work_();
    blinkTimer_->stop();
    finished_ = true;
    accept();
}

void TMsgCancelDlg::reject()
{
    // Escape and the window's close box work like "キャンセル": the work ends the dialog.
    if (!finished_) {
        if (cancelFlag_)
            *cancelFlag_ = true;
        return;
    }
    QDialog::reject();
}

} // namespace quillory
