// Draws a figure with a QPainter the way the system's drawing calls place
// pixels: a rectangle (L, T, R, B) covers L to R - 1 and T to B - 1; no
// antialiasing, so the mask, the border and the rubber band agree.
#pragma once

#include <QPainter>

#include "shapes/ShapeGeometry.h"

void PaintFigure(QPainter& p, const TFigure& f);

// The dotted bounding rectangle: (L, T) to (R, T) to (R, B) to (L, B).
void PaintDottedBox(QPainter& p, int l, int t, int r, int b);
