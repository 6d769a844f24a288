// --capture in the headless sway session: the screen is grim's pictures of
// the outputs composed at the largest scale, the window and its client area grim's pictures cut at
// the window's rectangles, also when DISPLAY names an X server; and on X11 a rootless Xwayland's
// refused grab is an error with words, in the capture program and in the resident program's grab.
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

#include "SessionPeers.h"
#include "TestSupport.h"
#include "app/Capture.h"
#include "platform/wayland/session/ForegroundWindow.h"
#include "platform/x11/X11Display.h"
#include "shapes/CaptureItems.h"

namespace {

const TRect Output1{0, 0, 1280, 800}, Output2{1280, 0, 1792, 384};

// The differing pixels of two pictures; -1 when their sizes differ.
long Differing(const TOutputPicture& a, const TOutputPicture& b) {
    if (a.Width != b.Width || a.Height != b.Height || a.Width == 0) return -1;
    long n = 0;
    for (size_t i = 0; i < a.Pixels.size(); ++i)
        n += (a.Pixels[i] & 0xffffff) != (b.Pixels[i] & 0xffffff);
    return n;
}

// snaprio --capture WHAT FILE with Env added; its exit status, stderr in *Err.
int Capture(const std::string& what, const std::string& file,
            const std::vector<std::string>& env = {}, std::string* err = nullptr) {
    TProcess p({SNAPRIO_BINARY, "--capture", what, file}, env);
    const int status = p.Wait();
    if (err) *err = p.Stderr();
    return status;
}

} // namespace

TEST(WaylandCapture, ScreenWindowAndClientAreGrimsPictures) {
    SKIP_UNLESS_WAYLAND();
    TTempDir dir;
    // On the doubled output, then on the plain one (in front, so focused).
    TSwayWindow doubled("snaprio-doubled", "#20c040", {1400, 100, 1600, 250});
    ASSERT_TRUE(doubled.Ok());
    std::string err;
    ASSERT_EQ(Capture("client", dir.File("c2.BMP"), {}, &err), 0) << err;
    EXPECT_EQ(Differing(ReadPicture(dir.File("c2.BMP")),
                        GrimCut("HEADLESS-2", Output2, {1400, 100, 1600, 250})),
              0);

    TSwayWindow plain("snaprio-plain", "#ff8000", {100, 120, 500, 420});
    ASSERT_TRUE(plain.Ok());
    std::string why;
    const auto rects = ForegroundWindow(why);
    ASSERT_TRUE(rects) << why;
    EXPECT_EQ(rects->Client, (TRect{100, 120, 500, 420}));
    // the 3-pixel border at the sides and below, the title bar above
    EXPECT_EQ(rects->Window.Left, 97);
    EXPECT_EQ(rects->Window.Right, 503);
    EXPECT_EQ(rects->Window.Bottom, 423);
    EXPECT_LT(rects->Window.Top, 117);

    const struct {
        const char* What;
        TRect Area;
    } items[] = {{"window", rects->Window}, {"client", rects->Client}};
    for (const auto& item : items) {
        SCOPED_TRACE(item.What);
        const std::string file = dir.File(std::string(item.What) + ".BMP");
        ASSERT_EQ(Capture(item.What, file, {}, &err), 0) << err;
        EXPECT_EQ(Differing(ReadPicture(file), GrimCut("HEADLESS-1", Output1, item.Area)), 0);
    }
    const TOutputPicture client = ReadPicture(dir.File("client.BMP"));
    ASSERT_EQ(client.Width, 400);
    EXPECT_EQ(client.Pixels[0], 0xffff8000u);
    EXPECT_EQ(client.Pixels.back(), 0xffff8000u);

    // grim's layout size (3584 x 1600), its outputs' pixels
    ASSERT_EQ(Capture("screen", dir.File("s.BMP"), {}, &err), 0) << err;
    const TOutputPicture screen = ReadPicture(dir.File("s.BMP")), grim = GrimLayout();
    EXPECT_EQ(screen.Width, grim.Width);
    EXPECT_EQ(screen.Height, grim.Height);
    EXPECT_EQ(Differing(screen, GrimOutputsComposed()), 0);
}

