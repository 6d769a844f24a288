#include "config/ShapeSettings.h"

#include "config/ShapeFields.h"
#include "settings/Configs.h"
#include "shapes/CaptureItems.h"

TShapeItem ShapeItemOf(int item) {
    const ConfigRec& c = Config;
    TShapeItem s;
    s.Star = {c.StarVector, c.StarVectorSize, 90};
    if (!IsCaptureItem(item)) return s;
    s.Shape = CaptureItems[static_cast<size_t>(item)].Mask;
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
