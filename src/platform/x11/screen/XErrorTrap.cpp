#include "platform/x11/screen/XErrorTrap.h"

namespace {
int FirstError = 0;
int Catch(Display*, XErrorEvent* e) {
    if (!FirstError) FirstError = e->error_code;
    return 0;
}
} // namespace

TXErrorTrap::TXErrorTrap(Display* dpy) : Dpy(dpy) {
    XSync(Dpy, False);
    FirstError = 0;
    Previous = XSetErrorHandler(Catch);
}

TXErrorTrap::~TXErrorTrap() {
    XSync(Dpy, False);
    XSetErrorHandler(Previous);
}

int TXErrorTrap::Sync() {
    XSync(Dpy, False);
    int e = FirstError;
    FirstError = 0;
    return e;
}
