#pragma once
// What the GUI tests share: a temp library of small tagged files, a prompt that
// answers from a script and records what was asked, and a window on temp folders.
#include "app/UserPrompt.h"
#include "app/ui/MainWindow.h"

#include <QTemporaryDir>
#include <functional>
#include <memory>

namespace quillory::test {

// An MP3 file: ID3v2.3 with title and artist (UTF-16), some silent frames, and an
// ID3v1 block when v1Title is given.
void writeMp3(const QString& path, const QString& title, const QString& artist, const QString& v1Title = {});

class RecordingPrompt : public UserPrompt {
public:
    void ShowMessage(const QString& title, const QString& text, PromptIcon icon) override;
    Answer Ask(Question& question) override;

    QList<Answer> answers;     // given in order; then the last button
    QStringList messages;
    QList<Question> questions;
};

// Waits (running the event loop) until cond holds or timeoutMs passed.
bool waitUntil(const std::function<bool()>& cond, int timeoutMs = 20000);

// A main window on folders and settings inside its own temp folder.
class WindowHarness {
public:
    explicit WindowHarness(QStringList arguments = {}, QString instanceName = {});
    ~WindowHarness();

    TDU3ZiruVozivDlg& window() { return *window_; }
    RecordingPrompt& prompt() { return prompt_; }
    QString root() const { return dir_.path(); }
    QString settingsPath() const { return dir_.filePath(QStringLiteral("config/Morva/Quillory.ini")); }
    Folders folders() const;
    // Closes the window (answering the close query from the script); true when it closed.
    bool close();
    // A new window on the same folders and settings.
    void reopen(QStringList arguments = {});
    // Shows the window and waits for the first show to pass and the list to appear.
    void showAndSettle();
    // Waits until every row is read and the fetcher has ended.
    bool waitForFetch(int timeoutMs = 60000);

private:
    void make(QStringList arguments);

    QTemporaryDir dir_;
    QString instanceName_;
    RecordingPrompt prompt_;
    std::unique_ptr<TDU3ZiruVozivDlg> window_;
};

// A folder of n files named "f00000.mp3"... in dir (with their titles "曲 n").
QStringList makeFiles(const QString& dir, int n);

} // namespace quillory::test
