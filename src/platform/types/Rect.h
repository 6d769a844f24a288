// A screen rectangle, without Qt: the display interface and the Qt-free
// capture program share it.
#pragma once

// Right and Bottom are exclusive.
struct TRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool Empty() const { return Right <= Left || Bottom <= Top; }
    bool operator==(const TRect&) const = default;
};

// Where A and B overlap (empty when they do not meet).
inline TRect Intersect(const TRect& a, const TRect& b) {
    return {a.Left > b.Left ? a.Left : b.Left, a.Top > b.Top ? a.Top : b.Top,
            a.Right < b.Right ? a.Right : b.Right, a.Bottom < b.Bottom ? a.Bottom : b.Bottom};
}
