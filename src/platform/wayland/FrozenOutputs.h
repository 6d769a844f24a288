// The outputs as one shot froze them for a selection: every output's native
// picture, in the display's coordinates (logical pixels, the layout's
// top-left corner at 0,0). Grabs are cut from them as from a live shot;
// inverting and putting change their native pixels, each logical pixel the
// output's scale wide, and say which part of which output changed.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <cstdint>
#include <map>
#include <vector>

#include "platform/wayland/screen/OutputPicture.h"

class TFrozenOutputs {
public:
    explicit TFrozenOutputs(TShot shot);

    int Count() const { return int(Shot.size()); }
    const std::string& Name(int output) const { return Shot[size_t(output)].Name; }
    // The output's rectangle in the display's coordinates.
    QRect Place(int output) const;
    // A view of the output's native picture (RGB32), sharing its pixels: it
    // shows every change, and stays valid while this object lives.
    const QImage& View(int output) const { return Views[size_t(output)]; }

    // The picture of R as a grab outside a selection gives it: at the native
    // scale, composed across outputs at the largest.
    QImage Grab(QRect r);
    // A changed part of an output, in the output's own logical pixels.
    struct TChange {
        int Output;
        QRect Area;
    };
    // Inverts the pixels under the non-zero pixels of Mask (8-bit) at At.
    std::vector<TChange> Invert(const QImage& mask, QPoint at);
    // Copies Picture onto the outputs at At: a picture Grab gave back goes
    // where it was cut from, at its own scale, bit for bit; any other (text)
    // is in logical pixels and covers each output's native pixels under it.
    std::vector<TChange> Put(const QImage& picture, QPoint at);

private:
    // Calls Visit(native pixel, source column, source row) for every native
    // pixel under the area of Size logical pixels at At, the source (a mask
    // or a picture) Pixels wide and high over it: the source pixel under the
    // native pixel's centre. Gives the changed part of each output.
    template <class Visit>
    std::vector<TChange> Each(QPoint at, QSize size, QSize pixels, Visit visit);

    TShot Shot;
    QPoint Origin; // the layout's top-left corner
    std::vector<QImage> Views;
    // The grabs handed out, by cache key: their logical size, so that a
    // saved strip goes back at the scale it was cut at.
    std::map<qint64, QSize> Grabs;
};
