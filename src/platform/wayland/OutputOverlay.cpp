#include "platform/wayland/OutputOverlay.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <cmath>

#include "platform/wayland/OverlayInput.h"
#include "product/ProductName.h"

TOutputOverlay::TOutputOverlay(QScreen* screen, const QImage& view, QRect place,
                               TOverlayInput& input)
    : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), View(view),
      Place(place), Input(input) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setWindowTitle(QString(ProgramTitle) + " selection");
    setScreen(screen);
    setGeometry(screen->geometry());
}

QPoint TOutputOverlay::OnDisplay(QPointF local) const {
    // At scale 2 a position can fall between logical pixels: the pixel it is in.
    return Place.topLeft() + QPoint(int(std::floor(local.x())), int(std::floor(local.y())));
}

void TOutputOverlay::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    // The picture's native pixels onto the window's own, one for one where
    // the scale is a whole number.
    const double sx = double(View.width()) / std::max(1, Place.width());
    const double sy = double(View.height()) / std::max(1, Place.height());
    for (const QRect& r : e->region())
        p.drawImage(QRectF(r), View,
                    QRectF(r.x() * sx, r.y() * sy, r.width() * sx, r.height() * sy));
}

void TOutputOverlay::enterEvent(QEnterEvent* e) {
    Input.Move(OnDisplay(e->position()));
}

void TOutputOverlay::mouseMoveEvent(QMouseEvent* e) {
    Input.Move(OnDisplay(e->position()));
}

void TOutputOverlay::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton || e->button() == Qt::RightButton)
        Input.Button(e->button() == Qt::LeftButton, true, OnDisplay(e->position()));
}

void TOutputOverlay::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton || e->button() == Qt::RightButton)
        Input.Button(e->button() == Qt::LeftButton, false, OnDisplay(e->position()));
}

void TOutputOverlay::keyPressEvent(QKeyEvent* e) {
    if (!Input.Key(e->key())) QWidget::keyPressEvent(e);
}
