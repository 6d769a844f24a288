// A selection in a Wayland session, where no client can draw over the
// desktop or grab the pointer: one shot of every output frozen when it
// begins, one full-screen window of ours on each output showing its picture,
// the windows' own events as the hook's reports. Grabs, inverting and
// putting work on the frozen pictures and show on the windows where they
// changed; the finished picture is cut from the native pictures, never read
// back from the screen.
#pragma once

#include <QImage>
#include <QPoint>
#include <QPointer>
#include <memory>
#include <vector>

#include "platform/types/Rect.h"
#include "platform/wayland/FrozenOutputs.h"
#include "platform/wayland/OverlayInput.h"

class TOutputOverlay;

class TWaylandSelection {
public:
    TWaylandSelection();
    ~TWaylandSelection();

    // Freezes Shot and shows its windows; an earlier selection ends first.
    void Begin(TShot shot);
    // Closes the windows; the pictures go.
    void End();
    bool Active() const { return Frozen != nullptr; }

    // In the display's coordinates, as TDisplay's; for an active selection.
    QImage Grab(const TRect& r);
    void Invert(const QImage& mask, QPoint at);
    void Put(const QImage& picture, QPoint at);
    // Where the pointer was last seen on a window of ours (this selection's
    // or an earlier one's): a client knows it nowhere else. The middle of the
    // first output before that.
    QPoint CursorPos() const;

    // The frozen layout's size (logical pixels).
    QSize Size() const { return FSize; }

private:
    void Show(const std::vector<TFrozenOutputs::TChange>& changes);

    std::unique_ptr<TFrozenOutputs> Frozen;
    std::vector<QPointer<TOutputOverlay>> Overlays; // by output, null where Qt has no screen
    TOverlayInput Input;
    QPoint Middle;
    QSize FSize;
};
