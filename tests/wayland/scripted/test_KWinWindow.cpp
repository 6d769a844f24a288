// The window in front where the screen source hands over the window's own
// picture (a scripted KWin on the test's bus): the display keeps the
// pictures taken at the request, and the rectangles it gives stand for them.
#include <gtest/gtest.h>

#include "BusPeer.h"
#include "TestSupport.h"
#include "platform/wayland/WaylandDisplay.h"

TEST(KWinWindow, ThePicturesTakenAtTheRequestAreTheWindowsCaptures) {
    SKIP_UNLESS_WAYLAND(); // the outputs' layout is the compositor's
    TBusPeer kwin("kwin_peer.py", "org.kde.KWin.ScreenShot2", {"--window", "64:48:260:4:2"});
    ASSERT_TRUE(kwin.Ready()) << kwin.Stderr();
    TWaylandDisplay display;
    display.NoteForeground();
    const std::vector<QJsonObject> calls = kwin.Calls();
    ASSERT_EQ(calls.size(), 2u) << "with and without the frame, at the request";
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(calls[i]["call"], "CaptureActiveWindow");
        EXPECT_EQ(calls[i]["options"].toObject()["include-decoration"], i == 0);
    }
    // KWin tells the size (logical: native over the scale, 2), not the place.
    EXPECT_EQ(display.ForegroundWindowRect(), (TRect{0, 0, 32, 24}));
    const QImage window = display.Grab(display.ForegroundWindowRect());
    EXPECT_EQ(window.size(), QSize(64, 48)) << "the window's native picture";
    EXPECT_EQ(kwin.Calls().size(), 2u) << "nothing asked again at the grab";
    EXPECT_EQ(display.FailureSentence(), "");
}
