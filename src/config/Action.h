// The delivery actions: what the "Action" setting stores, the configuration
// dialog's default-action list shows and the delivery screens do.
#pragma once

#include <array>
#include <string_view>

// Numbered as the "Action" setting stores them.
enum class TAction : int {
    SaveBitmap = 0,
    SaveGIF = 1,
    SaveJPEG = 2,
    PrintPixel = 3,
    PrintFilled = 4,
    CopyToClipboard = 5,
    EMail = 6,
    SavePNG = 7, // after the seven of old: a copy that knows only those keeps it as out of range
};

// Indexed by TAction; the settings and the lists name them so.
inline constexpr std::array<std::string_view, 8> ActionNames = {
    "Save As Bitmap",  "Save As GIF",       "Save As JPEG",     "Print In Pixels",
    "Print Full Page", "Copy To Clipboard", "E-Mail The Image", "Save As PNG",
};
static_assert(ActionNames.size() == static_cast<size_t>(TAction::SavePNG) + 1);
