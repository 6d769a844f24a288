// Grabbing from real X servers: a 24-bit one with openbox for frames and the
// foreground window, and an 8-bit PseudoColor one for the palette path.
#include <gtest/gtest.h>
#include <tuple>

#include "TestSupport.h"
#include "X11Support.h"
#include "platform/x11/X11Display.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

const QRgb Quadrants[4] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 0)};

// A 200 x 150 window in four colours, mapped and active.
class TPatternWindow {
public:
    TPatternWindow(Display* dpy, int x, int y) : Dpy(dpy) {
        Win = XCreateSimpleWindow(Dpy, DefaultRootWindow(Dpy), x, y, W, H, 0, 0, 0);
        XStoreName(Dpy, Win, "pattern");
        XSelectInput(Dpy, Win, ExposureMask | StructureNotifyMask);
        XMapWindow(Dpy, Win);
        XSync(Dpy, False);
        Paint();
    }
    void Activate() { RunCommand({"xdotool", "windowactivate", std::to_string(Win)}); }
    ~TPatternWindow() {
        XDestroyWindow(Dpy, Win);
        XSync(Dpy, False);
    }
    void Paint() {
        GC gc = XCreateGC(Dpy, Win, 0, nullptr);
        for (int q = 0; q < 4; ++q) {
            XSetForeground(Dpy, gc, Quadrants[q] & 0xFFFFFF);
            XFillRectangle(Dpy, Win, gc, (q % 2) * W / 2, (q / 2) * H / 2, W / 2, H / 2);
        }
        XFreeGC(Dpy, gc);
        XSync(Dpy, False);
    }
    QRgb Expected(int x, int y) const { return Quadrants[(x >= W / 2) + 2 * (y >= H / 2)]; }
    static constexpr int W = 200, H = 150;
    Display* Dpy;
    Window Win;
};

bool SameAsPattern(const QImage& img, const TPatternWindow& p) {
    if (img.width() != p.W || img.height() != p.H) return false;
    for (int y = 0; y < p.H; ++y)
        for (int x = 0; x < p.W; ++x)
            if ((img.pixel(x, y) | 0xFF000000u) != p.Expected(x, y)) return false;
    return true;
}

} // namespace

TEST(X11Display, GrabsScreenWindowAndClientExactly) {
    SKIP_UNLESS_X11();
    TXServer server("800x600x24", true);
    ASSERT_TRUE(server.Ok());
    TDisplayEnv env(server.Name());
    Display* dpy = XOpenDisplay(nullptr);
    ASSERT_NE(dpy, nullptr);
    std::unique_ptr<Display, int (*)(Display*)> closer(dpy, XCloseDisplay); // after the window
    TPatternWindow window(dpy, 120, 90);
    auto display = CreateX11Display();
    ASSERT_TRUE(display->Available());
    EXPECT_EQ(display->ScreenWidth(), 800);
    EXPECT_EQ(display->Depth(), 24);

    TRect client;
    ASSERT_TRUE(WaitFor([&] {
        window.Activate();
        window.Paint();
        client = display->ForegroundClientRect();
        return client.Width() == 200 && SameAsPattern(display->Grab(client), window);
    })) << client.Left
        << "," << client.Top << " " << client.Width() << "x" << client.Height();
    const TRect frame = display->ForegroundWindowRect();
    EXPECT_TRUE(frame.Left <= client.Left && frame.Top < client.Top &&
                frame.Right >= client.Right && frame.Bottom >= client.Bottom)
        << "the frame and title bar lie around the client area";
    const QImage whole = display->Grab(frame);
    ASSERT_EQ(whole.width(), frame.Width());
    EXPECT_TRUE(SameAsPattern(
        whole.copy(client.Left - frame.Left, client.Top - frame.Top, 200, 150), window))
        << "the client grab is the window grab without the frame";
    const QImage screen = display->Grab({0, 0, 800, 600});
    EXPECT_EQ(screen.format(), QImage::Format_RGB32);
    EXPECT_TRUE(SameAsPattern(screen.copy(client.Left, client.Top, 200, 150), window));

    // Off the screen is black; the rest is the screen.
    const QImage corner = display->Grab({-10, -20, 30, 40});
    ASSERT_EQ(corner.size(), QSize(40, 60));
    EXPECT_EQ(corner.pixel(5, 5), qRgb(0, 0, 0));
    EXPECT_EQ(corner.pixel(15, 25), screen.pixel(5, 5));
    EXPECT_TRUE(display->Grab({5, 5, 5, 50}).isNull()) << "an empty rectangle grabs nothing";

    // A picture keeps its pixels while later grabs reuse the shared memory.
    const QImage before = display->Grab(client);
    XSetWindowBackground(dpy, window.Win, 0x808080);
    XClearWindow(dpy, window.Win);
    XSync(dpy, False);
    const QImage after = display->Grab(client);
    EXPECT_TRUE(SameAsPattern(before, window));
    EXPECT_EQ(after.pixel(10, 10) | 0xFF000000u, qRgb(128, 128, 128));

    // Minimised: nothing in the foreground.
    XIconifyWindow(dpy, window.Win, DefaultScreen(dpy));
    XSync(dpy, False);
    EXPECT_TRUE(WaitFor([&] { return display->ForegroundClientRect().Empty(); }))
        << display->ForegroundClientRect().Left << " " << display->ForegroundClientRect().Width();
    const TRect fr = display->ForegroundWindowRect();
    EXPECT_TRUE(display->Grab(fr).isNull())
        << fr.Left << "," << fr.Top << " " << fr.Width() << "x" << fr.Height();
}

