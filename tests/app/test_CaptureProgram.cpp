// --capture runs in a program of its own that reads the screen's rows a
// strip at a time: its files equal what the resident program's grab and
// save write for the same rectangle, at every depth, with and without shared
// memory, also for a window partly off the screen.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "X11Support.h"
#include "app/Capture.h"
#include "config/CaptureItems.h"
#include "imaging/ImageFiles.h"
#include "platform/x11/X11Display.h"

#include <X11/Xlib.h>

TEST(CaptureProgram, WritesWhatTheResidentGrabAndSaveWrite) {
    const std::pair<const char*, const char*> cases[] = {{"screen", "s.BMP"},
                                                         {"screen", "s.GIF"},
                                                         {"screen", "s.JPG"},
                                                         {"client", "c.BMP"},
                                                         {"window", "w.GIF"}};
    // 1000 x 700: a bitmap file's rows come in several strips. A server
    // without shared memory answers plain requests.
    const std::pair<const char*, std::vector<std::string>> servers[] = {
        {"1000x700x8", {}},
        {"1000x700x16", {}},
        {"1000x700x24", {}},
        {"1000x700x24", {"-extension", "MIT-SHM"}}};
    for (const auto& [screen, options] : servers) {
        SCOPED_TRACE(std::string(screen) + (options.empty() ? "" : " without MIT-SHM"));
        TXServer server(screen, false, options);
        ASSERT_TRUE(server.Ok());
        TDisplayEnv env(server.Name());
        Display* dpy = XOpenDisplay(nullptr);
        ASSERT_NE(dpy, nullptr);
        std::unique_ptr<Display, int (*)(Display*)> closer(dpy, XCloseDisplay);
        StripedWindow(dpy, 0, 0, 1000, 700, 2654435761u);
        // No window manager: the focus window is the foreground window, its
        // own rectangle both window and client; it reaches past the bottom right.
        const Window front = StripedWindow(dpy, 850, 600, 300, 200, 40503u);
        XSetInputFocus(dpy, front, RevertToPointerRoot, CurrentTime);
        XSync(dpy, False);

        auto display = CreateX11Display();
        TTempDir dir;
        for (const auto& [item, file] : cases) {
            TProcess p({SNAPRIO_BINARY, "--capture", item, dir.File(file)});
            ASSERT_EQ(p.Wait(), 0) << item << " " << file << ": " << p.Stderr();
            const int ci = std::string(item) == "screen"   ? ciScreen
                           : std::string(item) == "window" ? ciWindow
                                                           : ciClient;
            TGrab grab = GrabItem(ci, *display);
            ASSERT_FALSE(grab.Picture.isNull());
            SaveImageFile(grab.Picture, dir.File(std::string("expected-") + file));
            EXPECT_TRUE(ReadFile(dir.File(file)) ==
                        ReadFile(dir.File(std::string("expected-") + file)))
                << item << " " << file;
        }
    }
}
