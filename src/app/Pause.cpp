#include "app/Pause.h"

#include <QCoreApplication>
#include <QThread>

namespace {
double Seconds(const QTime& t) {
    return t.hour() * 3600 + t.minute() * 60 + t.second() + t.msec() / 1000.0;
}
} // namespace

bool PauseElapsed(double start, int startHour, double now, int nowHour, double delay) {
    if (startHour == 23 && nowHour == 0) return now + (86400 - start) > delay;
    return now > start + delay;
}

void PauseForNoSpeed(double delay, const std::function<QTime()>& clock) {
    auto time = clock ? clock : [] { return QTime::currentTime(); };
    const QTime start = time();
    for (;;) {
        QCoreApplication::processEvents();
        const QTime now = time();
        if (PauseElapsed(Seconds(start), start.hour(), Seconds(now), now.hour(), delay)) return;
        QThread::msleep(1); // events still go through every millisecond
    }
}
