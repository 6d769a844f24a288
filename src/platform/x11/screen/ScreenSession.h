// One X connection's screen for a program without Qt: its size, the
// foreground window's rectangles and the rows of a rectangle. Xlib stays
// behind this header, so its callers see none of its macros.
#pragma once

#include <memory>

#include "imaging/core/Rows.h"
#include "platform/types/Rect.h"

class TScreenSession {
public:
    // The display DISPLAY names; null when it cannot be opened.
    static std::unique_ptr<TScreenSession> Open();
    ~TScreenSession();
    TScreenSession(const TScreenSession&) = delete;
    TScreenSession& operator=(const TScreenSession&) = delete;

    int Width() const;
    int Height() const;
    // The foreground window with its frame, or its client area; empty when
    // there is none or it is wholly off the screen.
    TRect Foreground(bool withFrame);
    // The rectangle's rows, read StripRows rows a request (see TXScreenRows).
    std::unique_ptr<TRowSource> Rows(const TRect& r, int stripRows);

private:
    struct TImpl;
    explicit TScreenSession(std::unique_ptr<TImpl> impl);
    std::unique_ptr<TImpl> Impl;
};
