// The resident program as the user sees it under a window manager: where its
// windows and boxes appear, and what a capture holds under a fading compositor.
#include <algorithm>
#include <array>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>

#include "AppSupport.h"
#include "ImagingSupport.h"
#include "TestSupport.h"

#include <X11/Xlib.h>

namespace {

class OnTheScreen : public testing::Test {
protected:
    std::unique_ptr<TProcess> Run(std::vector<std::string> args) {
        args.insert(args.begin(), SNAPRIO_BINARY);
        return std::make_unique<TProcess>(
            args, std::vector<std::string>{"XDG_RUNTIME_DIR=" + Dir.Path(),
                                           "SNAPRIO_INI=" + Dir.File("SNAPRO.INI"),
                                           "XDG_CONFIG_HOME=" + Dir.Path()});
    }
    std::unique_ptr<TProcess> StartResident(const std::string& ini) {
        WriteFile(Dir.File("SNAPRO.INI"), ini);
        auto p = Run({});
        WaitFor([&] { return FileExists(Dir.File("VREX2321Z.socket")) || !p->Running(); });
        return p;
    }
    TTempDir Dir;
};

void Xdo(const std::vector<std::string>& args) {
    std::vector<std::string> argv{"xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    RunCommand(argv);
}

// The first visible window of that exact title, or "".
std::string Visible(const std::string& title) {
    std::string out;
    RunCommand({"xdotool", "search", "--onlyvisible", "--name", "^" + title + "$"}, &out);
    return out.substr(0, out.find('\n'));
}

// Where a window is: its frame's top-left and its client area.
struct TPlace {
    int FrameX = 0, FrameY = 0, X = 0, Y = 0, W = 0, H = 0;
    bool operator==(const TPlace&) const = default;
};

TPlace PlaceOf(const std::string& window) {
    std::string info, extents;
    RunCommand({"xwininfo", "-id", window}, &info);
    RunCommand({"xprop", "-id", window, "_NET_FRAME_EXTENTS"}, &extents);
    auto field = [&](const std::string& key) {
        const auto at = info.find(key);
        return at == std::string::npos ? -1 : std::stoi(info.substr(at + key.size()));
    };
    int l = 0, r = 0, t = 0, b = 0;
    if (extents.find('=') != std::string::npos)
        std::sscanf(extents.substr(extents.find('=') + 1).c_str(), "%d, %d, %d, %d", &l, &r, &t,
                    &b);
    TPlace p;
    p.X = field("Absolute upper-left X:"), p.Y = field("Absolute upper-left Y:");
    p.W = field("Width:"), p.H = field("Height:");
    p.FrameX = p.X - l, p.FrameY = p.Y - t;
    return p;
}

// In the middle of the 1024 x 768 screen, give or take the frame Qt allows
// for and the tray's strip.
testing::AssertionResult Centred(const std::string& window) {
    const TPlace p = PlaceOf(window);
    if (std::abs(p.X + p.W / 2 - 1024 / 2) <= 20 && std::abs(p.Y + p.H / 2 - 768 / 2) <= 40)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << p.W << " x " << p.H << " at " << p.X << ", " << p.Y;
}

// Escape to the window; true once it has gone from the screen.
bool Dismiss(const std::string& title) {
    Xdo({"windowfocus", "--sync", Visible(title)});
    Xdo({"key", "Escape"});
    return WaitFor([&] { return Visible(title).empty(); });
}

} // namespace

TEST_F(OnTheScreen, TheMainWindowComesBackWhereItFirstAppeared) {
    SKIP_UNLESS_X11();
    TXServer x("1024x768x24", true);
    ASSERT_TRUE(x.Ok());
    TDisplayEnv display(x.Name());
    auto program = StartResident("[Misc]\nFirst Time=No\n");
    ASSERT_TRUE(program->Running()) << program->Stderr();
    // A dialog of the main window before the window first shows: its native
    // window exists then, its frame not yet.
    ASSERT_EQ(Run({"--configure"})->Wait(), 0);
    ASSERT_TRUE(WaitFor([] { return !Visible("Configuration").empty(); }));
    ASSERT_TRUE(Dismiss("Configuration"));
    std::vector<TPlace> places;
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(Run({"--show"})->Wait(), 0);
        std::string main;
        ASSERT_TRUE(WaitFor([&] { return !(main = Visible("Snaprio 2000")).empty(); }));
        places.push_back(PlaceOf(main));
        // A user's moment on the screen: the program has learnt its frame by then.
        WaitFor([] { return false; }, std::chrono::milliseconds(500));
        ASSERT_TRUE(Dismiss("Snaprio 2000")) << "\"&Abort\" hides it";
    }
    for (const TPlace& p : places) {
        EXPECT_EQ(p.FrameX, places[0].FrameX);
        EXPECT_EQ(p.FrameY, places[0].FrameY);
        // The client area centred on the 1024 x 768 screen.
        EXPECT_EQ(p.X, (1024 - 480) / 2);
        EXPECT_EQ(p.Y, (768 - 231) / 2);
    }
    program->Signal(SIGTERM);
    EXPECT_EQ(program->Wait(), 0);
}

