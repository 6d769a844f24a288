// Shared segments for grabs. A grab's picture uses the segment's memory
// directly (no second copy); the segment returns to the pool when the
// picture is freed, and up to two free ones are kept for the next grabs.
// The pool owns the X connection: it must outlive every picture that still
// uses one of its segments, so pictures hold it by a shared pointer.
// Without Qt: the capture program reads its strips through a pool too.
#pragma once

#include <memory>
#include <vector>

// Xlib last: it defines None, Bool and Status as macros.
#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

class TShmPool : public std::enable_shared_from_this<TShmPool> {
public:
    struct TSegment {
        XShmSegmentInfo Info{};
        size_t Size = 0;
        bool InUse = false;
    };

    explicit TShmPool(Display* dpy) : Dpy(dpy) {}
    ~TShmPool();
    TShmPool(const TShmPool&) = delete;
    TShmPool& operator=(const TShmPool&) = delete;
    Display* const Dpy;

    // A segment of at least Size bytes attached on both sides; null when the
    // server or the system has none to give.
    TSegment* Take(size_t size);
    void Give(TSegment* seg);

private:
    void Destroy(TSegment& s);
    std::vector<std::unique_ptr<TSegment>> Segments;
};
