#include "imaging/core/MapGuard.h"

#include <atomic>
#include <csignal>
#include <cstdint>
#include <mutex>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// Read by the signal handler: lock-free words only.
struct TRange {
    std::atomic<uintptr_t> Begin{0}, End{0};
    std::atomic<bool> Lost{false};
};
constexpr int Slots = 64;
TRange Ranges[Slots];
struct sigaction Previous {};
uintptr_t PageSize = 4096; // set before the handler is installed

void OnBusError(int sig, siginfo_t* info, void* context) {
    const auto at = reinterpret_cast<uintptr_t>(info->si_addr);
    for (TRange& r : Ranges) {
        const uintptr_t begin = r.Begin.load(), end = r.End.load();
        if (begin == 0 || at < begin || at >= end) continue;
        // Zeros from the faulting page to the end of the range: the file
        // lost its tail, so one replacement serves every later access.
        const uintptr_t page = at & ~(PageSize - 1);
        if (mmap(reinterpret_cast<void*>(page), end - page, PROT_READ,
                 MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) != MAP_FAILED) {
            r.Lost.store(true);
            return; // the access is made again, on zeros
        }
    }
    // Not ours: what the program did before.
    if (Previous.sa_flags & SA_SIGINFO) {
        Previous.sa_sigaction(sig, info, context);
    } else if (Previous.sa_handler != SIG_DFL && Previous.sa_handler != SIG_IGN) {
        Previous.sa_handler(sig);
    } else {
        signal(sig, SIG_DFL); // the access faults again and ends the program
    }
}

void InstallHandler() {
    static std::once_flag once;
    std::call_once(once, [] {
        PageSize = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
        struct sigaction sa {};
        sa.sa_sigaction = OnBusError;
        sa.sa_flags = SA_SIGINFO | SA_NODEFER;
        sigemptyset(&sa.sa_mask);
        sigaction(SIGBUS, &sa, &Previous);
    });
}

} // namespace

TMapGuard::TMapGuard(const void* begin, size_t size) {
    InstallHandler();
    const auto b = reinterpret_cast<uintptr_t>(begin);
    for (int i = 0; i < Slots; ++i) {
        uintptr_t free = 0;
        if (!Ranges[i].End.compare_exchange_strong(free, b + size)) continue;
        Ranges[i].Lost.store(false);
        Ranges[i].Begin.store(b);
        Slot = i;
        return;
    }
}

TMapGuard::~TMapGuard() {
    if (Slot < 0) return;
    Ranges[Slot].Begin.store(0);
    Ranges[Slot].End.store(0);
}

bool TMapGuard::Lost() const {
    return Slot >= 0 && Ranges[Slot].Lost.load();
}
