// Time from an F11 press (XTEST) to the MapNotify of the main window, over
// 20 presses of the running program; each cycle is ended with Alt+A (Abort).
// usage: bench_hotkey SNAPRIO_BINARY   (DISPLAY: an X server without a window
// manager; the program runs with a private runtime folder and settings)
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

bool IsMainWindow(Display* d, Window w) {
    char* name = nullptr;
    const bool is = XFetchName(d, w, &name) && name && std::strcmp(name, "Snaprio 2000") == 0;
    if (name) XFree(name);
    return is;
}

// Waits up to Seconds for a Map (or Unmap) of the main window; its id, or 0.
Window WaitFor(Display* d, int type, double seconds) {
    const auto end = Clock::now() + std::chrono::duration<double>(seconds);
    while (Clock::now() < end) {
        while (XPending(d)) {
            XEvent ev;
            XNextEvent(d, &ev);
            const Window w = type == MapNotify ? ev.xmap.window : ev.xunmap.window;
            if (ev.type == type && IsMainWindow(d, w)) return w;
        }
        usleep(200);
    }
    return 0;
}

void Key(Display* d, KeySym mod, KeySym sym) {
    if (mod) XTestFakeKeyEvent(d, XKeysymToKeycode(d, mod), True, 0);
    XTestFakeKeyEvent(d, XKeysymToKeycode(d, sym), True, 0);
    XTestFakeKeyEvent(d, XKeysymToKeycode(d, sym), False, 0);
    if (mod) XTestFakeKeyEvent(d, XKeysymToKeycode(d, mod), False, 0);
    XFlush(d);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_hotkey SNAPRIO_BINARY\n");
        return 2;
    }
    Display* d = XOpenDisplay(nullptr);
    if (!d) return std::fprintf(stderr, "bench_hotkey: no X display\n"), 1;
    char dir[] = "/tmp/snaprio-bench-XXXXXX";
    if (!mkdtemp(dir)) return 1;
    const std::string ini = std::string(dir) + "/SNAPRO.INI";
    if (FILE* f = std::fopen(ini.c_str(), "w")) {
        std::fputs("[Misc]\nFirst Time=No\nWhat To Cap=0\n", f);
        std::fclose(f);
    }
    XSelectInput(d, DefaultRootWindow(d), SubstructureNotifyMask);
    XSync(d, False);
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("XDG_RUNTIME_DIR", dir, 1);
        setenv("SNAPRIO_INI", ini.c_str(), 1);
        execl(argv[1], argv[1], static_cast<char*>(nullptr));
        _exit(127);
    }
    usleep(1500 * 1000); // the hot key is taken

    std::vector<double> ms;
    for (int i = 0; i < 20; ++i) {
        const auto t0 = Clock::now();
        Key(d, 0, XK_F11);
        const Window w = WaitFor(d, MapNotify, 5);
        if (!w) {
            std::fprintf(stderr, "bench_hotkey: press %d brought no window\n", i + 1);
            break;
        }
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        usleep(100 * 1000);
        XSetInputFocus(d, w, RevertToParent, CurrentTime);
        Key(d, XK_Alt_L, XK_a); // "&Abort" hides the window
        if (!WaitFor(d, UnmapNotify, 5)) {
            std::fprintf(stderr, "bench_hotkey: the window did not hide\n");
            break;
        }
        usleep(50 * 1000);
    }
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    std::remove(ini.c_str());
    rmdir(dir);
    if (ms.empty()) return 1;
    std::vector<double> sorted = ms;
    std::sort(sorted.begin(), sorted.end());
    std::printf("F11 to MapNotify over %zu presses: median %.1f ms, max %.1f ms, min %.1f ms\n",
                sorted.size(), sorted[sorted.size() / 2], sorted.back(), sorted.front());
    return ms.size() == 20 ? 0 : 1;
}
