#include "app/Pause.h"

#include <QCoreApplication>
#include <QThread>
#include <chrono>

namespace {

// Between two looks at the area: longer than a fading compositor's step
// (10 to 15 ms), so that a fade still running always shows as a change.
constexpr double SettleStep = 0.03;
// Unchanged over this many steps in a row counts as settled.
constexpr int SettledSteps = 2;

TMonotonicClock Clock(const TMonotonicClock& clock) {
    if (clock) return clock;
    return [] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    };
}

} // namespace

void PauseForNoSpeed(double delay, const TMonotonicClock& clock) {
    const TMonotonicClock now = Clock(clock);
    const double start = now();
    for (;;) {
        QCoreApplication::processEvents();
        if (now() > start + delay) return;
        QThread::msleep(1); // events still go through every millisecond
    }
}

void PauseTillGone(TDisplay& display, const TRect& area, const QImage& shown, double least,
                   double most, const TMonotonicClock& clock) {
    const TMonotonicClock now = Clock(clock);
    const double end = now() + most;
    PauseForNoSpeed(least, now);
    if (area.Empty() || shown.isNull()) return;
    QImage last;
    int settled = 0;
    while (now() < end) {
        QImage seen = display.Grab(area);
        if (seen.isNull()) return;
        settled = seen == last ? settled + 1 : 0;
        if (settled >= SettledSteps && seen != shown) return;
        last = std::move(seen);
        PauseForNoSpeed(SettleStep, now);
    }
}
