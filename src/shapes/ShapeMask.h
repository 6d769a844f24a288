// Masking a shaped capture: outside the shape the picture takes the item's
// shape colour, the edge its border colour (the shape colour with the border
// off), the inside stays as grabbed.
#pragma once

#include <QImage>

#include "shapes/ShapeGeometry.h"
#include "shapes/ShapeRender.h"

struct TShapeItem {
    TMyShapeType Shape = shNone;
    QRgb ShapeColor = qRgb(255, 255, 255);
    QRgb BorderColor = qRgb(0, 0, 0);
    bool UseBorder = true;
    TStarSettings Star;   // as set: the rubber band and the border use it
    bool Polygon = false; // Polygon 1 to 5: the mask takes all three settings
};

// A setting's colour (low byte red) as a pixel value.
QRgb ColorOf(int color);

// Masks Picture (W x H) for the item and draws its border; the picture ends
// as 32-bit RGB. "Square" (item 5) comes out like a rectangle, unframed.
void MaskPicture(QImage& picture, int item, const TShapeItem& s);
