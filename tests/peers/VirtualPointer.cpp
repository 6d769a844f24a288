// A pointer for the Wayland tests: one wlr virtual pointer that lives as long
// as its standard input is open, so the seat keeps its pointer while a test
// runs (a pointer made per move would come and go with each). It reads lines:
//   abs X Y W H   to (X, Y) of a W x H layout (logical pixels)
//   down [BTN]    press a button (the left one, 272, by default; 273 is the right)
//   up [BTN]      release it
//   sleep MS
// and prints "ready" once the pointer exists, then "ok" for each line done
// (the compositor has it) or "? LINE" for one it does not know.
#include <cstdio>
#include <cstring>
#include <ctime>
#include <unistd.h>
#include <wayland-client.h>

#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace {

zwlr_virtual_pointer_manager_v1* Manager;
wl_seat* Seat;

void Global(void*, wl_registry* r, uint32_t name, const char* iface, uint32_t) {
    if (!std::strcmp(iface, zwlr_virtual_pointer_manager_v1_interface.name))
        Manager = static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(r, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
    else if (!std::strcmp(iface, wl_seat_interface.name) && !Seat)
        Seat = static_cast<wl_seat*>(wl_registry_bind(r, name, &wl_seat_interface, 1));
}

void GlobalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener Listener = {Global, GlobalRemove};

uint32_t NowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return uint32_t(t.tv_sec * 1000 + t.tv_nsec / 1000000);
}

} // namespace

int main() {
    wl_display* dpy = wl_display_connect(nullptr);
    if (!dpy) {
        std::fprintf(stderr, "virtual_pointer: no Wayland display\n");
        return 1;
    }
    wl_registry* registry = wl_display_get_registry(dpy);
    wl_registry_add_listener(registry, &Listener, nullptr);
    wl_display_roundtrip(dpy);
    if (!Manager) {
        std::fprintf(stderr, "virtual_pointer: the compositor offers no virtual pointer\n");
        return 1;
    }
    zwlr_virtual_pointer_v1* p =
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(Manager, Seat);
    wl_display_roundtrip(dpy);
    std::printf("ready\n");
    std::fflush(stdout);
    char line[256];
    while (std::fgets(line, sizeof line, stdin)) {
        unsigned x, y, w, h, button = 272;
        int ms;
        if (std::sscanf(line, "abs %u %u %u %u", &x, &y, &w, &h) == 4) {
            zwlr_virtual_pointer_v1_motion_absolute(p, NowMs(), x, y, w, h);
        } else if (!std::strncmp(line, "down", 4) || !std::strncmp(line, "up", 2)) {
            const bool down = line[0] == 'd';
            std::sscanf(line + (down ? 4 : 2), "%u", &button);
            zwlr_virtual_pointer_v1_button(p, NowMs(), button,
                                           down ? WL_POINTER_BUTTON_STATE_PRESSED
                                                : WL_POINTER_BUTTON_STATE_RELEASED);
        } else if (std::sscanf(line, "sleep %d", &ms) == 1) {
            usleep(useconds_t(ms) * 1000);
            std::printf("ok\n");
            std::fflush(stdout);
            continue;
        } else {
            std::printf("? %s", line);
            std::fflush(stdout);
            continue;
        }
        zwlr_virtual_pointer_v1_frame(p);
        if (wl_display_roundtrip(dpy) < 0) {
            std::fprintf(stderr, "virtual_pointer: the connection was lost\n");
            return 1;
        }
        std::printf("ok\n");
        std::fflush(stdout);
    }
    zwlr_virtual_pointer_v1_destroy(p);
    wl_display_roundtrip(dpy);
    wl_display_disconnect(dpy);
    return 0;
}
