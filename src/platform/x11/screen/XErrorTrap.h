// Catches X protocol errors over a stretch of requests instead of letting
// Xlib's default handler end the program. The previous handler is restored
// when the trap goes out of scope.
#pragma once

#include <X11/Xlib.h>

class TXErrorTrap {
public:
    explicit TXErrorTrap(Display* dpy);
    TXErrorTrap(const TXErrorTrap&) = delete;
    TXErrorTrap& operator=(const TXErrorTrap&) = delete;
    ~TXErrorTrap();

    // Waits for the server to answer everything sent so far, then tells the
    // first error code seen since the trap was set or last read (0 for none).
    int Sync();

private:
    Display* Dpy;
    XErrorHandler Previous;
};
