#include "app/ui/StatusBar.h"

#include "app/CommandTable.h"
#include "app/ui/ListModel.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QStatusTipEvent>
#include <QToolTip>

namespace quillory {

TStatusBar::TStatusBar(QWidget* parent) : QWidget(parent), scheme_(ColourSchemeAt(0))
{
    setObjectName(QStringLiteral("StatusBar1"));
    setMouseTracking(true);
    setMinimumHeight(fontMetrics().height() + 8);
}

QSize TStatusBar::sizeHint() const
{
    return {400, fontMetrics().height() + 8};
}

void TStatusBar::setPanel0(const QString& text)
{
    panel0_ = text;
    update();
}

void TStatusBar::setPanel1(const QString& text)
{
    panel1_ = text;
    isPath_ = false;
    icon_ = QIcon();
    update();
}

void TStatusBar::setPath(const QString& path, const QIcon& icon)
{
    panel1_ = path;
    isPath_ = true;
    icon_ = icon;
    update();
}

void TStatusBar::setScheme(const ColourScheme& s)
{
    scheme_ = s;
    update();
}

QString TStatusBar::hintAt(int x) const
{
    if (x < 50)
        return QStringLiteral("ファイル数|") + QString::number(rowCount_) + QStringLiteral(" files");
    return {};
}

void TStatusBar::drawPanel(QPainter& p, const QRect& r, const QString& text, int indent)
{
    p.fillRect(r, toQColor(scheme_.status));
    p.setPen(toQColor(scheme_.frame));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    QRect tr = r.adjusted(indent, 0, -3, 0);
    QString shown = fontMetrics().elidedText(text, Qt::ElideRight, tr.width());
    // Embossed: the panel colour first, then the text colour one pixel right and up.
    p.setPen(toQColor(MixTowardWhite(scheme_.status, 160)));
    p.drawText(tr, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, shown);
    p.setPen(toQColor(scheme_.text));
    p.drawText(tr.translated(1, -1), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, shown);
}

void TStatusBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    QRect r0(0, 0, kPanel0Width, height());
    QRect r1(kPanel0Width + 2, 0, width() - kPanel0Width - 2, height());
    drawPanel(p, r0, panel0_, 3);
    int indent = isPath_ ? 20 : 3;
    drawPanel(p, r1, panel1_, indent);
    if (isPath_ && !icon_.isNull())
        icon_.paint(&p, QRect(r1.left() + 2, r1.top() + (r1.height() - 16) / 2, 16, 16));
}

void TStatusBar::mouseMoveEvent(QMouseEvent* e)
{
    QString hint = hintAt(int(e->position().x()));
    setToolTip(ShortHint(hint));
    QStatusTipEvent tip(LongHint(hint));
    if (!hint.isEmpty())
        QApplication::sendEvent(window(), &tip);
    QWidget::mouseMoveEvent(e);
}

} // namespace quillory
