#pragma once
// The window's answer to the core's questions: messages and questions through the
// dialogs, progress on the main progress bar, cancel through "中止".
#include "app/UserPrompt.h"

#include <QPointer>
#include <functional>

class QAbstractButton;
class QProgressBar;
class QWidget;

namespace quillory {

class GuiPrompt : public UserPrompt {
public:
    explicit GuiPrompt(QWidget* owner) : owner_(owner) {}

    void ShowMessage(const QString& title, const QString& text, PromptIcon icon) override;
    Answer Ask(Question& question) override;
    void Progress(int max) override;
    void Step(int n = 1) override;
    bool Cancelled() override;
    void PumpEvents() override;

    // The bar that shows progress and the switch that cancels ("中止"), when the
    // window has them.
    void setProgressBar(QProgressBar* bar) { bar_ = bar; }
    void setCancelSwitch(QAbstractButton* button) { cancel_ = button; }
    void setCancelFlag(bool* flag) { cancelFlag_ = flag; }
    // Called around every modal dialog this prompt opens.
    std::function<void(bool open)> modalHook;

private:
    QPointer<QWidget> owner_;
    QPointer<QProgressBar> bar_;
    QPointer<QAbstractButton> cancel_;
    bool* cancelFlag_ = nullptr;
    qint64 lastPump_ = 0;
};

} // namespace quillory
