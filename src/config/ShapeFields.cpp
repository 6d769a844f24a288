#include "config/ShapeFields.h"

#include <array>
#include <string>

#include "shapes/CaptureItems.h"

namespace {

using TFields = std::array<TShapeFields, CaptureItems.size()>;

// Each item's fields, found by the settings keys its prefix names: the
// polygons' mask colour is "PolyN Color", the others' "... Shape Color".
TFields FieldsOfKeys() {
    TFields fields{};
    for (size_t i = 0; i < CaptureItems.size(); ++i) {
        const TCaptureItemTraits& c = CaptureItems[i];
        if (c.Settings == ssNone) continue;
        const std::string prefix(c.SettingsPrefix);
        auto number = [&](const char* name) { return NumberFieldOf(prefix + name); };
        TShapeFields& f = fields[i];
        f.ShapeColor = number(c.Settings == ssPolygon ? " Color" : " Shape Color");
        f.BorderColor = number(" Border Color");
        f.UseBorder = FlagFieldOf(prefix + " Use Border");
        if (c.Settings >= ssStar) {
            f.Vectors = number(" Vector");
            f.VectorSize = number(" Vector Size");
        }
        if (c.Settings == ssPolygon) f.Angle = number(" Angle");
    }
    return fields;
}

const TFields& Fields() {
    static const TFields fields = FieldsOfKeys();
    return fields;
}

} // namespace

const TShapeFields& ShapeFieldsOf(int item) {
    static const TShapeFields none;
    return IsCaptureItem(item) ? Fields()[static_cast<size_t>(item)] : none;
}

void CopyShapeSettings(const ConfigRec& from, ConfigRec& to) {
    for (const TShapeFields& f : Fields()) {
        if (!f.ShapeColor) continue;
        to.*f.ShapeColor = from.*f.ShapeColor;
        to.*f.BorderColor = from.*f.BorderColor;
        to.*f.UseBorder = from.*f.UseBorder;
        if (f.Vectors) to.*f.Vectors = from.*f.Vectors;
        if (f.VectorSize) to.*f.VectorSize = from.*f.VectorSize;
        if (f.Angle) to.*f.Angle = from.*f.Angle;
    }
}
