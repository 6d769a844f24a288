// The display in a Wayland session: the layout of the outputs as one screen
// in logical pixels, whose top-left corner is the layout's. A grab is one
// shot of every output, composed for the rectangle at the native scale, so
// a picture can have more pixels than the rectangle. The window in front is
// the desktop's to tell: its own picture where the screen source gives one
// (KWin), else its place (ForegroundWindow). A client cannot draw over the
// desktop: a selection runs on windows of its own over a frozen shot
// (TWaylandSelection), and grabs read that shot while it lasts.
#pragma once

#include <memory>
#include <optional>

#include "platform/Display.h"
#include "platform/wayland/WaylandSelection.h"

class TScreenSource;

class TWaylandDisplay final : public TDisplay {
public:
    TWaylandDisplay();
    ~TWaylandDisplay() override;

    bool Available() override;
    int ScreenWidth() override;
    int ScreenHeight() override;
    QImage Grab(const TRect& r) override;
    void NoteForeground() override;
    TRect ForegroundWindowRect() override;
    TRect ForegroundClientRect() override;
    int Depth() override { return 32; }
    double Dpi() override;
    bool KnowsWindowPlaces() override { return false; }
    std::string FailureSentence() override { return Why; }

    bool BeginSelection() override;
    void EndSelection() override { Selection.End(); }
    QPoint CursorPos() override { return Selection.CursorPos(); }
    void Invert(const QImage& mask, QPoint at) override { Selection.Invert(mask, at); }
    void Put(const QImage& picture, QPoint at) override { Selection.Put(picture, at); }

private:
    // The layout's bounding rectangle; empty when no compositor answers.
    TRect Bounds();
    TScreenSource* Source();
    // The window's own pictures from the source, taken now; false when it gives none.
    bool KeepForeground();

    std::unique_ptr<TScreenSource> FSource; // found at the first grab, then kept
    // The window in front when the request came, in layout coordinates.
    std::optional<TRect> Window, Client;
    // Its pictures, where the source gave them instead of a place: a grab of
    // Window or Client gives them.
    QImage WindowPicture, ClientPicture;
    std::string Why; // FailureSentence
    TWaylandSelection Selection;
};