TEST_F(OnTheScreen, ABoxOfTheHiddenWindowIsCentredInFront) {
    SKIP_UNLESS_X11();
    TXServer x("1024x768x24", true);
    ASSERT_TRUE(x.Ok());
    TDisplayEnv display(x.Name());
    auto trayer = StartTrayer();
    WriteFile(Dir.File("notes.txt"), "no picture\n");
    auto program = StartResident("[Misc]\nFirst Time=No\n");
    std::vector<std::array<int, 4>> icon;
    ASSERT_TRUE(WaitFor([&] {
        return (icon = VisibleWindows({"--pid", std::to_string(program->Pid())})).size() == 1;
    }));
    // The icon takes clicks once the tray has embedded it: click until
    // "&Open Image" brings its dialog.
    std::string dialog;
    ASSERT_TRUE(WaitFor(
        [&] {
            Xdo({"mousemove", std::to_string(icon[0][0] + icon[0][2] / 2),
                 std::to_string(icon[0][1] + icon[0][3] / 2), "click", "3"});
            WaitFor([&] {
                return VisibleWindows({"--pid", std::to_string(program->Pid())}).size() >= 2;
            });
            Xdo({"key", "o"});
            return WaitFor([&] { return !(dialog = Visible("Open Graphic File")).empty(); },
                           std::chrono::seconds(3));
        },
        std::chrono::seconds(30)));
    EXPECT_TRUE(Centred(dialog));
    Xdo({"windowfocus", "--sync", dialog});
    Xdo({"key", "ctrl+a"});
    Xdo({"type", "--delay", "5", Dir.File("notes.txt")});
    Xdo({"key", "Return"});
    std::string box;
    ASSERT_TRUE(WaitFor([&] { return !(box = Visible("Error")).empty(); }));
    // "Unknown file type selected." in the middle of the screen, in front.
    EXPECT_TRUE(Centred(box));
    std::string active;
    EXPECT_TRUE(WaitFor([&] {
        RunCommand({"xdotool", "getactivewindow"}, &active);
        return active.substr(0, active.find('\n')) == box;
    })) << active
        << " is active, not the box " << box;
    Xdo({"windowfocus", "--sync", box});
    Xdo({"key", "Return"});
    EXPECT_TRUE(WaitFor([] { return Visible("Error").empty(); }));
    program->Signal(SIGTERM);
    EXPECT_EQ(program->Wait(), 0);
}

TEST_F(OnTheScreen, AScreenCaptureUnderAFadingCompositorHoldsNoGhostOfTheWindow) {
    SKIP_UNLESS_X11();
    TXServer x("1024x768x24", true);
    ASSERT_TRUE(x.Ok());
    TDisplayEnv display(x.Name());
    TProcess compositor({"xcompmgr", "-c", "-f", "-D", "15"});
    ASSERT_TRUE(WaitFor([] {
        Display* dpy = XOpenDisplay(nullptr);
        const bool owned = XGetSelectionOwner(dpy, XInternAtom(dpy, "_NET_WM_CM_S0", False));
        XCloseDisplay(dpy);
        return owned;
    })) << "the compositor runs";
    auto program = StartResident("[Misc]\nWhat To Cap=0\nAction=5\nFirst Time=No\n");
    ASSERT_EQ(Run({"--show"})->Wait(), 0);
    std::string main;
    ASSERT_TRUE(WaitFor([&] { return !(main = Visible("Snaprio 2000")).empty(); }));
    const TPlace p = PlaceOf(main);
    Xdo({"windowfocus", "--sync", main});
    Xdo({"key", "Return"}); // "&Capture"
    ASSERT_TRUE(WaitFor([] { return Visible("Snaprio 2000").empty(); }));
    // Back on the delivery screen: "Co&py", then paste.
    std::string png;
    ASSERT_TRUE(WaitFor([&] {
        if ((main = Visible("Snaprio 2000")).empty()) return false;
        Xdo({"windowfocus", "--sync", main});
        Xdo({"key", "alt+p"});
        return RunCommand({"xclip", "-selection", "clipboard", "-t", "image/png", "-o"}, &png) ==
                   0 &&
               png.size() > 24;
    }));
    WriteFile(Dir.File("shot.png"), png);
    const TDecoded d = PillowDecode(Dir.File("shot.png"), "RGB");
    ASSERT_EQ(d.Width, 1024);
    ASSERT_EQ(d.Height, 768);
    // The compositor's plain backdrop, also where the window and its shadow were.
    const auto at = [&](int x, int y) { return &d.Pixels[(size_t(y) * d.Width + x) * 3]; };
    int ghost = 0;
    for (int y = std::max(0, p.FrameY - 40); y < std::min(768, p.Y + p.H + 40); ++y)
        for (int x = std::max(0, p.FrameX - 40); x < std::min(1024, p.X + p.W + 40); ++x)
            ghost += !std::equal(at(x, y), at(x, y) + 3, at(0, 0));
    EXPECT_EQ(ghost, 0) << "pixels of the window's place unlike the backdrop";
    program->Signal(SIGTERM);
    EXPECT_EQ(program->Wait(), 0);
}
