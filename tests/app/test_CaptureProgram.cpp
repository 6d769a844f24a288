// --capture runs in a program of its own that reads the screen's rows a
// strip at a time: its files equal what the resident program's grab and
// save write for the same rectangle, at every depth, with and without shared
// memory, also for a window partly off the screen.
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "X11Support.h"
#include "app/Capture.h"
#include "imaging/qt/ImageFiles.h"
#include "platform/x11/X11Display.h"
#include "shapes/CaptureItems.h"

#include <X11/Xlib.h>

TEST(CaptureProgram, WritesWhatTheResidentGrabAndSaveWrite) {
    SKIP_UNLESS_X11();
    const std::pair<const char*, const char*> cases[] = {
        {"screen", "s.BMP"}, {"screen", "s.GIF"}, {"screen", "s.JPG"}, {"screen", "s.PNG"},
        {"window", "w.png"}, {"client", "c.BMP"}, {"window", "w.GIF"}};
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

// Where the file system has no nameless files the picture is written to a
// named `.part` file; a signal while it is written leaves neither that file
// nor the target behind.
TEST(CaptureProgram, ASignalWhileANamedPartFileIsWrittenLeavesNothing) {
    SKIP_UNLESS_X11();
    TTempDir dir;
    ASSERT_TRUE(
        QImage(200, 100, QImage::Format_RGB32).save(QString::fromStdString(dir.File("in.bmp"))));
    auto others = [&] {
        std::string names;
        for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
            if (e.path().filename() != "in.bmp") names += e.path().filename().string() + " ";
        return names;
    };
    struct {
        std::vector<std::string> Args;
        int Signal;
    } const cases[] = {
        {{"--convert", dir.File("in.bmp"), dir.File("out.GIF")}, 0},
        {{"--convert", dir.File("in.bmp"), dir.File("out.GIF")}, SIGTERM},
        {{"--convert", dir.File("in.bmp"), dir.File("out.JPG")}, SIGHUP},
        {{"--capture", "screen", dir.File("out.BMP")}, SIGINT},
        {{"--capture", "screen", dir.File("out.GIF")}, SIGTERM},
    };
    for (const auto& c : cases) {
        std::vector<std::string> argv{SNAPRIO_BINARY};
        argv.insert(argv.end(), c.Args.begin(), c.Args.end());
        std::vector<std::string> env{std::string("LD_PRELOAD=") + NO_TMPFILE};
        if (c.Signal) env.push_back("SNAPRIO_STALL_PART=1");
        TProcess program(argv, env);
        if (!c.Signal) {
            EXPECT_EQ(program.Wait(), 0) << program.Stderr();
            EXPECT_EQ(others(), "out.GIF ");
            std::filesystem::remove(dir.File("out.GIF"));
            continue;
        }
        EXPECT_TRUE(WaitFor([&] { return others().find(".part ") != std::string::npos; }))
            << c.Args[0] << " " << others() << program.Stderr();
        program.Signal(c.Signal);
        EXPECT_EQ(program.Wait(), 128 + c.Signal) << c.Args[0];
        EXPECT_EQ(others(), "") << c.Args[0] << " " << c.Signal;
    }
}
