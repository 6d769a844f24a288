#include "platform/x11/selection/ClipKeeper.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <chrono>
#include <optional>
#include <poll.h>
#include <unistd.h>

#include "platform/keeper/KeeperSays.h"
#include "platform/keeper/KeptTargets.h"
#include "platform/x11/selection/X11SelectionServer.h"

namespace {

// The window names the keeper's process, as any client's may
// (_NET_WM_PID with WM_CLIENT_MACHINE).
Window KeeperWindow(Display* dpy) {
    XSetWindowAttributes a{};
    a.event_mask = PropertyChangeMask;
    const Window win = XCreateWindow(dpy, DefaultRootWindow(dpy), -10, -10, 1, 1, 0, 0, InputOnly,
                                     CopyFromParent, CWEventMask, &a);
    char name[] = "snaprio-keeper";
    char* names[] = {name};
    XTextProperty title;
    if (XStringListToTextProperty(names, 1, &title)) {
        XSetWMProperties(dpy, win, &title, &title, nullptr, 0, nullptr, nullptr, nullptr);
        XFree(title.value);
    }
    const long pid = getpid();
    XChangeProperty(dpy, win, XInternAtom(dpy, "_NET_WM_PID", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
    return win;
}

} // namespace

int RunClipKeeper(Window program, int data, int word) {
    std::optional<TKeptFile> kept = ReadKeptTargets(data);
    ::close(data); // the mapping stays
    if (!kept) return KeeperRefuses("no picture was handed over");
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) return KeeperRefuses("cannot open the X display");
    IgnoreErrorsOf(dpy);
    const Window win = KeeperWindow(dpy);
    const Atom clipboard = XInternAtom(dpy, "CLIPBOARD", False);
    TX11SelectionServer server(dpy, win, clipboard);
    std::vector<TSelectionTarget> targets;
    for (const TKeptTarget& t : kept->Targets)
        targets.push_back(
            {XInternAtom(dpy, t.Name.c_str(), False), {}, {kept->Mapping, t.Data, t.Size}, true});
    // Checked and taken in one piece: a client that copies in between keeps
    // what it copied.
    XGrabServer(dpy);
    const bool programOwns = XGetSelectionOwner(dpy, clipboard) == program;
    const bool owned = programOwns && server.Own(std::move(targets));
    XUngrabServer(dpy);
    XFlush(dpy);
    if (!owned) {
        XCloseDisplay(dpy);
        return KeeperRefuses(programOwns ? "the clipboard was taken meanwhile"
                                         : "the program no longer owns the clipboard");
    }
    KeeperOwns(word);

    auto lostAt = std::chrono::steady_clock::time_point::max();
    for (;;) {
        server.ReadEvents();
        if (!server.Owns()) {
            const auto now = std::chrono::steady_clock::now();
            if (lostAt == std::chrono::steady_clock::time_point::max()) lostAt = now;
            if (!server.Transferring() || now - lostAt > KeeperLostGrace) break;
        }
        pollfd p{ConnectionNumber(dpy), POLLIN, 0};
        poll(&p, 1, server.Owns() ? -1 : 100);
    }
    XCloseDisplay(dpy);
    return 0;
}
