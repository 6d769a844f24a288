// One shape rendered as a white figure on a coloured background, the
// picture of the shape-mask control: the capture masks with it, the
// configuration dialog shows it as a preview.
#pragma once

#include <QColor>
#include <QImage>

#include "shapes/ShapeType.h"

struct TShapeProps {
    TMyShapeType Shape = shNone;
    int16_t EdgeSize = 0;
    int VectorP = 50; // percent, 0 to 100
    int Vectors = 10; // 3 to 100
    int Angle = 90;   // 0 to 359
    QRgb BColor = qRgb(0, 0, 0);
    QRgb PColor = qRgb(0, 0, 0);
    bool UseFill = false;
    Qt::PenStyle PStyle = Qt::SolidLine;

    // The ranges the control accepts; a rejected value keeps the old one.
    bool SetVectorP(int v) { return v >= 0 && v <= 100 && (VectorP = v, true); }
    bool SetVectors(int v) { return v >= 3 && v <= 100 && (Vectors = v, true); }
    bool SetAngle(int v) { return v >= 0 && v <= 359 && (Angle = v, true); }
};

// The picture a ShapeImage of Size shows for Props.
QImage RenderShape(TShapeProps props, QSize size);
