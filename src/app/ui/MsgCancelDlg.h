#pragma once
// The progress window with a cancel button (TMsgCancelDlg): shown modally, it runs
// the caller's work 10 ms after it appears and closes itself when the work returns.
// Its "キャンセル" only raises the caller's flag; the work decides when to stop.
#include <QDialog>
#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace quillory {

class TMsgCancelDlg : public QDialog {
    Q_OBJECT
public:
    // cancelFlag: set by "キャンセル"; may be null.
    TMsgCancelDlg(QWidget* owner, bool* cancelFlag);

    void setMessage(const QString& text);
    QString message() const { return message_; }
    // The line as shown now: "∴ " or "∵ " in front of the message.
    QString shownLine() const;
    void setWork(std::function<void()> work) { work_ = std::move(work); }

    QProgressBar* progressBar() const { return bar_; }
    QPushButton* cancelButton() const { return cancel_; }
    bool workFinished() const { return finished_; }

protected:
    void showEvent(QShowEvent* e) override;
    void reject() override;

private:
    void runWork();
    void blink();

    bool* cancelFlag_;
    QString message_;
    QLabel* line_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QTimer* blinkTimer_ = nullptr;
    std::function<void()> work_;
    bool mark_ = false;
    bool started_ = false;
    bool finished_ = false;
};

} // namespace quillory
