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

unsigned long StripedWindow(Display* dpy, int x, int y, int w, int h, unsigned long seed) {
    const auto uw = static_cast<unsigned>(w), uh = static_cast<unsigned>(h);
    Pixmap stripes = XCreatePixmap(dpy, DefaultRootWindow(dpy), uw, uh,
                                   static_cast<unsigned>(DefaultDepth(dpy, 0)));
    GC gc = XCreateGC(dpy, stripes, 0, nullptr);
    for (int i = 0; i < w; i += 2) {
        XSetForeground(dpy, gc, (static_cast<unsigned long>(i) * seed) & 0xFFFFFF);
        XFillRectangle(dpy, stripes, gc, i, 0, 2, uh);
    }
    XFreeGC(dpy, gc);
    XSetWindowAttributes a{};
    a.background_pixmap = stripes;
    a.override_redirect = True;
    const Window win =
        XCreateWindow(dpy, DefaultRootWindow(dpy), x, y, uw, uh, 0, CopyFromParent, InputOutput,
                      CopyFromParent, CWBackPixmap | CWOverrideRedirect, &a);
    XFreePixmap(dpy, stripes); // the window keeps its background
    XMapWindow(dpy, win);
    XSync(dpy, False);
    return win;
}
