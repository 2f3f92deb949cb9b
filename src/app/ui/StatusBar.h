#pragma once
// StatusBar1: two panels painted by the program. Panel 0 (60 pixels) shows the row
// count, panel 1 the path of the selected row or the hint of the moment, embossed.
#include "app/ListPaint.h"

#include <QIcon>
#include <QWidget>

namespace quillory {

class TStatusBar : public QWidget {
    Q_OBJECT
public:
    explicit TStatusBar(QWidget* parent = nullptr);

    void setPanel0(const QString& text);
    QString panel0() const { return panel0_; }
    // A hint or message; replaces a path shown before.
    void setPanel1(const QString& text);
    // A file's path: drawn 20 pixels in, with the file's icon when it is of an
    // accepted kind.
    void setPath(const QString& path, const QIcon& icon);
    QString panel1() const { return panel1_; }
    bool panel1IsPath() const { return isPath_; }
    // The hint of the status bar while the pointer is less than 50 pixels from its
    // left edge: "ファイル数|" + count + " files".
    QString hintAt(int x) const;
    void setRowCount(int n) { rowCount_ = n; }

    void setScheme(const ColourScheme& s);

    static constexpr int kPanel0Width = 60;

protected:
    void paintEvent(QPaintEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    QSize sizeHint() const override;

private:
    void drawPanel(QPainter& p, const QRect& r, const QString& text, int indent);

    QString panel0_;
    QString panel1_;
    bool isPath_ = false;
    QIcon icon_;
    int rowCount_ = 0;
    ColourScheme scheme_;
};

} // namespace quillory
