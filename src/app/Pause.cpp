#include "app/Pause.h"

#include <QCoreApplication>
#include <QThread>
#include <chrono>

void PauseForNoSpeed(double delay, const TMonotonicClock& clock) {
    const TMonotonicClock now = clock ? clock : [] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    };
    const double start = now();
    for (;;) {
        QCoreApplication::processEvents();
        if (now() > start + delay) return;
        QThread::msleep(1); // events still go through every millisecond
    }
}
