#include "app/ui/EditPanels.h"

#include "app/FieldEditing.h"

#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QWidget>

namespace quillory {

namespace {

struct BoxName {
    EditBox box;
    const char* name;
};
constexpr BoxName kBoxNames[] = {
    {EditBox::V1Title, "Edit1"},           {EditBox::V1Artist, "ComboBox3"},
    {EditBox::V1Album, "Edit3"},           {EditBox::V1Genre, "ComboBox1"},
    {EditBox::V1Track, "Edit4"},           {EditBox::V1Year, "Edit5"},
    {EditBox::V1Comment, "Memo1"},         {EditBox::V2Title, "WideTitleEdit"},
    {EditBox::V2Artist, "WideArtistCombo"}, {EditBox::V2Album, "WideAlbumEdit"},
    {EditBox::V2Genre, "ComboBox2"},       {EditBox::V2Track, "Edit9"},
    {EditBox::V2Year, "Edit10"},           {EditBox::V2Comment, "WideCommentMemo"},
    {EditBox::Composer, "WideComposerEdit"}, {EditBox::Lyricist, "WideLyricistEdit"},
    {EditBox::Label, "Edit13"},            {EditBox::DiscNumber, "Edit15"},
    {EditBox::DiscCount, "Edit14"},        {EditBox::Copyright, "NewComboBox1"},
    {EditBox::Encoder, "NewComboBox2"},    {EditBox::Url, "Edit18"},
    {EditBox::Lyrics, "Memo3"},
};

QColor toColour(BoxRgb c)
{
    return QColor(c.r, c.g, c.b);
}

} // namespace

EditPanels::EditPanels(QWidget* mainBox, QWidget* commentBox, QWidget* extraPanel, QObject* parent)
    : QObject(parent)
{
    for (const BoxName& n : kBoxNames) {
        const QString name = QString::fromLatin1(n.name);
        QWidget* w = nullptr;
        for (QWidget* c : {mainBox, commentBox, extraPanel})
            if (c && !w)
                w = c->findChild<QWidget*>(name);
        widgets_[std::size_t(n.box)] = w;
        if (!w)
            continue;
        const EditBox box = n.box;
        w->installEventFilter(this);
        if (auto* e = qobject_cast<QLineEdit*>(w)) {
            connect(e, &QLineEdit::textChanged, this, [this, box] { onEdited(box); });
        } else if (auto* m = qobject_cast<QPlainTextEdit*>(w)) {
            connect(m, &QPlainTextEdit::textChanged, this, [this, box] { onEdited(box); });
        } else if (auto* c = qobject_cast<QComboBox*>(w)) {
            if (c->isEditable()) {
                connect(c, &QComboBox::editTextChanged, this, [this, box] { onEdited(box); });
            } else {
                connect(c, &QComboBox::currentTextChanged, this, [this, box] { onEdited(box); });
            }
        }
    }
}

int EditPanels::boxOf(const QObject* w) const
{
    for (std::size_t i = 0; i < widgets_.size(); ++i) {
        QWidget* b = widgets_[i];
        if (!b)
            continue;
        if (b == w)
            return int(i);
        if (auto* c = qobject_cast<QComboBox*>(b); c && c->lineEdit() && c->lineEdit() == w)
            return int(i);
    }
    return -1;
}

QString EditPanels::text(EditBox box) const
{
    QWidget* w = widget(box);
    if (auto* e = qobject_cast<QLineEdit*>(w))
        return e->text();
    if (auto* m = qobject_cast<QPlainTextEdit*>(w))
        return m->toPlainText();
    if (auto* c = qobject_cast<QComboBox*>(w))
        return c->currentText();
    return {};
}

void EditPanels::setText(EditBox box, const QString& text)
{
    QWidget* w = widget(box);
    if (!w)
        return;
    setting_ = true;
    if (auto* e = qobject_cast<QLineEdit*>(w)) {
        e->setText(text);
        e->setCursorPosition(0);
    } else if (auto* m = qobject_cast<QPlainTextEdit*>(w)) {
        m->setPlainText(text);
    } else if (auto* c = qobject_cast<QComboBox*>(w)) {
        if (c->isEditable()) {
            c->setEditText(text);
        } else {
            // A genre that is not in the list shows nothing rather than a wrong one.
            c->setCurrentIndex(c->findText(text));
        }
    }
    setting_ = false;
}

void EditPanels::setColour(EditBox box, TextColour colour)
{
    QWidget* w = widget(box);
    if (!w)
        return;
    QPalette p = w->palette();
    p.setColor(QPalette::Text, toColour(RgbOf(colour)));
    w->setPalette(p);
}

void EditPanels::show(const EditorContents& contents)
{
    for (int i = 0; i < kEditBoxCount; ++i) {
        const EditBox b = EditBox(i);
        setText(b, contents[b].text);
        setColour(b, contents[b].colour);
    }
}

void EditPanels::setActiveBackground(bool v1Active, const QColor& panel)
{
    const QColor active = toColour(kActiveBoxRgb);
    auto paint = [&](EditBox b, const QColor& c) {
        if (QWidget* w = widget(b)) {
            QPalette p = w->palette();
            p.setColor(QPalette::Base, c);
            w->setPalette(p);
        }
    };
    for (EditBox b : {EditBox::V1Title, EditBox::V1Artist, EditBox::V1Album, EditBox::V1Genre, EditBox::V1Track,
                      EditBox::V1Year})
        paint(b, v1Active ? active : panel);
    for (EditBox b : {EditBox::V2Genre, EditBox::V2Track, EditBox::V2Year})
        paint(b, v1Active ? panel : active);
}

void EditPanels::onEdited(EditBox box)
{
    if (setting_)
        return;
    const QString typed = text(box);
    const QString kept = FilterBoxText(box, typed);
    if (kept != typed) {
        // The box keeps only what its field can hold; putting it back must not
        // count as a second change.
        setting_ = true;
        if (auto* e = qobject_cast<QLineEdit*>(widget(box))) {
            const int cursor = std::min(e->cursorPosition(), int(kept.size()));
            e->setText(kept);
            e->setCursorPosition(cursor);
        } else if (auto* c = qobject_cast<QComboBox*>(widget(box)); c && c->isEditable()) {
            c->setEditText(kept);
        } else if (auto* m = qobject_cast<QPlainTextEdit*>(widget(box))) {
            m->setPlainText(kept);
        }
        setting_ = false;
    }
    Q_EMIT changed(box, kept);
}

bool EditPanels::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::FocusIn || e->type() == QEvent::FocusOut) {
        const int b = boxOf(watched);
        if (b >= 0) {
            auto* fe = static_cast<QFocusEvent*>(e);
            // A combo box's own drop-down does not take the box out of editing.
            if (fe->reason() != Qt::PopupFocusReason) {
                if (e->type() == QEvent::FocusIn)
                    Q_EMIT focused(EditBox(b));
                else
                    Q_EMIT left(EditBox(b), text(EditBox(b)));
            }
        }
    }
    return QObject::eventFilter(watched, e);
}

} // namespace quillory
