#pragma once
// The edit boxes of the two tag panels, the comment box and the "その他" panel, as
// one set addressed by EditBox: filling them from a row, their text colours, and
// their change and focus events turned into signals the window hands to the core.
#include "app/EditorState.h"

#include <QColor>
#include <QObject>
#include <QString>
#include <array>

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QWidget;

namespace quillory {

class EditPanels : public QObject {
    Q_OBJECT
public:
    // The boxes are found by their object names inside the three containers.
    EditPanels(QWidget* mainBox, QWidget* commentBox, QWidget* extraPanel, QObject* parent = nullptr);

    QWidget* widget(EditBox box) const { return widgets_[std::size_t(box)]; }
    // The box under a widget (the box itself or the line edit of a combo box), or -1.
    int boxOf(const QObject* w) const;
    QString text(EditBox box) const;
    // Sets the text without a change event.
    void setText(EditBox box, const QString& text);
    void setColour(EditBox box, TextColour colour);
    // Every box from ShowRowInEditors' result.
    void show(const EditorContents& contents);
    // Background of the boxes of the shown tag.
    void setActiveBackground(bool v1Active, const QColor& panel);

Q_SIGNALS:
    // The text after the box's own limits (FilterBoxText) were applied.
    void changed(quillory::EditBox box, const QString& text);
    void focused(quillory::EditBox box);
    void left(quillory::EditBox box, const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void onEdited(EditBox box);

    std::array<QWidget*, kEditBoxCount> widgets_{};
    bool setting_ = false;
};

} // namespace quillory
