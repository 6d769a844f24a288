// The grab path of the immediate capture items (screen, foreground window,
// its client area), shared by the capture driver and `--capture`.
#pragma once

#include <QImage>
#include <QString>

#include "platform/Display.h"

enum class TGrabFailure { None, NoWindow, EmptyArea, NoDisplay };

struct TGrab {
    QImage Picture; // null on a failure
    TGrabFailure Failure = TGrabFailure::None;
};

// The screen rectangle of item 0, 1 or 2; empty for any other item.
TRect ItemRect(int item, TDisplay& display);

// Grabs item 0, 1 or 2 as the screen shows it now.
TGrab GrabItem(int item, TDisplay& display);

// What the user is told when a grab gives nothing.
QString GrabFailureText(TGrabFailure failure);
