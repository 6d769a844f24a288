// The outputs of the headless session and their pictures through
// wlr-screencopy, against grim's of the same outputs: HEADLESS-1 at scale 1,
// HEADLESS-2 at scale 2 (its native picture twice its logical size).
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "GrimPicture.h"
#include "TestSupport.h"
#include "platform/wayland/screen/Screencopy.h"
#include "platform/wayland/screen/WaylandOutputs.h"

namespace {

const struct {
    const char* Name;
    TRect Logical;
    int Scale;
    const char* Colour; // of the bar shown on it
} Outputs[] = {
    {"HEADLESS-1", {0, 0, 1280, 800}, 1, "20c040"},
    {"HEADLESS-2", {1280, 0, 1792, 384}, 2, "c02080"},
};

// A known picture on every output: swaynag's bar along the bottom edge,
// text on a colour of its own, drawn at the output's scale.
class TBars {
public:
    TBars() {
        for (const auto& o : Outputs)
            Bars.push_back(std::make_unique<TProcess>(std::vector<std::string>{
                "swaynag", "-o", o.Name, "-e", "bottom", "--background", o.Colour, "-m",
                std::string("Screencopy of ") + o.Name + " 0123456789"}));
    }
    // Once grim's picture of each output shows its bar.
    bool Shown() const {
        for (const auto& o : Outputs) {
            const TOutputPicture p = GrimOutput(o.Name);
            if (p.Width == 0 || p.Pixels[size_t(p.Height - 12) * p.Width + 3] !=
                                    (0xff000000u | std::stoul(o.Colour, nullptr, 16)))
                return false;
        }
        return true;
    }

private:
    std::vector<std::unique_ptr<TProcess>> Bars;
};

// How many pixels differ, and where the first one is.
std::string Difference(const TOutputPicture& a, const TOutputPicture& b) {
    if (a.Width != b.Width || a.Height != b.Height)
        return std::to_string(a.Width) + "x" + std::to_string(a.Height) + " against " +
               std::to_string(b.Width) + "x" + std::to_string(b.Height);
    size_t count = 0, first = 0;
    for (size_t i = 0; i < a.Pixels.size(); ++i)
        if (a.Pixels[i] != b.Pixels[i] && count++ == 0) first = i;
    if (count == 0) return "";
    return std::to_string(count) + " pixels differ, the first at " +
           std::to_string(first % a.Width) + "," + std::to_string(first / a.Width);
}

} // namespace

TEST(WaylandScreen, OutputsAreListedWithTheirPlaces) {
    SKIP_UNLESS_WAYLAND();
    const std::vector<TOutputPlace> places = ListOutputs();
    ASSERT_EQ(places.size(), std::size(Outputs));
    for (size_t i = 0; i < places.size(); ++i) {
        EXPECT_EQ(places[i].Name, Outputs[i].Name);
        EXPECT_EQ(places[i].Logical, Outputs[i].Logical) << Outputs[i].Name;
        EXPECT_EQ(places[i].Scale, Outputs[i].Scale) << Outputs[i].Name;
    }
}

TEST(WaylandScreen, ScreencopyOfEveryOutputEqualsGrims) {
    SKIP_UNLESS_WAYLAND();
    TBars bars;
    ASSERT_TRUE(WaitFor([&] { return bars.Shown(); })) << "swaynag's bars did not show";
    const auto source = OpenScreencopy();
    ASSERT_TRUE(source);
    EXPECT_STREQ(source->Name(), "wlr-screencopy");
    const TShot shot = source->Shoot();
    ASSERT_EQ(shot.size(), std::size(Outputs));
    for (size_t i = 0; i < shot.size(); ++i) {
        const auto& o = Outputs[i];
        EXPECT_EQ(shot[i].Name, o.Name);
        EXPECT_EQ(shot[i].Logical, o.Logical) << o.Name;
        EXPECT_EQ(shot[i].Width, o.Logical.Width() * o.Scale) << o.Name;
        EXPECT_EQ(shot[i].Scale(), o.Scale) << o.Name;
        EXPECT_EQ(Difference(shot[i], GrimOutput(o.Name)), "") << o.Name;
    }
}

// A turned output: the compositor copies its frame in the output's own
// orientation, the picture is upright in the layout as grim's.
TEST(WaylandScreen, ScreencopyOfATurnedOutputEqualsGrims) {
    SKIP_UNLESS_WAYLAND();
    struct TTurn {
        explicit TTurn(const char* transform) {
            RunCommand({"swaymsg", "output", "HEADLESS-2", "transform", transform});
        }
        ~TTurn() { RunCommand({"swaymsg", "output", "HEADLESS-2", "transform", "normal"}); }
    };
    for (const char* transform : {"90", "flipped-270"}) {
        TTurn turn(transform);
        TBars bars;
        ASSERT_TRUE(WaitFor([&] { return bars.Shown(); })) << transform;
        const TShot shot = OpenScreencopy()->Shoot();
        ASSERT_EQ(shot.size(), std::size(Outputs));
        EXPECT_EQ(shot[1].Logical, (TRect{1280, 0, 1664, 512})) << transform;
        EXPECT_EQ(Difference(shot[1], GrimOutput("HEADLESS-2")), "") << transform;
    }
}

TEST(WaylandScreen, WithoutADesktopTheErrorSaysSo) {
    const char* old = std::getenv("WAYLAND_DISPLAY");
    const std::string kept = old ? old : "";
    setenv("WAYLAND_DISPLAY", "snaprio-no-such-display", 1);
    EXPECT_EQ(OpenScreencopy(), nullptr);
    try {
        ListOutputs();
        ADD_FAILURE() << "no error";
    } catch (const EShotError& e) {
        EXPECT_STREQ(e.what(), "No Wayland desktop answers (WAYLAND_DISPLAY).");
    }
    if (old) {
        setenv("WAYLAND_DISPLAY", kept.c_str(), 1);
    } else {
        unsetenv("WAYLAND_DISPLAY");
    }
}
