// Pictures of logical areas composed from the outputs' native pictures: cut
// pixel for pixel on one output, at the largest scale across outputs.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "platform/wayland/screen/ShotCompose.h"

namespace {

// Pictures written as letters, one a pixel ('.' is black): readable tables.
uint32_t Colour(char c) {
    return c == '.' ? 0xff000000u : 0xff000000u | uint32_t(c) << 8 | uint32_t(c);
}

TOutputPicture Output(const char* name, TRect logical, std::vector<std::string> rows) {
    TOutputPicture o{name, logical, int(rows[0].size()), int(rows.size()), {}};
    for (const auto& r : rows)
        for (char c : r) o.Pixels.push_back(Colour(c));
    return o;
}

std::vector<std::string> Letters(const TOutputPicture& p) {
    std::vector<std::string> rows;
    for (int y = 0; y < p.Height; ++y) {
        std::string row;
        for (int x = 0; x < p.Width; ++x) {
            const uint32_t v = p.Pixels[size_t(y) * p.Width + x];
            row += v == 0xff000000u ? '.' : char(v & 0xff);
        }
        rows.push_back(row);
    }
    return rows;
}

// A at scale 1 (4x2 logical), B at scale 2 right of it (2x1 logical, 4x2
// native), C at 1.5 below A (2x2 logical, 3x3 native).
const TShot Shot = {
    Output("A", {0, 0, 4, 2}, {"abcd", "efgh"}),
    Output("B", {4, 0, 6, 1}, {"ijkl", "mnop"}),
    Output("C", {0, 2, 2, 4}, {"qrs", "tuv", "wxy"}),
};

} // namespace

TEST(ShotCompose, LayoutBoundsHoldEveryOutput) {
    EXPECT_EQ(LayoutBounds(Shot), (TRect{0, 0, 6, 4}));
    EXPECT_EQ(LayoutBounds({Shot[1]}), (TRect{4, 0, 6, 1}));
    EXPECT_EQ(LayoutBounds({Output("far", {-3, 5, -1, 6}, {"ab"}), Shot[1]}), (TRect{-3, 0, 6, 6}));
    EXPECT_TRUE(LayoutBounds({}).Empty());
}

TEST(ShotCompose, AreasOfOneOutputAndAcrossOutputs) {
    const struct {
        const char* What;
        TRect Area;
        std::vector<std::string> Picture;
    } cases[] = {
        {"inside the scale 1 output: its pixels", {1, 0, 3, 2}, {"bc", "fg"}},
        {"the whole doubled output: all its native pixels", {4, 0, 6, 1}, {"ijkl", "mnop"}},
        {"a logical pixel of the doubled output: 2x2 native", {5, 0, 6, 1}, {"kl", "op"}},
        {"across scales 1 and 2: at 2, scale 1 pixels repeated", {3, 0, 5, 1}, {"ddij", "ddmn"}},
        {"across outputs and beside them: black where none is",
         {3, 0, 5, 2},
         {"ddij", "ddmn", "hh..", "hh.."}},
        {"the fractional output whole: its native pixels", {0, 2, 2, 4}, {"qrs", "tuv", "wxy"}},
        {"a logical pixel at 1.5: the native pixels it touches", {1, 3, 2, 4}, {"uv", "xy"}},
        {"across 1 and 1.5: at 2, the nearest native pixel",
         {0, 1, 2, 4},
         {"eeff", "eeff", "qrrs", "tuuv", "tuuv", "wxxy"}},
    };
    for (const auto& c : cases) {
        const TOutputPicture p = ComposeArea(Shot, c.Area);
        EXPECT_EQ(p.Logical, c.Area) << c.What;
        EXPECT_EQ(Letters(p), c.Picture) << c.What;
    }
    EXPECT_EQ(ComposeArea(Shot, {2, 2, 2, 5}).Width, 0) << "an empty area, an empty picture";
    const TShot overlapping = {Output("M1", {0, 0, 2, 1}, {"ab"}),
                               Output("M2", {1, 0, 3, 1}, {"cd"})};
    EXPECT_EQ(Letters(ComposeArea(overlapping, {0, 0, 3, 1})), std::vector<std::string>{"abd"})
        << "where outputs overlap, the one listed first";
}
