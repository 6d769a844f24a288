#include "shapes/ShapeRender.h"

#include <QPainter>
#include <algorithm>

#include "shapes/CaptureItems.h"
#include "shapes/FigurePainter.h"

QImage RenderShape(TShapeProps props, QSize size) {
    const int W = size.width(), H = size.height();
    QImage img(std::max(W, 1), std::max(H, 1), QImage::Format_RGB32);
    img.fill(props.BColor); // UseFill floods the same background from the centre
    if (W <= 0 || H <= 0) return img;
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QColor pen = props.PStyle == Qt::DotLine ? QColor(Qt::black) : QColor(props.PColor);
    p.setPen(props.PStyle == Qt::NoPen ? QPen(Qt::NoPen) : QPen(pen, 1, props.PStyle));
    p.setBrush(Qt::white);
    const int pw = props.PStyle == Qt::NoPen ? 0 : 1;
    const int E = props.EdgeSize;
    int x0 = pw / 2, y0 = pw / 2;
    int bw = W - pw + (pw ? 1 : 0), bh = H - pw + (pw ? 1 : 0);
    const int m = std::min(bw, bh);
    if (props.Shape == shSquare || props.Shape == shRoundSquare || props.Shape == shCircle) {
        x0 += (bw - m) / 2;
        y0 += (bh - m) / 2;
        bw = bh = m;
    }
    TFigure f;
    auto box = [&](TFigure::TKind k) {
        f.Kind = k;
        f.L = x0 + E, f.T = y0 + E, f.R = x0 + bw - E, f.B = y0 + bh - E;
        f.Corner = m / 4;
    };
    // Triangles and the diamond take the figures of their capture items.
    auto item = [&](TCaptureItem n, const TStarSettings& star = {}) {
        f = FigureFor(n, E, E, W - E, H - E, star);
    };
    switch (props.Shape) {
    case shRectangle:
    case shSquare:
        box(TFigure::Rect);
        break;
    case shRoundRect:
    case shRoundSquare:
        box(TFigure::RoundRect);
        break;
    case shEllipse:
    case shCircle:
        box(TFigure::Ellipse);
        break;
    case shTriangleUp:
        item(ciTriangleUp);
        break;
    case shTriangleDown:
        item(ciTriangleDown);
        break;
    case shTriangleLeft:
        item(ciTriangleLeft);
        break;
    case shTriangleRight:
        item(ciTriangleRight);
        break;
    case shDiamond:
        item(ciDiamond);
        break;
    case shStar:
        if (props.VectorP == 0) props.VectorP = 50;
        if (props.Vectors < 10) props.Vectors = 10;
        props.Angle = 90;
        [[fallthrough]];
    case shPolyGon: {
        // The polygon in the whole rectangle (E, E, W - E, H - E), not a square.
        const auto pts = PointsArray(E, E, W - 2 * E, H - 2 * E, 0, 0, props.Vectors, props.VectorP,
                                     props.Angle);
        f.Kind = TFigure::Polygon;
        f.Points = QPolygon(static_cast<int>(pts.size()) - 1);
        for (int i = 0; i + 1 < static_cast<int>(pts.size()); ++i)
            f.Points[i] = pts[static_cast<size_t>(i)];
        break;
    }
    case shNone:
        break;
    }
    PaintFigure(p, f);
    return img;
}
