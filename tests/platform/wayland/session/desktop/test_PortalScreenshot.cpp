// The Screenshot portal in the headless sway session (xdg-desktop-portal
// with its -wlr and -gtk back-ends, PipeWire running): each output's picture
// cut from the portal's layout picture against grim's picture of that output.
#include <gtest/gtest.h>

#include "GrimPicture.h"
#include "TestSupport.h"
#include "platform/wayland/screen/WaylandOutputs.h"
#include "platform/wayland/session/PortalScreenshot.h"

namespace {

// Whether pixel (X, Y) of P differs from one of its eight neighbours.
bool AtAnEdge(const TOutputPicture& p, int x, int y) {
    const uint32_t c = p.Pixels[size_t(y) * p.Width + x];
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const int nx = x + dx, ny = y + dy;
            if (nx >= 0 && ny >= 0 && nx < p.Width && ny < p.Height &&
                p.Pixels[size_t(ny) * p.Width + nx] != c)
                return true;
        }
    return false;
}

} // namespace

// The portal's picture holds the whole layout at its largest scale (grim's
// rule): an output of that scale is cut pixel for pixel; an output of a
// smaller scale was enlarged with filtering to make that picture, so its
// pixels come back exactly wherever the output is flat, and only pixels
// beside a change of colour may differ from the output's own picture.
TEST(PortalScreenshot, EachOutputMatchesGrimsPictureOfIt) {
    SKIP_UNLESS_WAYLAND();
    const std::vector<TOutputPlace> layout = ListOutputs();
    ASSERT_EQ(layout.size(), 2u) << "the session has two outputs";
    // Something other than a flat colour on every output: a bar of text.
    std::vector<std::unique_ptr<TProcess>> bars;
    for (const TOutputPlace& o : layout)
        bars.push_back(std::make_unique<TProcess>(std::vector<std::string>{
            "swaynag", "-o", o.Name, "-m", "Portal picture of " + o.Name + " 0123456789"}));
    for (const TOutputPlace& o : layout)
        ASSERT_TRUE(WaitFor([&] {
            const TOutputPicture p = GrimOutput(o.Name);
            for (uint32_t c : p.Pixels)
                if (c != p.Pixels.front()) return true;
            return false;
        })) << "the bar shows on "
            << o.Name;

    std::unique_ptr<TScreenSource> portal = OpenPortalScreenshot(layout, std::chrono::seconds(10));
    ASSERT_TRUE(portal) << "the session's portal offers Screenshot";
    const TShot shot = portal->Shoot();
    // xdg-desktop-portal-wlr leaves its picture in this file; it is read and gone.
    EXPECT_FALSE(FileExists("/tmp/out.png"));
    ASSERT_EQ(shot.size(), layout.size());
    int largest = 1;
    for (const TOutputPlace& o : layout) largest = std::max(largest, o.Scale);
    for (size_t i = 0; i < layout.size(); ++i) {
        const TOutputPicture& got = shot[i];
        const TOutputPicture want = GrimOutput(layout[i].Name);
        EXPECT_EQ(got.Name, layout[i].Name);
        EXPECT_EQ(got.Logical, layout[i].Logical);
        ASSERT_EQ(got.Width, want.Width) << got.Name;
        ASSERT_EQ(got.Height, want.Height) << got.Name;
        int differ = 0, offEdge = 0;
        for (int y = 0; y < want.Height; ++y)
            for (int x = 0; x < want.Width; ++x) {
                if (got.Pixels[size_t(y) * want.Width + x] ==
                    want.Pixels[size_t(y) * want.Width + x])
                    continue;
                ++differ;
                if (!AtAnEdge(want, x, y)) ++offEdge;
            }
        if (layout[i].Scale == largest)
            EXPECT_EQ(differ, 0) << got.Name << " is cut pixel for pixel";
        else
            EXPECT_EQ(offEdge, 0) << got.Name << ": " << differ << " pixels differ, " << offEdge
                                  << " of them where the output is flat";
    }
}
