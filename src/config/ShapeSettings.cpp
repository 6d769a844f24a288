#include "config/ShapeSettings.h"

#include <iterator>

#include "config/Configs.h"
#include "config/ShapeFields.h"
#include "shapes/CaptureItems.h"

TShapeItem ShapeItemOf(int item) {
    // The figure of each shaped item, from Rounded Rectangle on.
    static constexpr TMyShapeType Figures[] = {
        shRoundRect,    shSquare,       shRoundSquare,   shEllipse, shCircle, shTriangleUp,
        shTriangleDown, shTriangleLeft, shTriangleRight, shDiamond, shStar,   shPolyGon,
        shPolyGon,      shPolyGon,      shPolyGon,       shPolyGon};
    static_assert(std::size(Figures) == ciLast - ciFirstShape + 1);

    const ConfigRec& c = Config;
    TShapeItem s;
    s.Star = {c.StarVector, c.StarVectorSize, 90};
    if (item < ciFirstShape || item > ciLast) return s;
    s.Shape = Figures[item - ciFirstShape];
    const TShapeFields& f = ShapeFieldsOf(item);
    if (f.ShapeColor) {
        s.ShapeColor = ColorOf(c.*f.ShapeColor);
        s.BorderColor = ColorOf(c.*f.BorderColor);
        s.UseBorder = c.*f.UseBorder;
    }
    if (f.Angle) { // the polygons keep their own star settings
        s.Star = {c.*f.Vectors, c.*f.VectorSize, c.*f.Angle};
        s.Polygon = true;
    }
    return s;
}
