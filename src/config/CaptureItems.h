// The delivery actions (the "Action" setting), beside the capture items.
#pragma once

#include <array>
#include <string_view>

#include "shapes/CaptureItems.h"

inline constexpr std::array<std::string_view, 7> ActionNames = {
    "Save As Bitmap",  "Save As GIF",       "Save As JPEG",     "Print In Pixels",
    "Print Full Page", "Copy To Clipboard", "E-Mail The Image",
};
