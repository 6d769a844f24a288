// A way of taking the screen's pictures in a Wayland session: the
// compositor's own interface (KWin), wlr-screencopy, or the Screenshot
// portal. The session tries them in that order and keeps the first that
// answers.
#pragma once

#include <optional>

#include "platform/wayland/screen/OutputPicture.h"

class TScreenSource {
public:
    virtual ~TScreenSource() = default;
    // How the user knows it: "wlr-screencopy", "KWin", "the Screenshot portal".
    virtual const char* Name() const = 0;
    // Every output's picture as it is now; EShotError with words otherwise.
    virtual TShot Shoot() = 0;
    // The window in front, with its frame or only its client area, for a
    // source that can tell which window that is (KWin); nullopt when it
    // cannot, and the caller asks the desktop for the window's rectangle.
    virtual std::optional<TOutputPicture> ShootForeground(bool withFrame) {
        (void)withFrame;
        return std::nullopt;
    }
};
