#include "app/ShapeMask.h"

#include <QPainter>

#include "app/FigurePainter.h"
#include "config/Configs.h"

QRgb ColorOf(int c) {
    return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

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
    case 4:
        set(shRoundRect, c.RoundRectShapeColor, c.RoundRectBorderColor, c.RoundRectUseBorder);
        break;
    case 5:
        s.Shape = shSquare;
        break;
    case 6:
        set(shRoundSquare, c.RoundSquareShapeColor, c.RoundSquareBorderColor,
            c.RoundSquareUseBorder);
        break;
    case 7:
        set(shEllipse, c.EllipseShapeColor, c.EllipseBorderColor, c.EllipseUseBorder);
        break;
    case 8:
        set(shCircle, c.CircleShapeColor, c.CircleBorderColor, c.CircleUseBorder);
        break;
    case 9:
        set(shTriangleUp, c.TriUpShapeColor, c.TriUpBorderColor, c.TriUpUseBorder);
        break;
    case 10:
        set(shTriangleDown, c.TriDownShapeColor, c.TriDownBorderColor, c.TriDownUseBorder);
        break;
    case 11:
        set(shTriangleLeft, c.TriLeftShapeColor, c.TriLeftBorderColor, c.TriLeftUseBorder);
        break;
    case 12:
        set(shTriangleRight, c.TriRightShapeColor, c.TriRightBorderColor, c.TriRightUseBorder);
        break;
    case 13:
        set(shDiamond, c.DiamondShapeColor, c.DiamondBorderColor, c.DiamondUseBorder);
        break;
    case 14:
        set(shStar, c.StarShapeColor, c.StarBorderColor, c.StarUseBorder);
        break;
    default: {
        if (item < 15 || item > 19) break;
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
        const TPoly& p = polys[item - 15];
        set(shPolyGon, p.Color, p.Border, p.Use);
        s.Star = {p.Vector, p.Size, p.Angle};
        s.Polygon = true;
    }
    }
    return s;
}

void MaskPicture(QImage& picture, int item, const TShapeItem& s) {
    // The square has no colour or border settings: it stays as grabbed.
    if (item == 5 || picture.isNull()) return;
    if (picture.format() != QImage::Format_RGB32) picture.convertTo(QImage::Format_RGB32);
    const QSize size = picture.size();
    TShapeProps props;
    props.Shape = s.Shape;
    props.EdgeSize = 0;
    props.BColor = qRgb(0, 0, 0);
    props.SetVectorP(s.Star.VectorSize);
    props.SetVectors(s.Star.Vectors);
    if (s.Polygon) props.SetAngle(s.Star.Angle);
    const QImage black = RenderShape(props, size);
    props.BColor = s.ShapeColor;
    const QImage colored = RenderShape(props, size);
    // MERGEPAINT (dst | ~src), then SRCAND (dst & src).
    for (int y = 0; y < size.height(); ++y) {
        auto* d = reinterpret_cast<QRgb*>(picture.scanLine(y));
        const auto* m1 = reinterpret_cast<const QRgb*>(black.constScanLine(y));
        const auto* m2 = reinterpret_cast<const QRgb*>(colored.constScanLine(y));
        for (int x = 0; x < size.width(); ++x) d[x] = ((d[x] | ~m1[x]) & m2[x]) | 0xFF000000u;
    }
    // The border over the mask's edge, with the same figure one pixel wide.
    QPainter p(&picture);
    p.setPen(QPen(QColor(s.UseBorder ? s.BorderColor : s.ShapeColor), 1));
    p.setBrush(Qt::NoBrush);
    PaintFigure(p, FigureFor(item, 0, 0, size.width(), size.height(), s.Star));
}
