#pragma once
// Yes/No with a starting number (TMsgYesNoDlg): the question follows the number typed.
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace quillory {

class TMsgYesNoDlg : public QDialog {
    Q_OBJECT
public:
    TMsgYesNoDlg(QWidget* owner, const QString& caption, const QString& question);

    // "はい" accepts (Yes), "いいえ" rejects (Cancel).
    QString number() const;
    QString question() const;
    QLineEdit* numberBox() const { return number_; }
    QPushButton* yesButton() const { return yes_; }
    QPushButton* noButton() const { return no_; }

    // "選択したリストの順にトラック番号を " + number + " から設定します。\nよろしいですか？"
    static QString TrackQuestion(const QString& number);

private:
    QLabel* question_ = nullptr;
    QLineEdit* number_ = nullptr;
    QPushButton* yes_ = nullptr;
    QPushButton* no_ = nullptr;
};

} // namespace quillory
