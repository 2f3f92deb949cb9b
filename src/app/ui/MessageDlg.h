#pragma once
// The message dialog with four answers and the system message box with the
// application's title.
#include "app/UserPrompt.h"

#include <QDialog>
#include <QList>
#include <QMessageBox>

class QCheckBox;
class QLabel;
class QPushButton;

namespace quillory {

class TMyMessageDlg : public QDialog {
    Q_OBJECT
public:
    // iconSource: a file whose icon is shown at the left, or empty for none.
    TMyMessageDlg(QWidget* owner, const QString& iconSource, const QString& text, const QString& caption);

    // The answers offered, in the dialog's own order ("全てはい", "はい", "いいえ(&N)",
    // "キャンセル"); all four unless set.
    void setAnswers(const QList<Answer>& answers);
    // Shows the check box "読み取り専用も処理する" (or another text) in the given state.
    void showCheckBox(bool checked, const QString& text = QString());
    bool checkBoxChecked() const;

    // Runs the dialog; Escape answers No (Cancel when No is not offered).
    Answer ask();
    Answer answer() const { return answer_; }

    QPushButton* button(Answer a) const;
    QLabel* textLabel() const { return text_; }

    static const QString& readOnlyCheckText();

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void reject() override;

private:
    void finishWith(Answer a);
    void fitHeight();

    QLabel* icon_ = nullptr;
    QLabel* text_ = nullptr;
    QCheckBox* check_ = nullptr;
    QList<QPair<Answer, QPushButton*>> buttons_;
    Answer answer_ = Answer::No;
};

// The system message box, titled with the application title.
QMessageBox::StandardButton ShowAppMessage(QWidget* owner, const QString& text,
                                           QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                           QMessageBox::Icon icon = QMessageBox::Information);

} // namespace quillory
