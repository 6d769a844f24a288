#include "config/ColorSwatch.h"

#include <QPainter>

TColorSwatch::TColorSwatch(QWidget* parent) : QFrame(parent) {}

void TColorSwatch::SetFill(const QColor& c) {
    FFill = c;
    update();
}

void TColorSwatch::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(Qt::black);
    p.setBrush(FFill);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}
