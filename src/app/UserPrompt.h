#pragma once
// The one way core operations talk to the user: messages, questions, progress and
// cancel. The window implements it with its dialogs, the CLI with stderr and
// command-line answers, tests with scripted answers.
#include <QString>
#include <QStringList>

namespace quillory {

enum class PromptIcon { None, Information, Warning, Error, Question };

enum class Answer { Ok, Cancel, Yes, No, All, Retry, Ignore, Abort };

struct Question {
    QString title;
    QString text;
    QList<Answer> buttons;        // in the order shown; the first is the default
    QString checkBoxText;         // empty: no check box
    bool checkBoxChecked = false; // in: initial state; out: state on return
    PromptIcon icon = PromptIcon::Question;
};

class UserPrompt {
public:
    virtual ~UserPrompt() = default;
    virtual void ShowMessage(const QString& title, const QString& text, PromptIcon icon) = 0;
    virtual Answer Ask(Question& question) = 0;
    // Progress of a long operation: Progress(max) starts it, Step() advances.
    virtual void Progress(int max) { (void)max; }
    virtual void Step(int n = 1) { (void)n; }
    virtual bool Cancelled() { return false; }
    // Lets the window repaint and see its cancel button between rows.
    virtual void PumpEvents() {}
};

// Answers nothing and shows nothing: for headless runs that must not ask.
class SilentPrompt : public UserPrompt {
public:
    void ShowMessage(const QString&, const QString&, PromptIcon) override {}
    Answer Ask(Question& q) override { return q.buttons.isEmpty() ? Answer::Cancel : q.buttons.back(); }
};

} // namespace quillory
