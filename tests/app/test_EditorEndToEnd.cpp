// The editor in the real program, driven by xdotool: capture, "Ed&it", an
// arrow, a step marker and a solid redaction drawn with the mouse, Ok, save
// as bitmap; the file shows them where they were drawn.
#include <gtest/gtest.h>

#include "AppSupport.h"
#include "EndToEndSupport.h"
#include "ImagingSupport.h"
#include "TestSupport.h"

namespace {

struct TRgb {
    int R, G, B;
    bool operator==(const TRgb&) const = default;
};

TRgb At(const TDecoded& d, int x, int y) {
    const uint8_t* p = &d.Pixels[(size_t(y) * d.Width + x) * 3];
    return {p[0], p[1], p[2]};
}

void Xdo(std::vector<std::string> args) {
    args.insert(args.begin(), "xdotool");
    RunCommand(args);
}

// A press at (X1, Y1) in the window, moves in steps, a release at (X2, Y2).
void Drag(const std::string& win, int x1, int y1, int x2, int y2) {
    Xdo({"mousemove", "--window", win, std::to_string(x1), std::to_string(y1)});
    Xdo({"mousedown", "1"});
    for (int i = 1; i <= 4; ++i)
        Xdo({"mousemove", "--window", win, std::to_string(x1 + (x2 - x1) * i / 4),
             std::to_string(y1 + (y2 - y1) * i / 4)});
    Xdo({"mouseup", "1"});
}

} // namespace

TEST(EndToEnd, WhatIsDrawnInTheEditorIsInTheSavedFile) {
    SKIP_UNLESS_X11();
    TBackdrop backdrop;
    // Under every window, so that the pointer reaches the editor whether or
    // not a window manager stacks it (it would stay under an override-redirect
    // window mapped before it).
    XLowerWindow(backdrop.Dpy, backdrop.Win);
    XSync(backdrop.Dpy, False);
    const TRgb green{0, 0xC0, 0}, red{0xFF, 0, 0};
    TResident resident("[Misc]\nWhat To Cap=0\nAction=0\nFirst Time=No\n"
                       "[Editor]\nColor=255\nWidth=4\n");
    TProcess& program = *resident.Program;
    ASSERT_TRUE(resident.HotKey()) << program.Stderr();
    ASSERT_TRUE(resident.Capture());
    ASSERT_TRUE(WaitFor([] { return !VisibleMainWindow().empty(); })) << program.Stderr();

    std::string editor;
    ASSERT_TRUE(WaitFor(
        [&] {
            Xdo({"windowfocus", "--sync", VisibleMainWindow()});
            Xdo({"key", "alt+i"});
            return WaitFor([&] { return !(editor = VisibleWindow("Edit Image")).empty(); },
                           std::chrono::seconds(3));
        },
        std::chrono::seconds(20)));
    Xdo({"windowfocus", "--sync", editor});
    // Window places, well inside the canvas below the tool bar.
    const int boxX = 120, boxY = 160, boxW = 100, boxH = 80;
    const int arrowX1 = 300, arrowY1 = 160, arrowX2 = 440, arrowY2 = 250;
    const int markX = 320, markY = 330;
    Xdo({"key", "b"});
    Drag(editor, boxX, boxY, boxX + boxW, boxY + boxH);
    Xdo({"key", "a"});
    Drag(editor, arrowX1, arrowY1, arrowX2, arrowY2);
    Xdo({"key", "m"});
    Xdo({"mousemove", "--window", editor, std::to_string(markX), std::to_string(markY)});
    Xdo({"click", "1"});
    Xdo({"key", "ctrl+Return"});
    ASSERT_TRUE(WaitFor([] { return VisibleWindow("Edit Image").empty(); })) << program.Stderr();

    std::string dialog;
    ASSERT_TRUE(WaitFor(
        [&] {
            Xdo({"windowfocus", "--sync", VisibleMainWindow()});
            Xdo({"key", "Return"});
            return WaitFor([&] { return !(dialog = VisibleWindow("Save As Bitmap")).empty(); },
                           std::chrono::seconds(3));
        },
        std::chrono::seconds(20)));
    Xdo({"windowfocus", "--sync", dialog});
    Xdo({"key", "ctrl+a"});
    Xdo({"type", "--delay", "5", resident.Dir.File("shot")});
    Xdo({"key", "Return"});
    const std::string file = resident.Dir.File("shot.BMP");
    ASSERT_TRUE(WaitFor([&] {
        return FileExists(file) && VisibleWindow("Save As Bitmap").empty();
    })) << program.Stderr();

    const TDecoded d = PillowDecode(file, "RGB");
    ASSERT_EQ(d.Width, DisplayWidth(backdrop.Dpy, 0));
    ASSERT_EQ(d.Height, DisplayHeight(backdrop.Dpy, 0));
    // The redaction is the only red area as large as the box: its top left
    // tells where the canvas showed the picture's origin.
    bool found = false;
    int ox = 0, oy = 0;
    for (int y = 0; y + boxH / 2 < d.Height && !found; ++y)
        for (int x = 0; x + boxW / 2 < d.Width; ++x)
            if (At(d, x, y) == red && At(d, x + boxW / 2, y + boxH / 2) == red &&
                At(d, x + boxW - 2, y + boxH - 2) == red) {
                ox = x - boxX, oy = y - boxY;
                found = true;
                break;
            }
    ASSERT_TRUE(found) << "no redaction box in the saved picture";
    int boxPixels = 0;
    for (int y = boxY + 1; y < boxY + boxH - 1; ++y)
        for (int x = boxX + 1; x < boxX + boxW - 1; ++x) boxPixels += At(d, x + ox, y + oy) == red;
    EXPECT_EQ(boxPixels, (boxW - 2) * (boxH - 2)) << "every pixel under the box is the box's";
    EXPECT_EQ(At(d, ox + boxX + boxW + 6, oy + boxY + boxH / 2), green) << "nothing beyond it";
    // The arrow's shaft halfway, and its head at the end point.
    auto near = [&](int cx, int cy, TRgb c) {
        for (int y = cy - 2; y <= cy + 2; ++y)
            for (int x = cx - 2; x <= cx + 2; ++x)
                if (At(d, x + ox, y + oy) == c) return true;
        return false;
    };
    EXPECT_TRUE(near((arrowX1 + arrowX2) / 2, (arrowY1 + arrowY2) / 2, red)) << "the shaft";
    // The head is wider than the shaft: 5 pixels beside the line it is red
    // just behind the end point, green halfway.
    EXPECT_TRUE(near(arrowX2 - 13, arrowY2 - 2, red)) << "the head";
    EXPECT_EQ(At(d, ox + (arrowX1 + arrowX2) / 2 - 3, oy + (arrowY1 + arrowY2) / 2 + 4), green);
    EXPECT_EQ(At(d, ox + arrowX2 + 30, oy + arrowY1), green);
    // The marker: a red disc around the click with its number inside.
    EXPECT_TRUE(near(markX - 8, markY, red) && near(markX + 8, markY, red)) << "the disc";
    bool lighter = false; // the digit "1" in a contrasting colour
    for (int y = markY - 6; y <= markY + 6; ++y)
        for (int x = markX - 4; x <= markX + 4; ++x)
            lighter |= At(d, x + ox, y + oy).G > 0x80 && At(d, x + ox, y + oy).B > 0x80;
    EXPECT_TRUE(lighter) << "the marker's number";
    EXPECT_EQ(At(d, ox + markX, oy + markY + 60), green);
    program.Signal(SIGTERM);
    EXPECT_EQ(program.Wait(), 0);
}
