#pragma once
// Multi-line fields edited in the user's own text editor: the text goes to a file in
// the work folder, the editor ($VISUAL, else $EDITOR, else the desktop's handler
// through xdg-open) runs on it while the window keeps working, and the file's text
// comes back when the editor changed it.
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace quillory {

class TextEditorLauncher {
public:
    // How often the window is kept alive while the editor runs.
    static constexpr int kPollMs = 100;

    explicit TextEditorLauncher(QString workFolder);

    // Program and arguments that open path: the first of $VISUAL and $EDITOR that is
    // set (split like a shell command line), else xdg-open.
    static QStringList CommandFor(const QString& path);
    // The file the title's text goes to: work folder + title + ".txt", with characters
    // that cannot be in a file name replaced.
    QString FileFor(const QString& title) const;

    // Writes the text, runs the editor and waits for it, calling keepAlive every
    // kPollMs; keepAlive returning false ends the editor. Returns the new text when
    // the file was changed; nothing when it was not, or when the editor could not run.
    std::optional<QString> EditInNotepad(const QString& title, const QString& text,
                                         const std::function<bool()>& keepAlive);

private:
    QString workFolder_;
};

} // namespace quillory
