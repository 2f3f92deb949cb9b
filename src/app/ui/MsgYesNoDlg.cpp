#include "app/ui/MsgYesNoDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace quillory {

QString TMsgYesNoDlg::TrackQuestion(const QString& number)
{
    return QStringLiteral("選択したリストの順にトラック番号を ") + number +
           QStringLiteral(" から設定します。\nよろしいですか？");
}

TMsgYesNoDlg::TMsgYesNoDlg(QWidget* owner, const QString& caption, const QString& question) : QDialog(owner)
{
    setObjectName(QStringLiteral("TMsgYesNoDlg"));
    setWindowTitle(caption);
    auto* outer = new QVBoxLayout(this);
    question_ = new QLabel(question, this);
    question_->setTextFormat(Qt::PlainText);
    question_->setWordWrap(true);
    outer->addWidget(question_);
    auto* numRow = new QHBoxLayout;
    numRow->addWidget(new QLabel(QStringLiteral("開始する番号"), this));
    number_ = new QLineEdit(QStringLiteral("1"), this);
    number_->setObjectName(QStringLiteral("StartNumber"));
    number_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), number_));
    number_->setMaximumWidth(80);
    numRow->addWidget(number_);
    numRow->addStretch();
    outer->addLayout(numRow);
    auto* row = new QHBoxLayout;
    row->addStretch();
    yes_ = new QPushButton(QStringLiteral("はい"), this);
    yes_->setDefault(true);
    no_ = new QPushButton(QStringLiteral("いいえ"), this);
    row->addWidget(yes_);
    row->addWidget(no_);
    row->addStretch();
    outer->addLayout(row);
    connect(yes_, &QPushButton::clicked, this, &QDialog::accept);
    connect(no_, &QPushButton::clicked, this, &QDialog::reject);
    connect(number_, &QLineEdit::textEdited, this, [this](const QString& n) { question_->setText(TrackQuestion(n)); });
    setMinimumWidth(380);
}

QString TMsgYesNoDlg::number() const
{
    return number_->text();
}

QString TMsgYesNoDlg::question() const
{
    return question_->text();
}

} // namespace quillory
