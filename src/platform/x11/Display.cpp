#include "platform/x11/Display.h"

#include <X11/Xlib.h>

bool DisplayAvailable() {
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) return false;
    XCloseDisplay(dpy);
    return true;
}
