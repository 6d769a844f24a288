// The one numbering the whole program uses for what can be captured (the
// "What To Cap" and "Shape" settings, the shape list, the driver) and for
// the delivery actions (the "Action" setting).
#pragma once

#include <array>
#include <string_view>

inline constexpr std::array<std::string_view, 20> CaptureItemNames = {
    "Screen",        "Window",         "Client Window",  "Rectangle", "Rounded Rectangle",
    "Square",        "Rounded Square", "Ellipse",        "Circle",    "Triangle Up",
    "Triangle Down", "Triangle Left",  "Triangle Right", "Diamond",   "Star",
    "Polygon 1",     "Polygon 2",      "Polygon 3",      "Polygon 4", "Polygon 5",
};

enum TCaptureItem : int {
    ciScreen = 0,
    ciWindow = 1,
    ciClient = 2,
    ciRectangle = 3,
    ciFirstShape = 4,
    ciLast = 19,
};

// Items whose dragged rectangle shrinks to a centred square.
constexpr bool SquareFitted(int item) {
    return item == 5 || item == 6 || item == 8 || (item >= 14 && item <= 19);
}

inline constexpr std::array<std::string_view, 7> ActionNames = {
    "Save As Bitmap",  "Save As GIF",       "Save As JPEG",     "Print In Pixels",
    "Print Full Page", "Copy To Clipboard", "E-Mail The Image",
};
