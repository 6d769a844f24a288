#include "platform/wayland/screen/ShotCompose.h"

#include <algorithm>
#include <cmath>
#include <cstring>

TRect LayoutBounds(const TShot& shot) {
    TRect bounds;
    bool first = true;
    for (const auto& o : shot) {
        if (o.Logical.Empty()) continue;
        if (first) {
            bounds = o.Logical;
            first = false;
            continue;
        }
        bounds = {std::min(bounds.Left, o.Logical.Left), std::min(bounds.Top, o.Logical.Top),
                  std::max(bounds.Right, o.Logical.Right),
                  std::max(bounds.Bottom, o.Logical.Bottom)};
    }
    return bounds;
}

namespace {

bool Inside(const TRect& area, const TRect& r) {
    return !area.Empty() && Intersect(area, r) == area;
}

// Native pixel of an output for the picture's pixel I along one axis, the
// picture at Scale whole pixels a logical one: the output's pixel under the
// picture pixel's centre. With a whole ratio of scales this repeats each
// output pixel (2 at scale 1 into a picture at 2 gives 0,0,1,1,...); with
// another ratio (an output at 1.5) it takes the nearest, never a blend.
int SourceIndex(int i, int areaStart, int outputStart, int scale, int native, int logical) {
    // (areaStart - outputStart + (i + 0.5) / scale) * native / logical, exactly
    const long long twice = 2LL * (areaStart - outputStart) * scale + 2LL * i + 1;
    const long long index = twice * native / (2LL * scale * logical);
    return int(std::clamp<long long>(index, 0, native - 1));
}

// An area that lies within one output: its native pixels, cut where the
// area's edges fall (rounded outwards on an output of a fractional scale).
TOutputPicture Cut(const TOutputPicture& o, const TRect& area) {
    const auto edge = [](int pos, int start, int native, int logical, bool up) {
        const long long n = (long long)(pos - start) * native;
        return int(up ? (n + logical - 1) / logical : n / logical);
    };
    const int lw = o.Logical.Width(), lh = o.Logical.Height();
    const int x0 = edge(area.Left, o.Logical.Left, o.Width, lw, false);
    const int x1 = edge(area.Right, o.Logical.Left, o.Width, lw, true);
    const int y0 = edge(area.Top, o.Logical.Top, o.Height, lh, false);
    const int y1 = edge(area.Bottom, o.Logical.Top, o.Height, lh, true);
    TOutputPicture p;
    p.Name = o.Name;
    p.Logical = area;
    p.Width = x1 - x0;
    p.Height = y1 - y0;
    p.Pixels.resize(size_t(p.Width) * p.Height);
    for (int y = y0; y < y1; ++y)
        std::memcpy(&p.Pixels[size_t(y - y0) * p.Width], &o.Pixels[size_t(y) * o.Width + x0],
                    size_t(p.Width) * 4);
    return p;
}

bool Usable(const TOutputPicture& o) {
    return !o.Logical.Empty() && o.Width > 0 && o.Height > 0 &&
           o.Pixels.size() == size_t(o.Width) * o.Height;
}

} // namespace

TOutputPicture ComposeArea(const TShot& shot, const TRect& area) {
    TOutputPicture picture;
    picture.Logical = area;
    if (area.Empty()) return picture;
    for (const auto& o : shot)
        if (Usable(o) && Inside(area, o.Logical)) return Cut(o, area);

    // Across outputs (or partly beside them): at the largest scale of the
    // outputs the area meets, a whole number (an output at 1.5 counts as 2).
    int scale = 1;
    for (const auto& o : shot)
        if (Usable(o) && !Intersect(area, o.Logical).Empty())
            scale = std::max(scale, int(std::ceil(o.Scale() - 1e-9)));
    picture.Width = area.Width() * scale;
    picture.Height = area.Height() * scale;
    picture.Pixels.assign(size_t(picture.Width) * picture.Height, 0xff000000u);

    // Each output paints its part, the last listed first: where outputs
    // overlap (mirrored), the one listed first is what shows.
    std::vector<int> columns;
    for (auto o = shot.rbegin(); o != shot.rend(); ++o) {
        if (!Usable(*o)) continue;
        const TRect part = Intersect(area, o->Logical);
        if (part.Empty()) continue;
        const int dx0 = (part.Left - area.Left) * scale, dx1 = (part.Right - area.Left) * scale;
        const int dy0 = (part.Top - area.Top) * scale, dy1 = (part.Bottom - area.Top) * scale;
        columns.resize(size_t(dx1 - dx0));
        for (int x = dx0; x < dx1; ++x)
            columns[size_t(x - dx0)] =
                SourceIndex(x, area.Left, o->Logical.Left, scale, o->Width, o->Logical.Width());
        for (int y = dy0; y < dy1; ++y) {
            const int sy =
                SourceIndex(y, area.Top, o->Logical.Top, scale, o->Height, o->Logical.Height());
            const uint32_t* src = &o->Pixels[size_t(sy) * o->Width];
            uint32_t* dst = &picture.Pixels[size_t(y) * picture.Width];
            for (int x = dx0; x < dx1; ++x) dst[x] = src[columns[size_t(x - dx0)]];
        }
    }
    return picture;
}
