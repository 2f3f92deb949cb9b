#include "app/ui/GuiPrompt.h"

#include "app/ui/MessageDlg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QDateTime>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QProgressBar>

namespace quillory {

namespace {

QMessageBox::Icon boxIcon(PromptIcon i)
{
    switch (i) {
    case PromptIcon::Information: return QMessageBox::Information;
    case PromptIcon::Warning: return QMessageBox::Warning;
    case PromptIcon::Error: return QMessageBox::Critical;
    case PromptIcon::Question: return QMessageBox::Question;
    case PromptIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton standardOf(Answer a)
{
    switch (a) {
    case Answer::Ok: return QMessageBox::Ok;
    case Answer::Cancel: return QMessageBox::Cancel;
    case Answer::Yes: return QMessageBox::Yes;
    case Answer::No: return QMessageBox::No;
    case Answer::All: return QMessageBox::YesToAll;
    case Answer::Retry: return QMessageBox::Retry;
    case Answer::Ignore: return QMessageBox::Ignore;
    case Answer::Abort: return QMessageBox::Abort;
    }
    return QMessageBox::NoButton;
}

QString captionOf(Answer a)
{
    switch (a) {
    case Answer::Ok: return QStringLiteral("OK");
    case Answer::Cancel: return QStringLiteral("キャンセル");
    case Answer::Yes: return QStringLiteral("はい(&Y)");
    case Answer::No: return QStringLiteral("いいえ(&N)");
    case Answer::All: return QStringLiteral("全てはい");
    case Answer::Retry: return QStringLiteral("再試行(&R)");
    case Answer::Ignore: return QStringLiteral("無視(&I)");
    case Answer::Abort: return QStringLiteral("中止(&A)");
    }
    return {};
}

// Questions the four-answer dialog can ask.
bool fitsMessageDialog(const Question& q)
{
    for (Answer a : q.buttons)
        if (a != Answer::All && a != Answer::Yes && a != Answer::No && a != Answer::Cancel)
            return false;
    return q.buttons.contains(Answer::All) || !q.checkBoxText.isEmpty();
}

} // namespace

void GuiPrompt::ShowMessage(const QString& title, const QString& text, PromptIcon icon)
{
    if (modalHook)
        modalHook(true);
    QMessageBox box(boxIcon(icon), title, text, QMessageBox::Ok, owner_);
    box.setObjectName(QStringLiteral("PromptMessage"));
    box.exec();
    if (modalHook)
        modalHook(false);
}

Answer GuiPrompt::Ask(Question& q)
{
    if (q.buttons.isEmpty())
        q.buttons = {Answer::Ok};
    if (modalHook)
        modalHook(true);
    Answer result = Answer::Cancel;
    if (fitsMessageDialog(q)) {
        TMyMessageDlg d(owner_, QString(), q.text, q.title);
        d.setAnswers(q.buttons);
        if (!q.checkBoxText.isEmpty())
            d.showCheckBox(q.checkBoxChecked, q.checkBoxText);
        result = d.ask();
        q.checkBoxChecked = d.checkBoxChecked();
    } else {
        QMessageBox box(boxIcon(q.icon), q.title, q.text, QMessageBox::NoButton, owner_);
        box.setObjectName(QStringLiteral("PromptQuestion"));
        QList<QPair<QAbstractButton*, Answer>> map;
        for (Answer a : q.buttons) {
            QAbstractButton* b = box.addButton(standardOf(a));
            b->setText(captionOf(a));
            map.append({b, a});
        }
        box.setDefaultButton(qobject_cast<QPushButton*>(map.first().first));
        if (q.buttons.contains(Answer::No))
            box.setEscapeButton(map[q.buttons.indexOf(Answer::No)].first);
        else if (q.buttons.contains(Answer::Cancel))
            box.setEscapeButton(map[q.buttons.indexOf(Answer::Cancel)].first);
        QCheckBox* check = nullptr;
        if (!q.checkBoxText.isEmpty()) {
            check = new QCheckBox(q.checkBoxText, &box);
            check->setChecked(q.checkBoxChecked);
            box.setCheckBox(check);
        }
        box.exec();
        result = q.buttons.contains(Answer::Cancel) ? Answer::Cancel : q.buttons.back();
        for (const auto& [b, a] : map)
            if (box.clickedButton() == b)
                result = a;
        if (check)
            q.checkBoxChecked = check->isChecked();
    }
    if (modalHook)
        modalHook(false);
    return result;
}

void GuiPrompt::Progress(int max)
{
    if (!bar_)
        return;
    bar_->setRange(0, std::max(max, 1));
    bar_->setValue(0);
}

void GuiPrompt::Step(int n)
{
    if (bar_)
        bar_->setValue(std::min(bar_->maximum(), bar_->value() + n));
}

bool GuiPrompt::Cancelled()
{
    if (cancelFlag_ && *cancelFlag_)
        return true;
    return cancel_ && cancel_->isChecked();
}

void GuiPrompt::PumpEvents()
{
    // Repaint and see the cancel button, but not for every row of a fast loop.
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    qint64 now = clock.elapsed();
    if (now - lastPump_ < 15)
        return;
    lastPump_ = now;
    QApplication::processEvents();
}

} // namespace quillory