TEST(X11Display, PaletteScreensGiveIndexedPicturesWithTheirColours) {
    SKIP_UNLESS_X11();
    TXServer server("320x240x8");
    ASSERT_TRUE(server.Ok());
    TDisplayEnv env(server.Name());
    Display* dpy = XOpenDisplay(nullptr);
    ASSERT_NE(dpy, nullptr);
    ASSERT_EQ(DefaultVisual(dpy, 0)->c_class, PseudoColor);
    XColor orange{}, exact{};
    XAllocNamedColor(dpy, DefaultColormap(dpy, 0), "#ff8000", &orange, &exact);
    Window w = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 10, 10, 50, 40, 0, 0, orange.pixel);
    XMapWindow(dpy, w);
    XSync(dpy, False);
    auto display = CreateX11Display();
    QImage img;
    ASSERT_TRUE(WaitFor([&] {
        img = display->Grab({0, 0, 320, 240});
        return img.pixel(30, 30) == qRgb(255, 128, 0);
    }));
    EXPECT_EQ(img.format(), QImage::Format_Indexed8);
    EXPECT_EQ(img.pixelIndex(30, 30), static_cast<int>(orange.pixel));
    EXPECT_EQ(display->Depth(), 8);
    XCloseDisplay(dpy);
}

TEST(X11Display, TheForegroundIsTheWindowInFrontAtTheRequest) {
    SKIP_UNLESS_X11();
    TXServer server("640x480x24"); // no window manager: the input focus tells
    ASSERT_TRUE(server.Ok());
    TDisplayEnv env(server.Name());
    Display* dpy = XOpenDisplay(nullptr);
    ASSERT_NE(dpy, nullptr);
    std::unique_ptr<Display, int (*)(Display*)> closer(dpy, XCloseDisplay);
    auto window = std::make_unique<TPatternWindow>(dpy, 120, 90);
    XSetInputFocus(dpy, window->Win, RevertToPointerRoot, CurrentTime);
    XSync(dpy, False);
    auto display = CreateX11Display();
    display->NoteForeground();
    // Our own window takes the focus, then hides for the grab.
    Window ours = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 50, 50, 0, 0, 0);
    XMapWindow(dpy, ours);
    XSync(dpy, False);
    XSetInputFocus(dpy, ours, RevertToPointerRoot, CurrentTime);
    XUnmapWindow(dpy, ours);
    XSync(dpy, False);
    EXPECT_EQ(display->ForegroundClientRect(), (TRect{120, 90, 320, 240}));
    EXPECT_TRUE(SameAsPattern(display->Grab(display->ForegroundWindowRect()), *window));
    window.reset();
    EXPECT_TRUE(display->ForegroundWindowRect().Empty()) << "gone since: nothing to grab";
}

TEST(X11Display, AWindowManagersOwnFocusWindowIsNoForeground) {
    SKIP_UNLESS_X11();
    TXServer server("640x480x24", true); // openbox focuses its own 1 x 1 window off the screen
    ASSERT_TRUE(server.Ok());
    TDisplayEnv env(server.Name());
    auto display = CreateX11Display();
    EXPECT_TRUE(display->ForegroundWindowRect().Empty());
    EXPECT_TRUE(display->ForegroundClientRect().Empty());
    TTempDir dir;
    TProcess capture({SNAPRIO_BINARY, "--capture", "window", dir.File("w.bmp")});
    EXPECT_EQ(capture.Wait(), 1);
    EXPECT_NE(capture.Stderr().find("no foreground window"), std::string::npos) << capture.Stderr();
    EXPECT_FALSE(FileExists(dir.File("w.bmp")));
}

TEST(X11Display, ASelectionEndsWithTheDisplay) {
    SKIP_UNLESS_X11();
    TXServer server("320x240x24");
    ASSERT_TRUE(server.Ok());
    TDisplayEnv env(server.Name());
    Display* dpy = XOpenDisplay(nullptr);
    ASSERT_NE(dpy, nullptr);
    std::unique_ptr<Display, int (*)(Display*)> closer(dpy, XCloseDisplay);
    auto children = [&] { return RootChildren(dpy); };
    const unsigned before = children();
    auto display = CreateX11Display();
    ASSERT_TRUE(display->BeginSelection());
    EXPECT_EQ(children(), before + 1) << "the frozen-screen window";
    // A picture still holds the connection: only the display's own end
    // takes the window away.
    const QImage kept = display->Grab({0, 0, 32, 32});
    display.reset();
    EXPECT_EQ(children(), before) << "gone with the display, not left over the desktop";
}

TEST(X11Display, DotsPerInchFromTheDesktopsSettingElseTheScreensSize) {
    SKIP_UNLESS_X11();
    // Xvfb's -dpi sets the screen's millimetres; Xft.dpi among the root's
    // resources is the desktop's own setting and goes first.
    const std::tuple<const char*, const char*, double> cases[] = {
        {"96", nullptr, 96}, {"192", nullptr, 192}, {"96", "Xft.dpi: 144\n", 144}};
    for (auto [dpi, resources, expected] : cases) {
        TXServer server("1280x1024x24", false, {"-dpi", dpi});
        ASSERT_TRUE(server.Ok());
        TDisplayEnv env(server.Name());
        if (resources) {
            TTempDir dir;
            WriteFile(dir.File("resources"), resources);
            ASSERT_EQ(RunCommand({"xrdb", "-merge", dir.File("resources")}), 0);
        }
        EXPECT_NEAR(CreateX11Display()->Dpi(), expected, 1) << dpi << " " << (resources != nullptr);
    }
}
