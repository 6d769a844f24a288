// The one numbering the whole program uses for what can be captured (the
// "What To Cap" and "Shape" settings, the shape list, the driver).
#pragma once

#include <array>
#include <string_view>

inline constexpr std::array<std::string_view, 20> CaptureItemNames = {
    "Screen",        "Window",         "Client Window",  "Rectangle", "Rounded Rectangle",
    "Square",        "Rounded Square", "Ellipse",        "Circle",    "Triangle Up",
    "Triangle Down", "Triangle Left",  "Triangle Right", "Diamond",   "Star",
    "Polygon 1",     "Polygon 2",      "Polygon 3",      "Polygon 4", "Polygon 5",
};

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
static_assert(ciLast + 1 == CaptureItemNames.size());

// Items whose dragged rectangle shrinks to a centred square.
constexpr bool SquareFitted(int item) {
    return item == ciSquare || item == ciRoundSquare || item == ciCircle ||
           (item >= ciStar && item <= ciLast);
}

// Star and polygons: their figure takes vector settings.
constexpr bool StarLike(int item) {
    return item >= ciStar && item <= ciLast;
}
