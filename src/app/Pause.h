// The short pause before a grab, with the message loop kept moving, so that
// the hidden windows are gone from the screen.
#pragma once

#include <QImage>
#include <functional>

#include "platform/Display.h"

// Seconds on a clock that only runs forward (tests give their own).
using TMonotonicClock = std::function<double()>;

// Waits Delay seconds of the monotonic clock (the system's unless a test gives
// another), processing pending events meanwhile. The time of day plays no
// part: a clock change or midnight during the pause cannot stretch it.
void PauseForNoSpeed(double delay, const TMonotonicClock& clock = {});

// Pauses Least seconds, then on until Area of the screen no longer shows
// Shown (what it showed before our window was hidden) and has stopped
// changing, Most seconds at the longest. A compositor that fades windows
// out keeps drawing a hidden window, shadow and all, for a while after the
// pause; the grab must not take that ghost.
void PauseTillGone(TDisplay& display, const TRect& area, const QImage& shown, double least,
                   double most, const TMonotonicClock& clock = {});
