#include "platform/UnixSignals.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int Pipe[2] = {-1, -1};

// SIGHUP comes when the terminal the program was started from closes.
constexpr int EndingSignals[] = {SIGTERM, SIGINT, SIGHUP};

void OnSignal(int) {
    const int saved = errno;
    char c = 1;
    [[maybe_unused]] ssize_t n = ::write(Pipe[1], &c, 1); // full pipe: a wake-up is pending anyway
    errno = saved;
}

} // namespace

TUnixSignals::TUnixSignals(QObject* parent) : QObject(parent) {
    if (Pipe[0] < 0 && ::pipe2(Pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    auto* notifier = new QSocketNotifier(Pipe[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        char buf[64];
        while (::read(Pipe[0], buf, sizeof buf) > 0) {
        }
        emit Terminate();
    });
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : EndingSignals) sigaction(sig, &sa, nullptr);
}

TUnixSignals::~TUnixSignals() {
    for (int sig : EndingSignals) std::signal(sig, SIG_DFL);
}
