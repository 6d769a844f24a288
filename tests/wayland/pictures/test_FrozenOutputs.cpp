// The outputs frozen for a selection: what the selection draws (an inverted
// figure, a text, a strip saved by a grab and put back) lands on each
// output's native pixels at its scale, and undoing it gives back every
// native pixel, at scales 1, 2 and 1.5 and across outputs.
#include <QRandomGenerator>
#include <gtest/gtest.h>
#include <vector>

#include "platform/wayland/FrozenOutputs.h"

namespace {

TOutputPicture Noise(const char* name, TRect logical, int width, int height, uint32_t seed) {
    TOutputPicture o{name, logical, width, height, {}};
    QRandomGenerator random(seed);
    for (int i = 0; i < width * height; ++i) o.Pixels.push_back(0xff000000u | random.generate());
    return o;
}

// A at scale 1, B at 2 beside it, C at 1.5 below A.
TShot Outputs() {
    return {Noise("A", {0, 0, 40, 30}, 40, 30, 1), Noise("B", {40, 0, 60, 15}, 40, 30, 2),
            Noise("C", {0, 30, 20, 50}, 30, 30, 3)};
}

std::vector<QImage> Pictures(const TFrozenOutputs& f) {
    std::vector<QImage> p;
    for (int i = 0; i < f.Count(); ++i) p.push_back(f.View(i).copy());
    return p;
}

int Unlike(const QImage& a, const QImage& b) {
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

const struct {
    const char* Name;
    QRect Area;
} Areas[] = {
    {"on the output at 1", {3, 4, 20, 10}},    {"on the output at 2", {42, 2, 15, 9}},
    {"on the output at 1.5", {2, 33, 11, 13}}, {"across 1 and 2", {30, 5, 25, 8}},
    {"across all three", {10, 20, 45, 25}},
};

} // namespace

TEST(FrozenOutputs, WhatIsDrawnLandsOnTheNativePixelsAndIsUndoneExactly) {
    for (const auto& a : Areas) {
        SCOPED_TRACE(a.Name);
        TFrozenOutputs frozen(Outputs());
        const std::vector<QImage> before = Pictures(frozen);

        // A figure inverted: every native pixel under a set mask pixel flips,
        // the output's scale squared of them at whole-number scales.
        QImage mask(a.Area.size(), QImage::Format_Grayscale8);
        QRandomGenerator random(7);
        int setOnA = 0, setOnB = 0;
        for (int y = 0; y < mask.height(); ++y)
            for (int x = 0; x < mask.width(); ++x) {
                const bool set = random.bounded(2);
                mask.scanLine(y)[x] = set ? 255 : 0;
                const QPoint p = a.Area.topLeft() + QPoint(x, y);
                setOnA += set && frozen.Place(0).contains(p);
                setOnB += set && frozen.Place(1).contains(p);
            }
        frozen.Invert(mask, a.Area.topLeft());
        const std::vector<QImage> inverted = Pictures(frozen);
        EXPECT_EQ(Unlike(inverted[0], before[0]), setOnA);
        EXPECT_EQ(Unlike(inverted[1], before[1]), 4 * setOnB);
        frozen.Invert(mask, a.Area.topLeft());
        for (size_t i = 0; i < before.size(); ++i) EXPECT_TRUE(Pictures(frozen)[i] == before[i]);

        // A strip saved, a text over it (logical pixels, each the output's
        // scale wide), the strip put back.
        const QImage saved = frozen.Grab(a.Area);
        QImage text(a.Area.size(), QImage::Format_RGB32);
        text.fill(qRgb(255, 255, 255));
        frozen.Put(text, a.Area.topLeft());
        const QPoint onB = a.Area.topLeft() - frozen.Place(1).topLeft();
        if (frozen.Place(1).contains(a.Area.topLeft())) {
            EXPECT_EQ(frozen.View(1).pixel(onB.x() * 2 + 1, onB.y() * 2 + 1), qRgb(255, 255, 255));
        }
        frozen.Put(saved, a.Area.topLeft());
        for (size_t i = 0; i < before.size(); ++i) EXPECT_TRUE(Pictures(frozen)[i] == before[i]);
    }
}
