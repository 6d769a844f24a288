// The figures of the selectable items: the star polygon, each item's figure
// in a rectangle, and the size read-out. Shared by the rubber band, the mask
// and the border, so all three agree.
#pragma once

#include <QPoint>
#include <QPolygon>
#include <QRect>
#include <QSize>
#include <vector>

// Star/polygon geometry of one item: vector count, vector size in percent,
// angle in degrees.
struct TStarSettings {
    int Vectors = 10;
    int VectorSize = 50;
    int Angle = 90;
};

// N + 1 points of the star polygon in the square (X0, Y0, Width, Height);
// the figure is the first N. Rounding halves to even.
std::vector<QPoint> PointsArray(int x0, int y0, int width, int height, int ox, int oy, int n, int s,
                                int a);

struct TFigure {
    enum TKind { None, Rect, RoundRect, Ellipse, Polygon } Kind = None;
    // Rect, RoundRect, Ellipse: left, top, right, bottom as GDI takes them
    // (right and bottom just outside).
    int L = 0, T = 0, R = 0, B = 0;
    int Corner = 0; // corner ellipse of RoundRect
    QPolygon Points;
};

// Item ciRectangle to ciLast in the rectangle (L, T, R, B); Star is the item's star geometry.
TFigure FigureFor(int item, int l, int t, int r, int b, const TStarSettings& star);

// The read-out numbers for an item's outline of W by H.
QSize ReadoutSize(int item, int w, int h);

// The centred m x m square of a W x H rectangle at (L, T).
QRect CentredSquare(int l, int t, int w, int h);

// Halving as the figures do: truncated toward zero.
constexpr int Half(int v) {
    return v / 2;
}
