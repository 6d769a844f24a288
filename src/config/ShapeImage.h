// The shape-mask control: a thin widget that shows RenderShape's picture of
// its properties at its own size.
#pragma once

#include <QLabel>

#include "shapes/ShapeRender.h"

class ShapeImage : public QLabel {
    Q_OBJECT
public:
    explicit ShapeImage(QWidget* parent = nullptr);

    const TShapeProps& Props() const { return P; }
    const QImage& Picture() const { return FPicture; }

    // Each accepts what the control accepts, keeps the old value otherwise,
    // and renders again after an accepted change.
    void SetShape(TMyShapeType v);
    void SetVectorP(int v);
    void SetVectors(int v);
    void SetAngle(int v);
    void SetBColor(QRgb v);
    void SetPColor(QRgb v);
    void SetPStyle(Qt::PenStyle v);

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void Render();
    TShapeProps P;
    QImage FPicture;
};
