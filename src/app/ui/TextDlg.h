#pragma once
// The text dialog (TTextDlg): a multi-line editor with a file menu to load and save
// text files, and an OK/"キャンセル" row when the caller wants one.
#include <QDialog>

class QAction;
class QMenuBar;
class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace quillory {

class TTextDlg : public QDialog {
    Q_OBJECT
public:
    explicit TTextDlg(QWidget* owner, const QString& caption = QString());

    void setText(const QString& text);
    QString text() const;
    // The user changed the text; loading a file counts as a change.
    bool modified() const;
    void showButtons(bool show);

    // Loads a file with the Shift-JIS/UTF-16 rule; false when it cannot be read.
    bool loadFile(const QString& path);
    // Saves as UTF-16 little-endian without byte-order mark, lines joined by CR LF.
    bool saveFile(const QString& path) const;

    QPlainTextEdit* editor() const { return edit_; }
    QAction* openAction() const { return open_; }
    QAction* saveAction() const { return save_; }
    QPushButton* okButton() const { return ok_; }

    static const QString& FileFilter();

private:
    void openClicked();
    void saveClicked();

    QPlainTextEdit* edit_ = nullptr;
    QMenuBar* menu_ = nullptr;
    QAction* open_ = nullptr;
    QAction* save_ = nullptr;
    QWidget* buttonRow_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
    bool loaded_ = false;
};

} // namespace quillory
