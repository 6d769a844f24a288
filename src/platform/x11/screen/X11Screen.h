// The screen of one X connection, without Qt: its size and pixel layout,
// grabs into shared segments, the colormap, and the foreground window with
// its rectangles. The desktop's display and the capture program both read
// the screen through it.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/types/Rect.h"
#include "platform/x11/screen/X11ShmPool.h"

// Xlib last: it defines None, Bool and Status as macros.
#include <X11/Xlib.h>

// How a grab's pixels lie in memory.
enum class TXPixels {
    Index8, // colormap indexes (palette visuals)
    Bgrx32, // 8 bits a channel in 32-bit words, least significant byte first
    Rgb565, // 16-bit 5-6-5, least significant byte first
    Other,  // anything else: read pixel by pixel with the visual's masks
};

class TXScreen {
public:
    // Dpy outlives the screen; SHM is used where the server offers it.
    explicit TXScreen(Display* dpy);
    TXScreen(const TXScreen&) = delete;
    TXScreen& operator=(const TXScreen&) = delete;

    Display* Dpy() const { return FDpy; }
    Window Root() const { return DefaultRootWindow(FDpy); }
    Visual* TheVisual() const { return DefaultVisual(FDpy, DefaultScreen(FDpy)); }
    int Width() const { return DisplayWidth(FDpy, DefaultScreen(FDpy)); }
    int Height() const { return DisplayHeight(FDpy, DefaultScreen(FDpy)); }
    int Depth() const { return DefaultDepth(FDpy, DefaultScreen(FDpy)); }
    unsigned long Black() const { return BlackPixel(FDpy, DefaultScreen(FDpy)); }
    bool PaletteVisual() const;
    // Xft.dpi of the root window's resources as it is now, else the screen's
    // pixels over its millimetres; 96 when neither is known.
    double Dpi() const;
    bool Shm() const { return FShm; }
    // After a segment could not be had: plain requests from now on.
    void DropShm() { FShm = false; }

    // The visual's masks decide: an image read from a pixmap carries none of its own.
    TXPixels PixelsOf(const XImage* img) const;
    // A pixel of another layout as 0xFFRRGGBB, each channel scaled from its mask.
    uint32_t RgbOf(unsigned long pixel) const;
    // The colormap as 256 entries 0xFFRRGGBB, black past the visual's own.
    std::vector<uint32_t> ColorTable() const;

    // Whether the server refuses to give the root window's pixels. A rootless
    // Xwayland answers a plain read with BadMatch but a shared-memory one
    // with a black picture, so a plain read of one pixel decides, once.
    bool RootRefused();
    // R of From (wholly on the screen) in the screen's layout: in a segment of
    // Pool (Seg set, the image's data is the segment's) or, without SHM, in
    // an image of its own (Seg null). Null when the server refuses.
    XImage* GetImage(TShmPool& pool, Drawable from, const TRect& r, TShmPool::TSegment** seg);

    // Remembers the foreground window; the rectangles then follow it.
    void NoteForeground();
    // The foreground window with its frame, or its client area, in screen
    // coordinates; empty when there is none or it is wholly off the screen.
    TRect Foreground(bool withFrame);

private:
    Window LiveForeground();
    Window TopLevel(Window w);
    bool Usable(Window w);

    Display* FDpy;
    bool FShm = false;
    int FRootRefused = -1; // not asked yet
    bool HaveNote = false;
    Window Noted = 0; // the foreground window when the capture was requested
};
