// The real program on the X server for the end-to-end tests: a backdrop of
// one colour, the resident program brought up by its hot key, and its
// windows found by their titles.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include <QColor>

#include "AppSupport.h"
#include "TestSupport.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

inline const unsigned long Green = 0x00C000;

// A window over the whole screen in one colour, outside any window manager.
class TBackdrop {
public:
    TBackdrop() : Dpy(XOpenDisplay(nullptr)) {
        XSetWindowAttributes a{};
        a.override_redirect = True;
        a.background_pixel = Green;
        Win = XCreateWindow(Dpy, DefaultRootWindow(Dpy), 0, 0, DisplayWidth(Dpy, 0),
                            DisplayHeight(Dpy, 0), 0, CopyFromParent, InputOutput, CopyFromParent,
                            CWOverrideRedirect | CWBackPixel, &a);
        XMapWindow(Dpy, Win);
        XSync(Dpy, False);
    }
    ~TBackdrop() {
        XDestroyWindow(Dpy, Win);
        XCloseDisplay(Dpy);
    }
    QRgb Pixel(int x, int y) {
        XImage* img = XGetImage(Dpy, DefaultRootWindow(Dpy), x, y, 1, 1, AllPlanes, ZPixmap);
        const unsigned long p = XGetPixel(img, 0, 0);
        XDestroyImage(img);
        return 0xFF000000u | static_cast<QRgb>(p);
    }
    Display* Dpy;
    Window Win;
};

inline std::string VisibleWindow(const std::string& title) {
    std::string out;
    RunCommand({"xdotool", "search", "--onlyvisible", "--name", "^" + title + "$"}, &out);
    return out.substr(0, out.find('\n'));
}

inline std::string VisibleMainWindow() {
    return VisibleWindow("Snaprio 2000");
}

// The resident program with its own settings, brought up by the hot key.
class TResident {
public:
    explicit TResident(const std::string& ini) {
        WriteFile(Dir.File("SNAPRO.INI"), ini);
        Program = std::make_unique<TProcess>(
            std::vector<std::string>{SNAPRIO_BINARY},
            std::vector<std::string>{"XDG_RUNTIME_DIR=" + Dir.Path(),
                                     "SNAPRIO_INI=" + Dir.File("SNAPRO.INI"),
                                     "XDG_CONFIG_HOME=" + Dir.Path()}); // Qt's dialog history
    }
    // Presses the hot key until the main window shows (the key is live once
    // the program holds its grab); its place on the screen.
    bool HotKey() {
        // One press a second at most: a second one within the cycle would
        // only bring the "already in progress" warning.
        if (!WaitFor([&] {
                RunCommand({"xdotool", "key", "F11"});
                return WaitFor([&] { return !(Win = VisibleMainWindow()).empty(); },
                               std::chrono::seconds(1));
            }))
            return false;
        std::string geometry;
        RunCommand({"xdotool", "getwindowgeometry", "--shell", Win}, &geometry);
        std::sscanf(geometry.substr(geometry.find("X=")).c_str(), "X=%d\nY=%d", &X, &Y);
        return true;
    }
    // "&Capture", the default button; true once the window has hidden for it.
    bool Capture() {
        RunCommand({"xdotool", "windowfocus", "--sync", Win});
        RunCommand({"xdotool", "key", "Return"});
        return WaitFor([&] { return VisibleMainWindow().empty(); });
    }
    TTempDir Dir;
    std::unique_ptr<TProcess> Program;
    std::string Win;
    int X = 0, Y = 0;
};
