// The short pause before a grab, with the message loop kept moving, so that
// the hidden windows are gone from the screen.
#pragma once

#include <QTime>
#include <functional>

// True once Delay seconds have passed since Start (seconds of the day, with
// its hour); across midnight the day's length is counted in.
bool PauseElapsed(double start, int startHour, double now, int nowHour, double delay);

// Waits Delay seconds of the clock (the system's time of day unless a test
// gives another), processing pending events meanwhile.
void PauseForNoSpeed(double delay, const std::function<QTime()>& clock = {});
