// The desktop as the capture sees it: the screen's size and pixels, the
// foreground window and its client area. One real implementation on X11;
// the in-memory family has a known screen for tests.
#pragma once

#include <QImage>
#include <memory>

#include <string>

#include "platform/types/Rect.h"

class TDisplay {
public:
    virtual ~TDisplay() = default;
    // False when no display can be reached.
    virtual bool Available() = 0;
    virtual int ScreenWidth() = 0;
    virtual int ScreenHeight() = 0;
    // The pixels of R as they are now: 32-bit RGB, or 8-bit with the
    // colormap as palette on a palette display. What lies outside the screen
    // is black. A null picture for an empty rectangle, no display, or a
    // screen the server refuses to give.
    virtual QImage Grab(const TRect& r) = 0;
    // Remembers the foreground window, at a capture request: the window the
    // user means, before the program's own window takes the focus. The
    // rectangles below then follow it while it exists.
    virtual void NoteForeground() = 0;
    // The foreground window with its frame, and its client area, in screen
    // coordinates; empty when there is none or it is not on the screen.
    virtual TRect ForegroundWindowRect() = 0;
    virtual TRect ForegroundClientRect() = 0;
    // Bits per pixel of the screen (8 or fewer: a palette display).
    virtual int Depth() = 0;
    // Dots per inch of the screen, for text drawn straight onto it: the
    // desktop's own font setting where it has one, else the screen's size in
    // millimetres; 96 where neither tells.
    virtual double Dpi() { return 96; }
    // Whether a window's place that Qt reports is where the screen shows it.
    // A Wayland compositor places the windows and tells no client where.
    virtual bool KnowsWindowPlaces() { return true; }
    // Why the last grab of a rectangle with size, the window noted last or
    // BeginSelection gave nothing, as the sentence the user reads ("Nothing
    // was captured: ..."), where the display knows more than the failure's
    // kind; empty otherwise.
    virtual std::string FailureSentence() { return {}; }

    // Drawing during a selection. BeginSelection freezes the screen as it is
    // (false: no display); while it lasts, drawing goes onto that frozen
    // picture, Grab reads it, and no other program can draw into it.
    virtual bool BeginSelection() = 0;
    virtual void EndSelection() = 0;
    virtual QPoint CursorPos() = 0;
    // Inverts the screen pixels under the non-zero pixels of Mask (8-bit
    // grey) placed at At; doing it twice restores them.
    virtual void Invert(const QImage& mask, QPoint at) = 0;
    // Copies Picture onto the screen at At (a strip saved by Grab, or text).
    virtual void Put(const QImage& picture, QPoint at) = 0;
};

// The display of the platform in use (platform/Platform.h).
TDisplay& TheDisplay();
