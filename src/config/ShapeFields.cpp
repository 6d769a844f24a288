#include "config/ShapeFields.h"

#include <array>

#include "shapes/CaptureItems.h"

namespace {

using R = ConfigRec;

// Indexed by capture item.
const std::array<TShapeFields, 20> Fields = {{
    {},
    {},
    {},
    {},
    {&R::RoundRectShapeColor, &R::RoundRectBorderColor, &R::RoundRectUseBorder},
    {},
    {&R::RoundSquareShapeColor, &R::RoundSquareBorderColor, &R::RoundSquareUseBorder},
    {&R::EllipseShapeColor, &R::EllipseBorderColor, &R::EllipseUseBorder},
    {&R::CircleShapeColor, &R::CircleBorderColor, &R::CircleUseBorder},
    {&R::TriUpShapeColor, &R::TriUpBorderColor, &R::TriUpUseBorder},
    {&R::TriDownShapeColor, &R::TriDownBorderColor, &R::TriDownUseBorder},
    {&R::TriLeftShapeColor, &R::TriLeftBorderColor, &R::TriLeftUseBorder},
    {&R::TriRightShapeColor, &R::TriRightBorderColor, &R::TriRightUseBorder},
    {&R::DiamondShapeColor, &R::DiamondBorderColor, &R::DiamondUseBorder},
    {&R::StarShapeColor, &R::StarBorderColor, &R::StarUseBorder, &R::StarVector,
     &R::StarVectorSize},
    {&R::Poly1Color, &R::Poly1BorderColor, &R::Poly1UseBorder, &R::Poly1Vector, &R::Poly1VectorSize,
     &R::Poly1Angle},
    {&R::Poly2Color, &R::Poly2BorderColor, &R::Poly2UseBorder, &R::Poly2Vector, &R::Poly2VectorSize,
     &R::Poly2Angle},
    {&R::Poly3Color, &R::Poly3BorderColor, &R::Poly3UseBorder, &R::Poly3Vector, &R::Poly3VectorSize,
     &R::Poly3Angle},
    {&R::Poly4Color, &R::Poly4BorderColor, &R::Poly4UseBorder, &R::Poly4Vector, &R::Poly4VectorSize,
     &R::Poly4Angle},
    {&R::Poly5Color, &R::Poly5BorderColor, &R::Poly5UseBorder, &R::Poly5Vector, &R::Poly5VectorSize,
     &R::Poly5Angle},
}};
static_assert(Fields.size() == CaptureItemNames.size());

} // namespace

const TShapeFields& ShapeFieldsOf(int item) {
    static const TShapeFields none;
    return item >= 0 && item < static_cast<int>(Fields.size()) ? Fields[item] : none;
}

void CopyShapeSettings(const ConfigRec& from, ConfigRec& to) {
    for (const TShapeFields& f : Fields) {
        if (!f.ShapeColor) continue;
        to.*f.ShapeColor = from.*f.ShapeColor;
        to.*f.BorderColor = from.*f.BorderColor;
        to.*f.UseBorder = from.*f.UseBorder;
        if (f.Vectors) to.*f.Vectors = from.*f.Vectors;
        if (f.VectorSize) to.*f.VectorSize = from.*f.VectorSize;
        if (f.Angle) to.*f.Angle = from.*f.Angle;
    }
}
