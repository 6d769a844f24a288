#include "shapes/ShapeMask.h"

#include <QPainter>

#include "shapes/CaptureItems.h"
#include "shapes/FigurePainter.h"

QRgb ColorOf(int c) {
    return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

void MaskPicture(QImage& picture, int item, const TShapeItem& s) {
    // The square has no colour or border settings: it stays as grabbed.
    if (item == ciSquare || picture.isNull()) return;
    if (picture.format() != QImage::Format_RGB32) picture.convertTo(QImage::Format_RGB32);
    const QSize size = picture.size();
    TShapeProps props;
    props.Shape = s.Shape;
    props.EdgeSize = 0;
    props.BColor = qRgb(0, 0, 0);
    props.SetVectorP(s.Star.VectorSize);
    props.SetVectors(s.Star.Vectors);
    if (s.Polygon) props.SetAngle(s.Star.Angle);
    const QImage black = RenderShape(props, size);
    props.BColor = s.ShapeColor;
    const QImage colored = RenderShape(props, size);
    // MERGEPAINT (dst | ~src), then SRCAND (dst & src).
    for (int y = 0; y < size.height(); ++y) {
        auto* d = reinterpret_cast<QRgb*>(picture.scanLine(y));
        const auto* m1 = reinterpret_cast<const QRgb*>(black.constScanLine(y));
        const auto* m2 = reinterpret_cast<const QRgb*>(colored.constScanLine(y));
        for (int x = 0; x < size.width(); ++x) d[x] = ((d[x] | ~m1[x]) & m2[x]) | 0xFF000000u;
    }
    // The border over the mask's edge, with the same figure one pixel wide.
    QPainter p(&picture);
    p.setPen(QPen(QColor(s.UseBorder ? s.BorderColor : s.ShapeColor), 1));
    p.setBrush(Qt::NoBrush);
    PaintFigure(p, FigureFor(item, 0, 0, size.width(), size.height(), s.Star));
}
