// The foreground window and its rectangles: EWMH where a window manager
// keeps it, else the input focus.
#include "platform/x11/X11DisplayImpl.h"
#include "platform/x11/X11Property.h"
#include "platform/x11/XErrorTrap.h"

#include <X11/Xatom.h>

Window TX11Display::TopLevel(Window w) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned n = 0;
    while (w && w != Root()) {
        if (!XQueryTree(Dpy(), w, &root, &parent, &children, &n)) return 0;
        if (children) XFree(children);
        if (parent == root) return w;
        w = parent;
    }
    return 0;
}

Window TX11Display::LiveForeground() {
    // A window manager that keeps _NET_ACTIVE_WINDOW decides, also when it
    // says that nothing is active (the last window minimised) or has not
    // said anything yet: its own focus window is not one the user means.
    const TXProperty supported(Dpy(), Root(), "_NET_SUPPORTED", XA_ATOM, 1024);
    const TXProperty active(Dpy(), Root(), "_NET_ACTIVE_WINDOW", XA_WINDOW, 1);
    if (active.Count() == 1) return static_cast<Window>(active[0]);
    if (supported.Has(XInternAtom(Dpy(), "_NET_ACTIVE_WINDOW", False))) return 0;
    int revert;
    Window focus = 0;
    XGetInputFocus(Dpy(), &focus, &revert);
    if (focus == None) return 0;
    if (focus == PointerRoot || focus == Root()) {
        // Keys go to the window under the pointer.
        Window root, child = 0;
        int rx, ry, wx, wy;
        unsigned mask;
        XQueryPointer(Dpy(), Root(), &root, &child, &rx, &ry, &wx, &wy, &mask);
        return child;
    }
    return TopLevel(focus); // without a window manager the top level is the window
}

void TX11Display::NoteForeground() {
    if (!Open()) return;
    TXErrorTrap trap(Dpy());
    Noted = LiveForeground();
    if (trap.Sync()) Noted = 0;
    HaveNote = true;
}

bool TX11Display::Usable(Window w) {
    XWindowAttributes a{};
    if (!w || !XGetWindowAttributes(Dpy(), w, &a)) return false;
    if (a.map_state != IsViewable || a.width <= 0 || a.height <= 0) return false;
    const TXProperty state(Dpy(), w, "_NET_WM_STATE", XA_ATOM, 64);
    return !state.Has(XInternAtom(Dpy(), "_NET_WM_STATE_HIDDEN", False));
}

TRect TX11Display::Foreground(bool withFrame) {
    if (!Open()) return {};
    TXErrorTrap trap(Dpy()); // the window may vanish while we look
    // The window the user meant is the one in front when the capture was
    // asked for; our own window has had the focus since.
    const Window client = HaveNote ? Noted : LiveForeground();
    if (!Usable(client) || trap.Sync()) return {};
    XWindowAttributes a{};
    XGetWindowAttributes(Dpy(), client, &a);
    int x = 0, y = 0;
    Window child;
    XTranslateCoordinates(Dpy(), client, Root(), 0, 0, &x, &y, &child);
    TRect r{x, y, x + a.width, y + a.height};
    if (trap.Sync()) return {}; // the window went away meanwhile
    if (withFrame) {
        const TXProperty e(Dpy(), client, "_NET_FRAME_EXTENTS", XA_CARDINAL, 4);
        XWindowAttributes fa{};
        const Window frame = e.Count() == 4 ? 0 : TopLevel(client);
        if (e.Count() == 4)
            r = {r.Left - static_cast<int>(e[0]), r.Top - static_cast<int>(e[2]),
                 r.Right + static_cast<int>(e[1]), r.Bottom + static_cast<int>(e[3])};
        else if (frame && frame != client && XGetWindowAttributes(Dpy(), frame, &fa))
            // No extents: the frame is the ancestor that is a child of the root.
            r = {fa.x, fa.y, fa.x + fa.width + 2 * fa.border_width,
                 fa.y + fa.height + 2 * fa.border_width};
    }
    // A window wholly off the screen (a window manager's own focus window)
    // is none the user can mean; one partly off is taken whole.
    const bool onScreen =
        r.Right > 0 && r.Bottom > 0 && r.Left < ScreenWidth() && r.Top < ScreenHeight();
    return onScreen && !trap.Sync() ? r : TRect{};
}