TEST(WaylandCapture, XwaylandRefusesTheX11GrabAndTheWaylandSessionDoesNotUseIt) {
    SKIP_UNLESS_WAYLAND();
    if (RunCommand({"sh", "-c", "command -v Xwayland >/dev/null"}) != 0)
        GTEST_SKIP() << "Xwayland is not installed";
    TRootlessXwayland xwayland;
    ASSERT_TRUE(xwayland.Ok());
    TTempDir dir;
    const std::vector<std::string> x11 = {"DISPLAY=" + xwayland.Display(),
                                          "WAYLAND_DISPLAY=", "XDG_SESSION_TYPE=x11"};
    std::string err;
    for (const char* file : {"s.BMP", "s.PNG", "s.JPG"}) {
        EXPECT_EQ(Capture("screen", dir.File(file), x11, &err), 1) << file;
        EXPECT_NE(err.find("Nothing was captured: the X server refused to give the screen's "
                           "pixels"),
                  std::string::npos)
            << err;
        EXPECT_FALSE(FileExists(dir.File(file)));
    }
    {
        // the resident program's grab
        TDisplayEnv env(xwayland.Display());
        auto display = CreateX11Display();
        const TGrab grab = GrabItem(ciScreen, *display);
        EXPECT_TRUE(grab.Picture.isNull());
        EXPECT_EQ(grab.Failure, TGrabFailure::Refused);
    }
    // The Wayland session with DISPLAY set too: the Wayland path, whose
    // picture is grim's (the X server would refuse); also when the desktop
    // program beside the front is started directly.
    const std::string desktop =
        std::filesystem::path(SNAPRIO_BINARY).parent_path() / "snaprio-desktop";
    for (const std::string& program : {std::string(SNAPRIO_BINARY), desktop}) {
        TProcess p({program, "--capture", "screen", dir.File("w.BMP")},
                   {"DISPLAY=" + xwayland.Display()});
        ASSERT_EQ(p.Wait(), 0) << program << p.Stderr();
        EXPECT_EQ(Differing(ReadPicture(dir.File("w.BMP")), GrimOutputsComposed()), 0) << program;
    }
}

// What the Wayland capture program says when it captures nothing: the X11
// program's words and exit codes, and the desktop's reason.
TEST(WaylandCapture, NothingCapturedSaysWhy) {
    SKIP_UNLESS_WAYLAND();
    TTempDir dir;
    ASSERT_EQ(RunCommand({"swaymsg", "workspace", "9"}), 0); // nothing in front
    const struct {
        const char* What;
        const char* File;
        std::vector<std::string> Env;
        int Status;
        const char* Words;
    } cases[] = {
        {"shot", "f.BMP", {}, 2, "--capture takes screen, window or client, not 'shot'"},
        {"screen", "f.TXT", {}, 2, "Unknown file type selected. Use .BMP, .GIF, .JPG or .PNG."},
        {"window", "f.BMP", {}, 1, "Nothing was captured: there is no foreground window."},
        {"client",
         "f.PNG",
         {"SWAYSOCK=", "XDG_CURRENT_DESKTOP=GNOME"},
         1,
         "Nothing was captured: this desktop (GNOME) tells no program which window is in front"},
        {"screen",
         "f.BMP",
         {"SNAPRIO_SCREEN_SOURCE=kwin"},
         1,
         "Nothing was captured: this desktop does not offer the screen source "
         "SNAPRIO_SCREEN_SOURCE names (kwin)."},
        {"screen",
         "f.JPG",
         {"SNAPRIO_SCREEN_SOURCE=grim"},
         1,
         "SNAPRIO_SCREEN_SOURCE='grim' is no screen source; use kwin, screencopy or portal."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.What) + " " + c.File);
        std::string err;
        EXPECT_EQ(Capture(c.What, dir.File(c.File), c.Env, &err), c.Status);
        EXPECT_NE(err.find(c.Words), std::string::npos) << err;
        EXPECT_FALSE(FileExists(dir.File(c.File)));
    }
    RunCommand({"swaymsg", "workspace", "back_and_forth"});
}
