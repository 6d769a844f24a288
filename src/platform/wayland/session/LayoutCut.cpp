#include "platform/wayland/session/LayoutCut.h"

#include <algorithm>
#include <cmath>

TRect LayoutBoundsOf(const std::vector<TOutputPlace>& layout) {
    if (layout.empty()) return {};
    TRect r = layout.front().Logical;
    for (const TOutputPlace& p : layout) {
        r.Left = std::min(r.Left, p.Logical.Left);
        r.Top = std::min(r.Top, p.Logical.Top);
        r.Right = std::max(r.Right, p.Logical.Right);
        r.Bottom = std::max(r.Bottom, p.Logical.Bottom);
    }
    return r;
}

TShot CutLayout(const TOutputPicture& whole, const std::vector<TOutputPlace>& layout) {
    TShot shot;
    const TRect& bounds = whole.Logical;
    if (bounds.Empty()) return shot;
    const double rx = double(whole.Width) / bounds.Width();
    const double ry = double(whole.Height) / bounds.Height();
    for (const TOutputPlace& place : layout) {
        TOutputPicture out;
        out.Name = place.Name;
        out.Logical = place.Logical;
        out.Width = place.Logical.Width() * place.Scale;
        out.Height = place.Logical.Height() * place.Scale;
        out.Pixels.assign(size_t(out.Width) * size_t(out.Height), 0xff000000u);
        // The output's part of the picture, in the picture's pixels.
        const double left = (place.Logical.Left - bounds.Left) * rx;
        const double top = (place.Logical.Top - bounds.Top) * ry;
        const double sx = place.Logical.Width() * rx / std::max(out.Width, 1);
        const double sy = place.Logical.Height() * ry / std::max(out.Height, 1);
        // The nearest pixel, a tie going to the one nearer the output's
        // middle: where the ratio equals the output's scale every pixel is
        // the picture's own; elsewhere the desktop has already enlarged the
        // output with a filter that blends its border with what lies
        // outside it, so the samples are taken from within.
        auto nearest = [](double pos, bool firstHalf) {
            return int(firstHalf ? std::floor(pos + 0.5) : std::ceil(pos - 0.5));
        };
        for (int y = 0; y < out.Height; ++y) {
            const int py = nearest(top + (y + 0.5) * sy - 0.5, 2 * y < out.Height);
            if (py < 0 || py >= whole.Height) continue;
            const uint32_t* src = whole.Pixels.data() + size_t(py) * size_t(whole.Width);
            uint32_t* dst = out.Pixels.data() + size_t(y) * size_t(out.Width);
            for (int x = 0; x < out.Width; ++x) {
                const int px = nearest(left + (x + 0.5) * sx - 0.5, 2 * x < out.Width);
                if (px >= 0 && px < whole.Width) dst[x] = src[px];
            }
        }
        shot.push_back(std::move(out));
    }
    return shot;
}
