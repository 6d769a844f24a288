#include "shapes/FigurePainter.h"

void PaintFigure(QPainter& p, const TFigure& f) {
    p.setRenderHint(QPainter::Antialiasing, false);
    const QRect box(f.L, f.T, f.R - f.L - 1, f.B - f.T - 1);
    switch (f.Kind) {
    case TFigure::Rect:
        p.drawRect(box);
        break;
    case TFigure::RoundRect:
        p.drawRoundedRect(box, f.Corner / 2.0, f.Corner / 2.0);
        break;
    case TFigure::Ellipse:
        p.drawEllipse(box);
        break;
    case TFigure::Polygon:
        if (f.Points.size() >= 2) p.drawPolygon(f.Points);
        break;
    case TFigure::None:
        break;
    }
}

void PaintDottedBox(QPainter& p, int l, int t, int r, int b) {
    p.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(Qt::white, 0, Qt::DotLine);
    p.setPen(pen);
    const QPoint pts[] = {{l, t}, {r, t}, {r, b}, {l, b}, {l, t}};
    p.drawPolyline(pts, 5);
}
