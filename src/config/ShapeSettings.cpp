#include "config/ShapeSettings.h"

#include "config/Configs.h"
#include "shapes/CaptureItems.h"

TShapeItem ShapeItemOf(int item) {
    const ConfigRec& c = Config;
    TShapeItem s;
    auto set = [&](TMyShapeType shape, int color, int border, bool use) {
        s.Shape = shape;
        s.ShapeColor = ColorOf(color);
        s.BorderColor = ColorOf(border);
        s.UseBorder = use;
    };
    s.Star = {c.StarVector, c.StarVectorSize, 90};
    switch (item) {
    case ciRoundRect:
        set(shRoundRect, c.RoundRectShapeColor, c.RoundRectBorderColor, c.RoundRectUseBorder);
        break;
    case ciSquare:
        s.Shape = shSquare;
        break;
    case ciRoundSquare:
        set(shRoundSquare, c.RoundSquareShapeColor, c.RoundSquareBorderColor,
            c.RoundSquareUseBorder);
        break;
    case ciEllipse:
        set(shEllipse, c.EllipseShapeColor, c.EllipseBorderColor, c.EllipseUseBorder);
        break;
    case ciCircle:
        set(shCircle, c.CircleShapeColor, c.CircleBorderColor, c.CircleUseBorder);
        break;
    case ciTriangleUp:
        set(shTriangleUp, c.TriUpShapeColor, c.TriUpBorderColor, c.TriUpUseBorder);
        break;
    case ciTriangleDown:
        set(shTriangleDown, c.TriDownShapeColor, c.TriDownBorderColor, c.TriDownUseBorder);
        break;
    case ciTriangleLeft:
        set(shTriangleLeft, c.TriLeftShapeColor, c.TriLeftBorderColor, c.TriLeftUseBorder);
        break;
    case ciTriangleRight:
        set(shTriangleRight, c.TriRightShapeColor, c.TriRightBorderColor, c.TriRightUseBorder);
        break;
    case ciDiamond:
        set(shDiamond, c.DiamondShapeColor, c.DiamondBorderColor, c.DiamondUseBorder);
        break;
    case ciStar:
        set(shStar, c.StarShapeColor, c.StarBorderColor, c.StarUseBorder);
        break;
    default: {
        if (item < ciPolygon1 || item > ciPolygon5) break;
        struct TPoly {
            int Vector, Size, Angle, Color, Border;
            bool Use;
        };
        const TPoly polys[] = {{c.Poly1Vector, c.Poly1VectorSize, c.Poly1Angle, c.Poly1Color,
                                c.Poly1BorderColor, c.Poly1UseBorder},
                               {c.Poly2Vector, c.Poly2VectorSize, c.Poly2Angle, c.Poly2Color,
                                c.Poly2BorderColor, c.Poly2UseBorder},
                               {c.Poly3Vector, c.Poly3VectorSize, c.Poly3Angle, c.Poly3Color,
                                c.Poly3BorderColor, c.Poly3UseBorder},
                               {c.Poly4Vector, c.Poly4VectorSize, c.Poly4Angle, c.Poly4Color,
                                c.Poly4BorderColor, c.Poly4UseBorder},
                               {c.Poly5Vector, c.Poly5VectorSize, c.Poly5Angle, c.Poly5Color,
                                c.Poly5BorderColor, c.Poly5UseBorder}};
        const TPoly& p = polys[item - ciPolygon1];
        set(shPolyGon, p.Color, p.Border, p.Use);
        s.Star = {p.Vector, p.Size, p.Angle};
        s.Polygon = true;
    }
    }
    return s;
}
