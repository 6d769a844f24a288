// The grab path of the immediate capture items (screen, foreground window,
// its client area) in the resident program. `--capture` reads the same
// rectangles through the capture program (cli/CaptureCommand.h).
#pragma once

#include <QImage>

#include "platform/Display.h"
#include "platform/types/GrabFailure.h"

struct TGrab {
    QImage Picture; // null on a failure
    TGrabFailure Failure = TGrabFailure::None;
};

// The screen rectangle of item 0, 1 or 2; empty for any other item.
TRect ItemRect(int item, TDisplay& display);

// Grabs item 0, 1 or 2 as the screen shows it now.
TGrab GrabItem(int item, TDisplay& display);
