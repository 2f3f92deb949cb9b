#include "app/ui/TextDlg.h"

#include "app/DataFiles.h"
#include "platform/Limits.h"

#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>

namespace quillory {

const QString& TTextDlg::FileFilter()
{
    // "テキスト(*.txt)|*.txt|全てのファイル|*.*" in the file dialog's own form.
    static const QString f = QStringLiteral("テキスト(*.txt);;全てのファイル(*)");
    return f;
}

TTextDlg::TTextDlg(QWidget* owner, const QString& caption) : QDialog(owner)
{
    setObjectName(QStringLiteral("TTextDlg"));
    setWindowTitle(caption.isEmpty() ? QStringLiteral("TEXT") : caption);
    resize(520, 420);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 6);
    menu_ = new QMenuBar(this);
    QMenu* file = menu_->addMenu(QStringLiteral("ファイル(&F)"));
    open_ = file->addAction(QStringLiteral("開く(&O)"));
    save_ = file->addAction(QStringLiteral("保存(&S)"));
    save_->setStatusTip(QStringLiteral("ファイルに保存"));
    save_->setToolTip(QStringLiteral("ファイルに保存"));
    outer->setMenuBar(menu_);
    edit_ = new QPlainTextEdit(this);
    edit_->setObjectName(QStringLiteral("TextEdit"));
    outer->addWidget(edit_, 1);
    buttonRow_ = new QWidget(this);
    auto* row = new QHBoxLayout(buttonRow_);
    row->addStretch();
    ok_ = new QPushButton(QStringLiteral("OK"), buttonRow_);
    cancel_ = new QPushButton(QStringLiteral("キャンセル"), buttonRow_);
    // Enter belongs to the editor (it inserts a line break), not to a default button.
    ok_->setAutoDefault(false);
    cancel_->setAutoDefault(false);
    row->addWidget(ok_);
    row->addWidget(cancel_);
    row->addStretch();
    outer->addWidget(buttonRow_);
    buttonRow_->setVisible(false);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(open_, &QAction::triggered, this, &TTextDlg::openClicked);
    connect(save_, &QAction::triggered, this, &TTextDlg::saveClicked);
}

void TTextDlg::setText(const QString& text)
{
    edit_->setPlainText(text);
    edit_->document()->setModified(false);
    loaded_ = false;
}

QString TTextDlg::text() const
{
    return edit_->toPlainText();
}

bool TTextDlg::modified() const
{
    return loaded_ || edit_->document()->isModified();
}

void TTextDlg::showButtons(bool show)
{
    buttonRow_->setVisible(show);
}

bool TTextDlg::loadFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.size() > qint64(limits::kMaxDataFileBytes))
        return false;
    QByteArray raw = f.readAll();
    ByteView bytes(reinterpret_cast<const std::uint8_t*>(raw.constData()), std::size_t(raw.size()));
    edit_->setPlainText(DecodeArtistText(bytes).join(QLatin1Char('\n')));
    loaded_ = true;
    return true;
}

bool TTextDlg::saveFile(const QString& path) const
{
    Bytes b = EncodeArtistText(text().split(QLatin1Char('\n')));
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write(reinterpret_cast<const char*>(b.data()), qint64(b.size()));
    return f.commit();
}

void TTextDlg::openClicked()
{
    QString path = QFileDialog::getOpenFileName(this, open_->text().remove(QLatin1Char('&')), QString(), FileFilter());
    if (!path.isEmpty())
        loadFile(path);
}

void TTextDlg::saveClicked()
{
    QFileDialog d(this, QStringLiteral("保存"), QString(), FileFilter());
    d.setAcceptMode(QFileDialog::AcceptSave);
    d.setDefaultSuffix(QStringLiteral("txt"));
    if (d.exec() == QDialog::Accepted && !d.selectedFiles().isEmpty())
        saveFile(d.selectedFiles().first());
}

} // namespace quillory
