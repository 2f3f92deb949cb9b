#pragma once
// The in-place editor over a list cell: a line edit or an editable combo box that
// widens to its text. Enter, the end of Timer3 (100 ms after the focus left) or an
// explicit end() commits; Escape cancels.
#include "app/EditorState.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>

class QComboBox;
class QLineEdit;
class QWidget;

namespace quillory {

class TMyListView;

class CellEditor : public QObject {
    Q_OBJECT
public:
    // Time between the control losing the focus and the edit ending.
    static constexpr int kEndDelayMs = 100;

    explicit CellEditor(TMyListView* list, QObject* parent = nullptr);
    ~CellEditor() override;

    // Opens over the cell with the text all selected and the focus in the control;
    // choices fill the combo box's drop-down. A control already open ends first.
    void open(int row, int column, const QString& text, CellEditorShape shape, const QStringList& choices = {});
    bool isOpen() const { return control_ != nullptr; }
    QWidget* control() const { return control_; }
    QLineEdit* lineEdit() const { return edit_; }
    QComboBox* comboBox() const { return combo_; }
    QString text() const;
    QString startText() const { return startText_; }

    // Reads the text, destroys the control and emits committed (nothing when closed).
    void end();
    // Destroys the control without applying anything.
    void cancel();

Q_SIGNALS:
    void committed(const QString& text, const QString& startText);
    void cancelled();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void fitToText();
    void destroyControl();

    TMyListView* list_;
    QPointer<QWidget> control_;
    QLineEdit* edit_ = nullptr;   // the line edit of either control
    QComboBox* combo_ = nullptr;
    QString startText_;
    int reserve_ = 16;
    int cellLeft_ = 0;
    QTimer timer3_;
};

} // namespace quillory
