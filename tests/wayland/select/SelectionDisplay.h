// The display's selection part in a Wayland session, over the first screen
// source the desktop answers on.
#pragma once

#include <memory>
#include <string>

#include "platform/Display.h"
#include "platform/wayland/WaylandSelection.h"
#include "platform/wayland/screen/ShotCompose.h"
#include "platform/wayland/session/ScreenSources.h"

class TSelectionDisplay final : public TDisplay {
public:
    bool Available() override { return true; }
    int ScreenWidth() override { return Selection.Size().width(); }
    int ScreenHeight() override { return Selection.Size().height(); }
    QImage Grab(const TRect& r) override { return Selection.Grab(r); }
    void NoteForeground() override {}
    TRect ForegroundWindowRect() override { return {}; }
    TRect ForegroundClientRect() override { return {}; }
    int Depth() override { return 32; }
    bool BeginSelection() override {
        std::string why;
        if (!Source) Source = FindScreenSource(why);
        if (!Source) return false;
        TShot shot = Source->Shoot();
        Selection.Begin(std::move(shot));
        return true;
    }
    void EndSelection() override { Selection.End(); }
    QPoint CursorPos() override { return Selection.CursorPos(); }
    void Invert(const QImage& mask, QPoint at) override { Selection.Invert(mask, at); }
    void Put(const QImage& picture, QPoint at) override { Selection.Put(picture, at); }

private:
    std::unique_ptr<TScreenSource> Source;
    TWaylandSelection Selection;
};
