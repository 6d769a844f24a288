// The one numbering the whole program uses for what can be captured (the
// "What To Cap" and "Shape" settings, the shape list, the driver), and one
// row of traits per item that the selection, the mask, the configuration
// dialog and the settings all read.
#pragma once

#include <array>
#include <string_view>

#include "shapes/ShapeType.h"

// Unscoped on purpose: the settings store the number, and the shape list's
// position is the number minus ciRectangle.
enum TCaptureItem : int {
    ciScreen,
    ciWindow,
    ciClient,
    ciRectangle,
    ciRoundRect,
    ciSquare,
    ciRoundSquare,
    ciEllipse,
    ciCircle,
    ciTriangleUp,
    ciTriangleDown,
    ciTriangleLeft,
    ciTriangleRight,
    ciDiamond,
    ciStar,
    ciPolygon1,
    ciPolygon2,
    ciPolygon3,
    ciPolygon4,
    ciPolygon5,
    ciFirstShape = ciRoundRect, // the first item with a mask
    ciLast = ciPolygon5,
};

// The configuration dialog's preview: 128 by 96 or 96 by 96 pixels.
enum TPreviewFrame { pfWide, pfSquare };

// The shape settings an item has (section "Capture", keys named after its
// settings prefix): colours and border; the star adds vectors and vector
// size, each polygon also its own angle.
enum TShapeSettings { ssNone, ssColours, ssStar, ssPolygon };

struct TCaptureItemTraits {
    std::string_view Name; // as the lists show it, at most 20 characters
    TMyShapeType Mask;     // shNone: the grab is not masked
    TMyShapeType Preview;
    TPreviewFrame Frame;
    bool SquareFitted; // the dragged rectangle shrinks to a centred square
    std::string_view SettingsPrefix;
    TShapeSettings Settings;
};

inline constexpr std::array<TCaptureItemTraits, ciLast + 1> CaptureItems = {{
    // Name, mask, preview, frame, square-fitted, settings prefix, settings.
    {"Screen", shNone, shRectangle, pfWide, false, "", ssNone},
    {"Window", shNone, shRectangle, pfWide, false, "", ssNone},
    {"Client Window", shNone, shRectangle, pfWide, false, "", ssNone},
    {"Rectangle", shNone, shRectangle, pfWide, false, "", ssNone},
    {"Rounded Rectangle", shRoundRect, shRoundRect, pfWide, false, "RoundRect", ssColours},
    {"Square", shSquare, shSquare, pfSquare, true, "", ssNone},
    {"Rounded Square", shRoundSquare, shRoundSquare, pfSquare, true, "RoundSquare", ssColours},
    {"Ellipse", shEllipse, shEllipse, pfWide, false, "Ellipse", ssColours},
    {"Circle", shCircle, shCircle, pfSquare, true, "Circle", ssColours},
    {"Triangle Up", shTriangleUp, shTriangleUp, pfSquare, false, "TriUp", ssColours},
    {"Triangle Down", shTriangleDown, shTriangleDown, pfSquare, false, "TriDown", ssColours},
    {"Triangle Left", shTriangleLeft, shTriangleLeft, pfSquare, false, "TriLeft", ssColours},
    {"Triangle Right", shTriangleRight, shTriangleRight, pfSquare, false, "TriRight", ssColours},
    {"Diamond", shDiamond, shDiamond, pfSquare, false, "Diamond", ssColours},
    {"Star", shStar, shStar, pfSquare, true, "Star", ssStar},
    {"Polygon 1", shPolyGon, shPolyGon, pfSquare, true, "Poly1", ssPolygon},
    {"Polygon 2", shPolyGon, shPolyGon, pfSquare, true, "Poly2", ssPolygon},
    {"Polygon 3", shPolyGon, shPolyGon, pfSquare, true, "Poly3", ssPolygon},
    {"Polygon 4", shPolyGon, shPolyGon, pfSquare, true, "Poly4", ssPolygon},
    {"Polygon 5", shPolyGon, shPolyGon, pfSquare, true, "Poly5", ssPolygon},
}};

constexpr bool IsCaptureItem(int item) {
    return item >= ciScreen && item <= ciLast;
}

constexpr bool SquareFitted(int item) {
    return IsCaptureItem(item) && CaptureItems[item].SquareFitted;
}

// Star and polygons: their figure takes vector settings.
constexpr bool StarLike(int item) {
    return IsCaptureItem(item) && CaptureItems[item].Settings >= ssStar;
}

// The preview frame of Item; the square one when no item is chosen.
constexpr TPreviewFrame PreviewFrameOf(int item) {
    return IsCaptureItem(item) ? CaptureItems[item].Frame : pfSquare;
}
