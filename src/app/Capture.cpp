#include "app/Capture.h"

#include "shapes/CaptureItems.h"

TRect ItemRect(int item, TDisplay& display) {
    switch (item) {
    case ciScreen:
        return {0, 0, display.ScreenWidth(), display.ScreenHeight()};
    case ciWindow:
        return display.ForegroundWindowRect();
    case ciClient:
        return display.ForegroundClientRect();
    default:
        return {};
    }
}

TGrab GrabItem(int item, TDisplay& display) {
    if (!display.Available()) return {QImage(), TGrabFailure::NoDisplay};
    const TRect r = ItemRect(item, display);
    TGrab grab{display.Grab(r), TGrabFailure::None};
    if (grab.Picture.isNull())
        grab.Failure = !r.Empty()
                           ? TGrabFailure::Refused // a rectangle with size, not given
                           : EmptyGrabFailure(item == ciWindow || item == ciClient, r == TRect{});
    return grab;
}
