// The short pause before a grab, with the message loop kept moving, so that
// the hidden windows are gone from the screen.
#pragma once

#include <functional>

// Seconds on a clock that only runs forward (tests give their own).
using TMonotonicClock = std::function<double()>;

// Waits Delay seconds of the monotonic clock (the system's unless a test gives
// another), processing pending events meanwhile. The time of day plays no
// part: a clock change or midnight during the pause cannot stretch it.
void PauseForNoSpeed(double delay, const TMonotonicClock& clock = {});
