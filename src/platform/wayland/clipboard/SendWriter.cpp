#include "platform/wayland/clipboard/SendWriter.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace {

// A reader that takes nothing for this long has hung; its paste is ended.
constexpr int StallMs = 30000;

std::atomic<int> UnderWay{0};

void WriteAll(int fd, const TKeptBytes& bytes) {
    size_t done = 0;
    while (done < bytes.Size) {
        const ssize_t n = write(fd, bytes.Data + done, bytes.Size - done);
        if (n > 0) {
            done += size_t(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) return; // the reader left (EPIPE)
        pollfd p{fd, POLLOUT, 0};
        const int ready = poll(&p, 1, StallMs);
        if (ready == 0 || (ready < 0 && errno != EINTR)) return;
    }
}

} // namespace

int WritesUnderWay() {
    return UnderWay.load();
}

void WriteDetached(int fd, std::function<TKeptBytes()> bytes) {
    ++UnderWay;
    std::thread([fd, bytes = std::move(bytes)] {
        // A reader that closes its end early must not end the program: the
        // signal stays with this thread, blocked, and the write says EPIPE.
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        try {
            WriteAll(fd, bytes());
        } catch (...) {
            // Bytes that could not be made: the reader gets an empty paste.
        }
        close(fd);
        --UnderWay;
    }).detach();
}
