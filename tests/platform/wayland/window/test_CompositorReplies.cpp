// The window in front as the compositors' IPC replies tell it: trees that
// sway 1.7 answered to GET_TREE (recorded in the headless session: a
// floating window with a title bar and a 3-pixel border, tiled windows on
// the doubled output, an empty workspace in front), and Hyprland's
// "j/activewindow" in the form its documentation gives.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "platform/wayland/session/CompositorReplies.h"

namespace {
QByteArray Recorded(const std::string& name) {
    return QByteArray::fromStdString(
        ReadFile(std::string(SNAPRIO_SOURCE_DIR) + "/tests/platform/wayland/window/" + name));
}
} // namespace

TEST(CompositorReplies, SwayTreeFocusedWindowWithItsTitleBarAndItsClientArea) {
    struct TCase {
        QByteArray Reply;
        bool Found;
        TRect Window, Client;
        std::string Why; // in the sentence when nothing was found
    };
    const TCase cases[] = {
        // rect 97,100 406x303, the title bar's 25 above it, window_rect 3,0 400x300
        {Recorded("sway-floating.json"), true, {97, 75, 503, 403}, {100, 100, 500, 400}, ""},
        // the second of two tiled windows, titled, on the output at 1280,0
        {Recorded("sway-tiled.json"), true, {1536, 0, 1792, 384}, {1538, 25, 1790, 382}, ""},
        {Recorded("sway-empty.json"), false, {}, {}, "there is no foreground window."},
        {"[1, 2]", false, {}, {}, "sway's window tree could not be read."},
        {"", false, {}, {}, "could not be read"},
    };
    for (const TCase& c : cases) {
        std::string why;
        const auto found = FocusedSwayWindow(c.Reply, why);
        SCOPED_TRACE(c.Reply.left(40).toStdString());
        ASSERT_EQ(found.has_value(), c.Found) << why;
        if (c.Found) {
            EXPECT_EQ(found->Window, c.Window);
            EXPECT_EQ(found->Client, c.Client);
        } else {
            EXPECT_NE(why.find(c.Why), std::string::npos) << why;
        }
    }
}

TEST(CompositorReplies, HyprlandActiveWindowIsBothWindowAndClient) {
    struct TCase {
        QByteArray Reply;
        bool Found;
        TRect Rect;
        std::string Why;
    };
    const TCase cases[] = {
        {R"({"address": "0x55d1c2a0", "mapped": true, "hidden": false, "at": [1300, 40],
             "size": [480, 320], "workspace": {"id": 2, "name": "2"}, "floating": false,
             "monitor": 1, "class": "foot", "title": "foot", "pid": 4242})",
         true,
         {1300, 40, 1780, 360},
         ""},
        {"{}", false, {}, "there is no foreground window."},
        {R"({"at": [0, 0], "size": [0, 0]})", false, {}, "there is no foreground window."},
        {"ok", false, {}, "could not be read"},
    };
    for (const TCase& c : cases) {
        std::string why;
        const auto found = ActiveHyprlandWindow(c.Reply, why);
        SCOPED_TRACE(c.Reply.left(40).toStdString());
        ASSERT_EQ(found.has_value(), c.Found) << why;
        if (c.Found) {
            EXPECT_EQ(found->Window, c.Rect);
            EXPECT_EQ(found->Client, c.Rect);
        } else {
            EXPECT_NE(why.find(c.Why), std::string::npos) << why;
        }
    }
}
