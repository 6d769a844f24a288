#include "platform/wayland/FrozenOutputs.h"

#include <algorithm>
#include <cstring>

#include "platform/wayland/screen/ShotCompose.h"

namespace {

// Floor division, for the source pixels left of an area's start.
long long FloorDiv(long long a, long long b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// For each native pixel N of Count from First along one axis of an output
// (Native pixels over Logical), the source pixel under its centre: the source
// starts at logical Start - OutputStart and is Pixels wide over Span logical
// pixels.
std::vector<int> SourceOf(int first, int count, int native, int logical, int start, int pixels,
                          int span) {
    std::vector<int> out(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const long long n = first + i;
        // Pixels * (-Start + (N + 0.5) * Logical / Native) / Span
        const long long num = pixels * (-2LL * native * start + (2 * n + 1) * logical);
        out[size_t(i)] =
            int(std::clamp<long long>(FloorDiv(num, 2LL * native * span), 0, pixels - 1));
    }
    return out;
}

} // namespace

TFrozenOutputs::TFrozenOutputs(TShot shot) : Shot(std::move(shot)) {
    const TRect bounds = LayoutBounds(Shot);
    Origin = {bounds.Left, bounds.Top};
    for (TOutputPicture& o : Shot) {
        if (o.Pixels.size() != size_t(o.Width) * size_t(o.Height)) o.Width = o.Height = 0;
        Views.emplace_back(reinterpret_cast<uchar*>(o.Pixels.data()), o.Width, o.Height,
                           qsizetype(o.Width) * 4, QImage::Format_RGB32);
    }
}

QRect TFrozenOutputs::Place(int output) const {
    const TRect& r = Shot[size_t(output)].Logical;
    return QRect(r.Left - Origin.x(), r.Top - Origin.y(), r.Width(), r.Height());
}

QImage TFrozenOutputs::Grab(QRect r) {
    if (r.isEmpty()) return {};
    const TOutputPicture p =
        ComposeArea(Shot, {r.left() + Origin.x(), r.top() + Origin.y(), r.right() + 1 + Origin.x(),
                           r.bottom() + 1 + Origin.y()});
    if (p.Width <= 0 || p.Height <= 0) return {};
    QImage image(p.Width, p.Height, QImage::Format_RGB32);
    for (int y = 0; y < p.Height; ++y)
        std::memcpy(image.scanLine(y), p.Pixels.data() + size_t(y) * size_t(p.Width),
                    size_t(p.Width) * 4);
    Grabs[image.cacheKey()] = r.size();
    return image;
}

template <class Visit>
std::vector<TFrozenOutputs::TChange> TFrozenOutputs::Each(QPoint at, QSize size, QSize pixels,
                                                          Visit visit) {
    std::vector<TChange> changes;
    const QRect area(at, size);
    for (int i = 0; i < Count(); ++i) {
        const TOutputPicture& o = Shot[size_t(i)];
        const QRect place = Place(i);
        const QRect part = area.intersected(place).translated(-place.topLeft());
        if (part.isEmpty() || o.Width <= 0) continue;
        const int lw = place.width(), lh = place.height();
        // The native pixels the logical part covers, rounded outwards.
        const int x0 = int(1LL * part.left() * o.Width / lw);
        const int x1 = int((1LL * (part.right() + 1) * o.Width + lw - 1) / lw);
        const int y0 = int(1LL * part.top() * o.Height / lh);
        const int y1 = int((1LL * (part.bottom() + 1) * o.Height + lh - 1) / lh);
        const std::vector<int> columns =
            SourceOf(x0, x1 - x0, o.Width, lw, at.x() - place.left(), pixels.width(), size.width());
        const std::vector<int> rows = SourceOf(y0, y1 - y0, o.Height, lh, at.y() - place.top(),
                                               pixels.height(), size.height());
        for (int y = y0; y < y1; ++y) {
            auto* line = reinterpret_cast<uint32_t*>(Views[size_t(i)].scanLine(y));
            for (int x = x0; x < x1; ++x)
                visit(line[x], columns[size_t(x - x0)], rows[size_t(y - y0)]);
        }
        changes.push_back({i, part});
    }
    return changes;
}

std::vector<TFrozenOutputs::TChange> TFrozenOutputs::Invert(const QImage& mask, QPoint at) {
    if (mask.isNull()) return {};
    const QImage m =
        mask.format() == QImage::Format_Grayscale8 || mask.format() == QImage::Format_Alpha8
            ? mask
            : mask.convertToFormat(QImage::Format_Grayscale8);
    // Every native pixel under a set mask pixel flips once, as an inverting
    // fill on a true-colour screen: twice gives it back.
    return Each(at, m.size(), m.size(), [&m](uint32_t& px, int x, int y) {
        if (m.constScanLine(y)[x]) px ^= 0x00ffffffu;
    });
}

std::vector<TFrozenOutputs::TChange> TFrozenOutputs::Put(const QImage& picture, QPoint at) {
    if (picture.isNull()) return {};
    const auto grab = Grabs.find(picture.cacheKey());
    const QSize logical = grab != Grabs.end() ? grab->second : picture.size();
    const QImage p = picture.format() == QImage::Format_RGB32
                         ? picture
                         : picture.convertToFormat(QImage::Format_RGB32);
    return Each(at, logical, p.size(), [&p](uint32_t& px, int x, int y) {
        px = reinterpret_cast<const uint32_t*>(p.constScanLine(y))[x] | 0xff000000u;
    });
}
