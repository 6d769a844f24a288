// The Wayland family's display in the sway session: the layout is the
// screen, grabs keep the outputs' native pixels, the window in front is the
// one noted at the request, and what it cannot do is said in a sentence.
#include <gtest/gtest.h>

#include "SessionPeers.h"
#include "SwayWindows.h"
#include "TestSupport.h"
#include "platform/wayland/WaylandDisplay.h"

TEST(WaylandDisplay, TheLayoutIsTheScreenAndAGrabKeepsTheNativePixels) {
    SKIP_UNLESS_WAYLAND();
    TWaylandDisplay display;
    EXPECT_TRUE(display.Available());
    EXPECT_EQ(display.ScreenWidth(), 1792);
    EXPECT_EQ(display.ScreenHeight(), 800);
    EXPECT_EQ(display.Depth(), 32);
    EXPECT_FALSE(display.KnowsWindowPlaces());
    // An area on the scale-2 output: 2 x 2 of its pixels a logical pixel.
    const QImage out2 = Grim("HEADLESS-2");
    const QImage area = display.Grab({1380, 100, 1480, 150});
    EXPECT_EQ(area.size(), QSize(200, 100));
    EXPECT_TRUE(area.convertToFormat(QImage::Format_RGB32) == out2.copy(200, 200, 200, 100));
    EXPECT_EQ(display.FailureSentence(), "");
}

TEST(WaylandDisplay, TheWindowNotedAtTheRequestIsCapturedAtItsNativeSize) {
    SKIP_UNLESS_WAYLAND();
    TWaylandDisplay display;
    {
        TSwayWindow window("snaprio-front", "#20c040", {1400, 100, 1600, 250});
        ASSERT_TRUE(window.Ok());
        display.NoteForeground();
    }
    // Remembered as it was noted: the window has gone meanwhile.
    EXPECT_EQ(display.ForegroundClientRect(), (TRect{1400, 100, 1600, 250}));
    const TRect frame = display.ForegroundWindowRect();
    EXPECT_TRUE(frame.Left < 1400 && frame.Top < 100 && frame.Right > 1600 && frame.Bottom > 250)
        << frame.Left << "," << frame.Top << " " << frame.Right << "," << frame.Bottom;
    const QImage window = display.Grab(frame);
    EXPECT_EQ(window.size(), QSize(frame.Width() * 2, frame.Height() * 2)) << "the output's scale";
    EXPECT_EQ(display.Grab(display.ForegroundClientRect()).size(), QSize(400, 300));

    // With no window in front, the sentence the user reads.
    display.NoteForeground();
    EXPECT_EQ(display.ForegroundWindowRect(), TRect{});
    EXPECT_EQ(display.FailureSentence().rfind("Nothing was captured: ", 0), 0u)
        << display.FailureSentence();
}
