// The resident program as the user sees it under a window manager: where its
// windows and boxes appear, and what a capture holds under a fading compositor.
#include <array>
#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>

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

// Escape to the window; true once it has gone from the screen.
bool Dismiss(const std::string& title) {
    Xdo({"windowfocus", "--sync", Visible(title)});
    Xdo({"key", "Escape"});
    return WaitFor([&] { return Visible(title).empty(); });
}

} // namespace

TEST_F(OnTheScreen, TheMainWindowComesBackWhereItFirstAppeared) {
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
