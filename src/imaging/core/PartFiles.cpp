#include "imaging/core/PartFiles.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace {

// The handler may run at any moment on any thread: fixed storage, and a slot
// is read only while it says it is complete.
enum class TSlot : int { Free, Filling, Noted };
constexpr int Slots = 8;
std::array<std::atomic<TSlot>, Slots> States{};
char Paths[Slots][PATH_MAX];

void OnSignal(int sig) {
    const int saved = errno;
    for (int i = 0; i < Slots; ++i)
        if (States[i].load() == TSlot::Noted) ::unlink(Paths[i]);
    errno = saved;
    std::signal(sig, SIG_DFL);
    ::raise(sig);
}

} // namespace

void KeepPartFile(const std::string& path) {
    if (path.size() >= PATH_MAX) return;
    for (int i = 0; i < Slots; ++i) {
        TSlot free = TSlot::Free;
        if (!States[i].compare_exchange_strong(free, TSlot::Filling)) continue;
        std::memcpy(Paths[i], path.c_str(), path.size() + 1);
        States[i].store(TSlot::Noted);
        return;
    }
}

void ForgetPartFile(const std::string& path) {
    for (int i = 0; i < Slots; ++i) {
        TSlot noted = TSlot::Noted;
        if (path == Paths[i] && States[i].compare_exchange_strong(noted, TSlot::Free)) return;
    }
}

void RemovePartFilesOnSignals() {
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&sa.sa_mask, sig);
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &sa, nullptr);
}
