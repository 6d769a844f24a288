#include "shapes/ShapeGeometry.h"

#include <algorithm>
#include <cmath>

#include "shapes/CaptureItems.h"

std::vector<QPoint> PointsArray(int x0, int y0, int width, int height, int ox, int oy, int n, int s,
                                int a) {
    std::vector<QPoint> points;
    if (n <= 0) return points;
    n = std::min(n, 100); // the buffer holds 101 points
    const int cx = width / 2, cy = height / 2;
    const int r = std::min(cx, cy);
    const double k = (100.0 - s) / 100.0;
    for (int i = 0; i <= n; ++i) {
        const double theta = (360.0 / n * i - a) * M_PI / 180.0;
        const double rho = i % 2 == 0 ? r : r * k;
        // std::nearbyint rounds halves to even in the default rounding mode.
        const int c = static_cast<int>(std::nearbyint(std::cos(theta) * rho));
        const int sn = static_cast<int>(std::nearbyint(std::sin(theta) * rho));
        points.emplace_back(c + x0 + cx + ox, sn + y0 + cy + oy);
    }
    return points;
}

QRect CentredSquare(int l, int t, int w, int h) {
    const int m = std::min(w, h);
    return QRect(l + Half(w - m), t + Half(h - m), m, m);
}

TFigure FigureFor(int item, int l, int t, int r, int b, const TStarSettings& star) {
    const int w = r - l, h = b - t, m = std::min(w, h);
    const QRect sq = CentredSquare(l, t, w, h);
    TFigure f;
    auto box = [&](TFigure::TKind kind, int L, int T, int R, int B) {
        f.Kind = kind;
        f.L = L, f.T = T, f.R = R, f.B = B;
        f.Corner = Half(Half(m)); // m / 4
    };
    auto poly = [&](std::initializer_list<QPoint> pts) {
        f.Kind = TFigure::Polygon;
        f.Points = QPolygon(std::vector<QPoint>(pts).size());
        int i = 0;
        for (const QPoint& p : pts) f.Points[i++] = p;
    };
    switch (item) {
    case ciRectangle:
        box(TFigure::Rect, l, t, r, b);
        break;
    case ciRoundRect:
        box(TFigure::RoundRect, l, t, r, b);
        break;
    case ciSquare:
        box(TFigure::Rect, sq.left(), sq.top(), sq.left() + m, sq.top() + m);
        break;
    case ciRoundSquare:
        box(TFigure::RoundRect, sq.left(), sq.top(), sq.left() + m, sq.top() + m);
        break;
    case ciEllipse:
        box(TFigure::Ellipse, l, t, r, b);
        break;
    case ciCircle:
        box(TFigure::Ellipse, sq.left(), sq.top(), sq.left() + m, sq.top() + m);
        break;
    case ciTriangleUp:
        poly({{l + Half(w), t}, {l, b}, {r, b}});
        break;
    case ciTriangleDown:
        poly({{l, t}, {l + Half(w), b}, {r, t}});
        break;
    case ciTriangleLeft:
        poly({{r, t}, {r, b}, {l, t + Half(h)}});
        break;
    case ciTriangleRight:
        poly({{l, t}, {r, t + Half(h)}, {l, b}});
        break;
    case ciDiamond:
        poly({{l + Half(w), t}, {r, t + Half(h)}, {l + Half(w), b}, {l, t + Half(h)}});
        break;
    default:
        if (StarLike(item)) {
            f.Kind = TFigure::Polygon;
            const auto pts = PointsArray(sq.left(), sq.top(), m, m, 0, 0, star.Vectors,
                                         star.VectorSize, star.Angle);
            const int n = std::max(0, static_cast<int>(pts.size()) - 1);
            f.Points = QPolygon(n);
            for (int i = 0; i < n; ++i) f.Points[i] = pts[static_cast<size_t>(i)];
        }
        break;
    }
    return f;
}

QSize ReadoutSize(int item, int w, int h) {
    if (item == ciRectangle || item == ciEllipse) return {w + 1, h + 1};
    if (SquareFitted(item)) {
        const int m = std::min(w, h);
        return {m, m};
    }
    return {w, h};
}
