#pragma once
// The input dialog with a drop-down of choices (TInputDlg) and the two-mode input
// box (TInputBoxWidDlg).
#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quillory {

class TInputDlg : public QDialog {
    Q_OBJECT
public:
    // text: the current text; field: the field number (1 artist and 3 genre get
    // their icons in the drop-down); caption: the column caption.
    TInputDlg(QWidget* owner, const QString& text, int field, const QString& caption);

    // The lines of choices become the drop-down entries.
    void setChoices(const QString& lines);
    void setListBackground(const QColor& colour);
    QString text() const;
    QComboBox* comboBox() const { return combo_; }
    QPushButton* okButton() const { return ok_; }
    int field() const { return field_; }

    // Width of the box for a text: measured with every "?" as "＝", + 40, at least 300.
    int boxWidthFor(const QString& text) const;

private:
    void fitWidth();

    QComboBox* combo_ = nullptr;
    QLabel* label_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
    int field_ = -1;
};

class TInputBoxWidDlg : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Question, Input };
    // Question mode: the message, the check box "次回からこのメッセージを表示しない"
    // and OK only.
    static TInputBoxWidDlg* question(QWidget* owner, const QString& caption, const QString& message);
    // Input mode: the prompt, a one-line box with the default text, OK and
    // "キャンセル".
    static TInputBoxWidDlg* input(QWidget* owner, const QString& caption, const QString& prompt,
                                  const QString& defaultText);

    Mode mode() const { return mode_; }
    bool dontShowAgain() const;
    QString text() const;
    QLineEdit* edit() const { return edit_; }
    QCheckBox* checkBox() const { return check_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

protected:
    void showEvent(QShowEvent* e) override;

private:
    TInputBoxWidDlg(QWidget* owner, Mode mode);

    Mode mode_;
    QLabel* message_ = nullptr;
    QLineEdit* edit_ = nullptr;
    QCheckBox* check_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

} // namespace quillory
