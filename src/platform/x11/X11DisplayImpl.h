// The X11 display, shared by its three files: X11Display.cpp (connection,
// grabs and pixel formats), X11Frames.cpp (the foreground window and its
// rectangles) and X11Surface.cpp (the frozen screen a selection draws on).
#pragma once

#include <QImage>
#include <memory>

#include "platform/Display.h"
#include "platform/x11/X11ShmPool.h"

// Xlib last: it defines None, Bool and Status as macros.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

class TX11Display : public TDisplay {
public:
    TX11Display() = default;
    ~TX11Display() override;
    TX11Display(const TX11Display&) = delete;
    TX11Display& operator=(const TX11Display&) = delete;

    bool Available() override { return Open(); }
    int ScreenWidth() override { return Open() ? DisplayWidth(Dpy(), DefaultScreen(Dpy())) : 0; }
    int ScreenHeight() override { return Open() ? DisplayHeight(Dpy(), DefaultScreen(Dpy())) : 0; }
    int Depth() override { return Open() ? DefaultDepth(Dpy(), DefaultScreen(Dpy())) : 0; }
    QImage Grab(const TRect& r) override;
    void NoteForeground() override;
    TRect ForegroundWindowRect() override { return Foreground(true); }
    TRect ForegroundClientRect() override { return Foreground(false); }
    bool BeginSelection() override;
    void EndSelection() override;
    QPoint CursorPos() override;
    void Invert(const QImage& mask, QPoint at) override;
    void Put(const QImage& picture, QPoint at) override;

private:
    bool Open();
    Display* Dpy() const { return Pool->Dpy; }
    Window Root() const { return DefaultRootWindow(Dpy()); }
    Visual* TheVisual() const { return DefaultVisual(Dpy(), DefaultScreen(Dpy())); }
    bool PaletteVisual() const;
    QImage::Format FormatOf(const XImage* img) const;
    XImage* GetImage(const TRect& r, TShmPool::TSegment** seg);
    void SetPalette(QImage& img);

    // X11Frames.cpp
    TRect Foreground(bool withFrame);
    Window LiveForeground();
    Window TopLevel(Window w);
    bool Usable(Window w);

    // X11Surface.cpp. What is drawn on and read from while a selection
    // lasts: the screen frozen into a pixmap, shown by a full-screen window
    // of our own.
    Drawable Target() const { return Frozen ? Frozen : Root(); }
    void Show(int x, int y, int w, int h);
    XImage* ScreenImage(const QImage& picture);

    std::shared_ptr<TShmPool> Pool;
    bool Tried = false;
    bool Shm = false;
    bool HaveNote = false;
    Window Noted = 0; // the foreground window when the capture was requested
    Pixmap Frozen = 0;
    Window Overlay = 0;
    GC InvertGC = nullptr, CopyGC = nullptr;
};
