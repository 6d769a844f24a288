// The figures a shape can take: the rubber band, the mask and the
// configuration dialog's preview draw them. Qt-free, so the capture items'
// table can name them.
#pragma once

enum TMyShapeType {
    shNone,
    shRectangle,
    shSquare,
    shRoundRect,
    shRoundSquare,
    shEllipse,
    shCircle,
    shTriangleLeft,
    shTriangleRight,
    shTriangleUp,
    shTriangleDown,
    shDiamond,
    shStar,
    shPolyGon
};
