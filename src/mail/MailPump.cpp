#include "mail/MailPump.h"

#include <chrono>

namespace {

using TClock = std::chrono::steady_clock;
constexpr auto Interval = std::chrono::milliseconds(3);
constexpr unsigned CallsPerClockRead = 16; // a clock read costs more than a call

std::function<void()>& Callback() {
    static std::function<void()> callback;
    return callback;
}
thread_local bool PumpsHere = true;
TClock::time_point LastRun;
unsigned Calls = 0;
std::function<TClock::time_point()> Clock;

TClock::time_point Now() {
    return Clock ? Clock() : TClock::now();
}

} // namespace

std::function<void()> SetMailPump(std::function<void()> pump) {
    std::swap(pump, Callback());
    LastRun = Now();
    return pump;
}

void SetMailPumpClock(std::function<std::chrono::steady_clock::time_point()> clock) {
    Clock = std::move(clock);
    LastRun = Now();
}

int MailPumpDueMs() {
    const auto left = Interval - (Now() - LastRun);
    return left <= TClock::duration::zero()
               ? 0
               : static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
}

void MailPumpOffOnThisThread() {
    PumpsHere = false;
}

void MailPumpNow() {
    if (!PumpsHere) return;
    LastRun = Now();
    if (Callback()) Callback()();
}

void MailPump() {
    if (!PumpsHere || !Callback() || ++Calls < CallsPerClockRead) return;
    Calls = 0;
    if (Now() - LastRun >= Interval) MailPumpNow();
}
