#include "config/ShapeImage.h"

#include <QPixmap>

ShapeImage::ShapeImage(QWidget* parent) : QLabel(parent) {
    Render();
}

void ShapeImage::Render() {
    FPicture = RenderShape(P, size());
    setPixmap(QPixmap::fromImage(FPicture));
}

void ShapeImage::resizeEvent(QResizeEvent* e) {
    QLabel::resizeEvent(e);
    Render();
}

void ShapeImage::SetShape(TMyShapeType v) {
    P.Shape = v, Render();
}
void ShapeImage::SetVectorP(int v) {
    if (P.SetVectorP(v)) Render();
}
void ShapeImage::SetVectors(int v) {
    if (P.SetVectors(v)) Render();
}
void ShapeImage::SetAngle(int v) {
    if (P.SetAngle(v)) Render();
}
void ShapeImage::SetBColor(QRgb v) {
    P.BColor = v, Render();
}
void ShapeImage::SetPColor(QRgb v) {
    P.PColor = v, Render();
}
void ShapeImage::SetPStyle(Qt::PenStyle v) {
    P.PStyle = v, Render();
}
