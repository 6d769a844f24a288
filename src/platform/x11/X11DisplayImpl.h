// The X11 display, shared by its two files: X11Display.cpp (connection,
// grabs as pictures) and X11Surface.cpp (the frozen screen a selection draws
// on). The screen itself (pixel layouts, foreground window) is TXScreen's.
#pragma once

#include <QImage>
#include <memory>

#include "platform/Display.h"
#include "platform/x11/screen/X11Screen.h"
#include "platform/x11/screen/X11ShmPool.h"

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
    int ScreenWidth() override { return Open() ? Screen->Width() : 0; }
    int ScreenHeight() override { return Open() ? Screen->Height() : 0; }
    int Depth() override { return Open() ? Screen->Depth() : 0; }
    double Dpi() override { return Open() ? Screen->Dpi() : 96; }
    QImage Grab(const TRect& r) override;
    void NoteForeground() override;
    TRect ForegroundWindowRect() override { return Open() ? Screen->Foreground(true) : TRect{}; }
    TRect ForegroundClientRect() override { return Open() ? Screen->Foreground(false) : TRect{}; }
    bool BeginSelection() override;
    void EndSelection() override;
    QPoint CursorPos() override;
    void Invert(const QImage& mask, QPoint at) override;
    void Put(const QImage& picture, QPoint at) override;

private:
    bool Open();
    Display* Dpy() const { return Pool->Dpy; }
    Window Root() const { return Screen->Root(); }
    Visual* TheVisual() const { return Screen->TheVisual(); }
    QImage::Format FormatOf(const XImage* img) const;
    void SetPalette(QImage& img);

    // X11Surface.cpp. What is drawn on and read from while a selection
    // lasts: the screen frozen into a pixmap, shown by a full-screen window
    // of our own.
    Drawable Target() const { return Frozen ? Frozen : Root(); }
    void Show(int x, int y, int w, int h);
    XImage* ScreenImage(const QImage& picture);

    std::shared_ptr<TShmPool> Pool;
    std::unique_ptr<TXScreen> Screen; // on the pool's connection
    bool Tried = false;
    Pixmap Frozen = 0;
    Window Overlay = 0;
    GC InvertGC = nullptr, CopyGC = nullptr;
};
