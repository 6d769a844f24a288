// Keeping the user interface alive during long mail work: the mail core calls
// MailPump() often; the installed callback (the application's event pump)
// runs about every 3 ms of work, never per byte, so byte loops stay fast and the window
// stays live.
#pragma once

#include <chrono>
#include <functional>

// Installs the callback (empty: none). Returns the previous one.
std::function<void()> SetMailPump(std::function<void()> pump);

// Cheap enough to call per line; runs the callback when 3 ms have passed
// since it last ran.
void MailPump();

// The clock that MailPump measures work with (empty: the steady clock).
void SetMailPumpClock(std::function<std::chrono::steady_clock::time_point()> clock);

// Milliseconds until the next pump is due: how long a wait may sleep.
int MailPumpDueMs();

// Runs the callback now (long waits call this every turn).
void MailPumpNow();

// Makes every pump on the calling thread a no-op: work on a thread of its own
// must never run the callback, which belongs to the message loop's thread.
void MailPumpOffOnThisThread();
