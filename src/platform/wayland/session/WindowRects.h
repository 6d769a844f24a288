// A window's rectangles as a Wayland desktop tells them.
#pragma once

#include "platform/types/Rect.h"

struct TWindowRects {
    TRect Window; // with its frame, logical layout coordinates
    TRect Client;
};
