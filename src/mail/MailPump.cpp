#include "mail/MailPump.h"

#include <chrono>

namespace {

using TClock = std::chrono::steady_clock;
constexpr auto Interval = std::chrono::milliseconds(4);
constexpr unsigned CallsPerClockRead = 16; // a clock read costs more than a call

std::function<void()>& Callback() {
    static std::function<void()> callback;
    return callback;
}
TClock::time_point LastRun;
unsigned Calls = 0;

} // namespace

std::function<void()> SetMailPump(std::function<void()> pump) {
    std::swap(pump, Callback());
    LastRun = TClock::now();
    return pump;
}

void MailPumpNow() {
    LastRun = TClock::now();
    if (Callback()) Callback()();
}

void MailPump() {
    if (!Callback() || ++Calls < CallsPerClockRead) return;
    Calls = 0;
    if (TClock::now() - LastRun >= Interval) MailPumpNow();
}
