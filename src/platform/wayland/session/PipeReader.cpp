#include "platform/wayland/session/PipeReader.h"

#include <cerrno>
#include <poll.h>
#include <unistd.h>

TPipeReader::TPipeReader(int fd, std::chrono::milliseconds timeout)
    : Fd(fd), Timeout(timeout), Thread([this] { Run(); }) {}

TPipeReader::~TPipeReader() {
    if (Thread.joinable()) Thread.join();
    close(Fd);
}

void TPipeReader::Run() {
    uint8_t buffer[65536];
    for (;;) {
        pollfd p{Fd, POLLIN, 0};
        const int ready = poll(&p, 1, int(Timeout.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return;
        const ssize_t n = read(Fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return;
        if (n == 0) {
            Complete = true;
            return;
        }
        Bytes.insert(Bytes.end(), buffer, buffer + n);
    }
}

bool TPipeReader::Finish(std::vector<uint8_t>& bytes) {
    if (Thread.joinable()) Thread.join();
    bytes = std::move(Bytes);
    return Complete;
}
