// A display without a desktop: a known 640 x 480 screen (a gradient) and a
// foreground window that fields set, for tests and the in-memory family.
// Drawing during a selection goes onto Screen.
#pragma once

#include <QImage>

#include "platform/Display.h"

class TMemoryDisplay : public TDisplay {
public:
    TMemoryDisplay();
    QImage Screen; // 640 x 480, a gradient
    TRect Window{100, 50, 300, 250}, Client{104, 70, 296, 246};
    bool Available() override { return true; }
    int ScreenWidth() override { return Screen.width(); }
    int ScreenHeight() override { return Screen.height(); }
    int Depth() override { return ScreenDepth; }
    double Dpi() override { return Dots; }
    QImage Grab(const TRect& r) override;
    void NoteForeground() override { ++Notes; }
    TRect ForegroundWindowRect() override { return Window; }
    TRect ForegroundClientRect() override { return Client; }
    bool BeginSelection() override { return ++Selections, Drawable; }
    void EndSelection() override { ++Ended; }
    QPoint CursorPos() override { return Cursor; }
    void Invert(const QImage& mask, QPoint at) override;
    void Put(const QImage& picture, QPoint at) override;

    QPoint Cursor{300, 200};
    int ScreenDepth = 24;
    double Dots = 96;
    bool Drawable = true;
    int Selections = 0, Ended = 0, Notes = 0;
};
