#include "X11Support.h"

#include <X11/Xlib.h>

bool KeyHeldElsewhere(unsigned long sym) {
    Display* d = XOpenDisplay(nullptr);
    if (!d) return false;
    static int error;
    error = 0;
    auto old = XSetErrorHandler([](Display*, XErrorEvent* e) {
        error = e->error_code;
        return 0;
    });
    XGrabKey(d, XKeysymToKeycode(d, sym), 0, DefaultRootWindow(d), False, GrabModeAsync,
             GrabModeAsync);
    XSync(d, False);
    XSetErrorHandler(old);
    XCloseDisplay(d);
    return error == BadAccess;
}

unsigned RootChildren(Display* dpy) {
    Window root, parent, *list = nullptr;
    unsigned n = 0;
    XQueryTree(dpy, DefaultRootWindow(dpy), &root, &parent, &list, &n);
    if (list) XFree(list);
    return n;
}
