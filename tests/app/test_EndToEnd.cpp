// The real program on the X server, driven by xdotool: hot key, capture,
// delivery screen; and the one-shot capture command.
#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>
#include <set>
#include <sstream>

#include "AppSupport.h"
#include "EndToEndSupport.h"
#include "ImagingSupport.h"
#include "TestSupport.h"
#include "imaging/core/GIFImage.h"
#include "imaging/qt/BmpFile.h"
#include "imaging/qt/jpeg.h"
#include "mail/SinkServer.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

TEST(EndToEnd, HotKeyCaptureShowsTheThumbnailOnTheDeliveryScreen) {
    SKIP_UNLESS_X11();
    TBackdrop backdrop;
    TResident resident("[Misc]\nWhat To Cap=0\nAction=2\nFirst Time=No\n");
    TProcess& program = *resident.Program;
    ASSERT_TRUE(resident.HotKey()) << program.Stderr();
    const int x = resident.X, y = resident.Y;
    // The thumbnail's place shows the capture panel now, not the screen (once
    // painted: the window maps before it paints).
    const int tx = x + 8 + 240 + 20, ty = y + 70 + 4 + 8 + 20;
    EXPECT_TRUE(WaitFor([&] { return backdrop.Pixel(tx, ty) != qRgb(0, 0xC0, 0); }));
    ASSERT_TRUE(resident.Capture()) << "hidden for the grab";
    // Back on the delivery screen: the screen's thumbnail, and below the
    // scaled picture the thumbnail's button colour.
    ASSERT_TRUE(WaitFor([&] {
        return !VisibleMainWindow().empty() && backdrop.Pixel(tx, ty) == qRgb(0, 0xC0, 0) &&
               backdrop.Pixel(tx, y + 70 + 4 + 8 + 120) != qRgb(0, 0xC0, 0);
    }));

    program.Signal(SIGTERM);
    EXPECT_EQ(program.Wait(), 0);
}

TEST(EndToEnd, CaptureCommandWritesEveryFormat) {
    SKIP_UNLESS_X11();
    TBackdrop backdrop;
    TTempDir dir;
    for (const char* name : {"shot.BMP", "shot.gif", "shot.Jpg"}) {
        TProcess p({SNAPRIO_BINARY, "--capture", "screen", dir.File(name)});
        EXPECT_EQ(p.Wait(), 0) << p.Stderr();
        EXPECT_EQ(p.Stdout() + p.Stderr(), "");
    }
    const QImage bmp = LoadBmpFile(dir.File("shot.BMP"));
    EXPECT_EQ(bmp.width(), DisplayWidth(backdrop.Dpy, 0));
    EXPECT_EQ(bmp.pixel(bmp.width() / 2, bmp.height() / 2), qRgb(0, 0xC0, 0));
    const std::string gif = ReadFile(dir.File("shot.gif"));
    EXPECT_EQ(gif.substr(0, 6), "GIF87a");
    TJPEGImage jpeg;
    jpeg.LoadFromFile(dir.File("shot.Jpg"));
    EXPECT_LE(std::abs(qGreen(jpeg.Bitmap().pixel(100, 100)) - 0xC0), 3);

    TProcess bad({SNAPRIO_BINARY, "--capture", "screen", dir.File("shot.tif")});
    EXPECT_EQ(bad.Wait(), 2);
    EXPECT_FALSE(FileExists(dir.File("shot.tif")));
    TProcess what({SNAPRIO_BINARY, "--capture", "desk", dir.File("x.bmp")});
    EXPECT_EQ(what.Wait(), 2);
    TProcess nodisplay({SNAPRIO_BINARY, "--capture", "screen", dir.File("y.bmp")},
                       {"DISPLAY=:99999"});
    EXPECT_EQ(nodisplay.Wait(), 1);
    EXPECT_FALSE(FileExists(dir.File("y.bmp")));
}

TEST(EndToEnd, ShapedSelectionWithTheMouse) {
    SKIP_UNLESS_X11();
    TBackdrop backdrop;
    // An ellipse: white outside the shape, the green screen inside.
    TResident resident("[Misc]\nWhat To Cap=4\nShape=7\nAction=0\nFirst Time=No\n");
    TProcess& program = *resident.Program;
    ASSERT_TRUE(resident.HotKey()) << program.Stderr();
    const int x = resident.X, y = resident.Y;
    ASSERT_TRUE(resident.Capture());
    const QRgb before = backdrop.Pixel(700, 600);
    // Drag from (600, 500) to (800, 700) once the prompt follows the mouse.
    WaitFor([] { return false; }, std::chrono::milliseconds(400));
    for (const std::vector<std::string>& step :
         std::vector<std::vector<std::string>>{{"mousemove", "600", "500"},
                                               {"mousedown", "1"},
                                               {"mousemove", "700", "600"},
                                               {"mousemove", "800", "700"},
                                               {"mouseup", "1"}}) {
        std::vector<std::string> argv{"xdotool"};
        argv.insert(argv.end(), step.begin(), step.end());
        RunCommand(argv);
        WaitFor([] { return false; }, std::chrono::milliseconds(80));
    }
    // The thumbnail: 125 x 125 of the 200 x 200 picture, white corner, green centre.
    const int tx = x + 8 + 240, ty = y + 70 + 4 + 8;
    ASSERT_TRUE(WaitFor([&] {
        return !VisibleMainWindow().empty() && backdrop.Pixel(tx + 62, ty + 62) == qRgb(0, 0xC0, 0);
    })) << program.Stderr();
    EXPECT_EQ(backdrop.Pixel(tx + 1, ty + 1), qRgb(255, 255, 255));
    EXPECT_EQ(backdrop.Pixel(700, 600), before) << "no rubber band left on the screen";
    program.Signal(SIGTERM);
    EXPECT_EQ(program.Wait(), 0);
}

namespace {

void Xdo(std::vector<std::string> args) {
    args.insert(args.begin(), "xdotool");
    RunCommand(args);
}

} // namespace

// F11, "&Capture", "&EMail It", the form typed in, "&Send It": aiosmtpd
// receives the screen as the picture file and the texts as typed.
TEST(EndToEnd, EMailTheCaptureToARealServer) {
    SKIP_UNLESS_X11();
    TBackdrop backdrop;
    const struct {
        int X, Y, W, H;
        unsigned long Pixel;
    } blocks[] = {{100, 80, 300, 200, 0xD02020}, {700, 500, 250, 300, 0x2020D0}};
    for (const auto& b : blocks)
        XMapWindow(backdrop.Dpy, XCreateSimpleWindow(backdrop.Dpy, backdrop.Win, b.X, b.Y, b.W, b.H,
                                                     0, 0, b.Pixel));
    XSync(backdrop.Dpy, False);
    // The letters beyond ASCII on keys of their own: xdotool would otherwise
    // rebind a key for each, and a letter typed before the program saw the new
    // binding is lost.
    const std::vector<std::string> keys{"93 = udiaeresis", "97 = odiaeresis", "103 = ssharp",
                                        "120 = endash",    "132 = onehalf",   "149 = EuroSign"};
    for (const std::string& k : keys) RunCommand({"xmodmap", "-e", "keycode " + k});
    struct TKeysBack {
        const std::vector<std::string>& Keys;
        ~TKeysBack() {
            for (const std::string& k : Keys)
                RunCommand({"xmodmap", "-e", "keycode " + k.substr(0, k.find('=')) + "="});
        }
    } keysBack{keys};
    TSink sink;
    TTempDir dir;
    const std::string screen = dir.File("screen.png");
    ASSERT_EQ(RunCommand({"import", "-window", "root", screen}), 0);
    const std::string subject = "Bild – Größe ½", text = "Hallo Jürgen,\n.\nanbei: 5 €.";
    const std::string programDir = SNAPRIO_BINARY;
    const struct {
        int Encoding;
        const char *Name, *Format;
    } rounds[] = {{0, "mailtest.gif", "GIF"},
                  {0, "mailtest.jpg", "JPEG"},
                  {0, "mailtest.bmp", "BMP"},
                  {1, "mailtest.JPG", "JPEG"}};
    std::unique_ptr<TResident> resident;
    int n = 0;
    for (const auto& r : rounds) {
        SCOPED_TRACE(r.Name);
        if (!resident || r.Encoding != rounds[n - 1].Encoding) {
            if (resident) resident->Program->Signal(SIGTERM);
            resident = std::make_unique<TResident>(
                "[Misc]\nWhat To Cap=0\nAction=6\nFirst Time=No\n[EMail]\nSMTP Host=127.0.0.1:" +
                std::to_string(sink.Port) +
                "\nEMail Name=Ann\nEMail Address=ann@example.org\nAttachment Encoding=" +
                std::to_string(r.Encoding) + "\n");
        }
        ASSERT_TRUE(resident->HotKey()) << resident->Program->Stderr();
        ASSERT_TRUE(resident->Capture());
        ASSERT_TRUE(WaitFor([&] { return !VisibleMainWindow().empty(); }));
        Xdo({"windowfocus", "--sync", resident->Win});
        Xdo({"key", "alt+e"});
        std::string dialog;
        ASSERT_TRUE(
            WaitFor([&] { return !(dialog = VisibleWindow("Send Image Via E-Mail")).empty(); }));
        std::string title;
        RunCommand({"xprop", "-id", dialog, "_NET_WM_NAME"}, &title);
        EXPECT_NE(title.find("= \"Send Image Via E-Mail\"\n"), std::string::npos) << title;
        Xdo({"windowfocus", "--sync", dialog});
        // The focus starts in "Recipient Name"; the image name is one field back.
        Xdo({"key", "shift+Tab", "ctrl+a"});
        for (const std::string& field : {std::string(r.Name), std::string("Bob Müller"),
                                         std::string("bob@example.net"), subject, text}) {
            if (field != r.Name) Xdo({"key", "Tab", "ctrl+a"});
            std::istringstream lines(field);
            std::string line;
            for (bool first = true; std::getline(lines, line); first = false) {
                if (!first) Xdo({"key", "Return"});
                Xdo({"type", "--delay", "15", line});
            }
        }
        Xdo({"key", "alt+s"});
        ASSERT_TRUE(WaitFor([&] { return !sink.Message(n).empty(); }, std::chrono::seconds(30)));
        EXPECT_EQ(sink.Envelope(n), "ann@example.org\nbob@example.net\n");
        std::string report;
        EXPECT_EQ(RunCommand({"/usr/bin/python3", SNAPRIO_SOURCE_DIR "/tests/app/check_mail.py",
                              sink.MessagePath(n), r.Encoding ? "uu" : "mime", subject, text,
                              r.Name, r.Format, screen},
                             &report),
                  0)
            << report;
        ASSERT_TRUE(WaitFor([&] { return VisibleWindow("Send Image Via E-Mail").empty(); }));
        // "&Done" ends the cycle.
        Xdo({"windowfocus", "--sync", resident->Win});
        Xdo({"key", "alt+d"});
        ASSERT_TRUE(WaitFor([&] { return VisibleMainWindow().empty(); }));
        std::remove((programDir.substr(0, programDir.rfind('/') + 1) + r.Name).c_str());
        ++n;
    }
    resident->Program->Signal(SIGTERM);
    EXPECT_EQ(resident->Program->Wait(), 0);
}

namespace {

// Distinct colours in a window's place on the screen: a box painted black
// until moved has one.
size_t ColoursOf(const std::string& window) {
    std::string g;
    RunCommand({"xdotool", "getwindowgeometry", "--shell", window}, &g);
    int x = 0, y = 0, w = 0, h = 0;
    std::sscanf(g.substr(g.find("X=")).c_str(), "X=%d\nY=%d\nWIDTH=%d\nHEIGHT=%d", &x, &y, &w, &h);
    Display* dpy = XOpenDisplay(nullptr);
    XImage* img = XGetImage(dpy, DefaultRootWindow(dpy), x, y, w, h, AllPlanes, ZPixmap);
    std::set<unsigned long> colours;
    for (int j = 0; img && j < h; ++j)
        for (int i = 0; i < w; ++i) colours.insert(XGetPixel(img, i, j));
    if (img) XDestroyImage(img);
    XCloseDisplay(dpy);
    return colours.size();
}

// What the window manager sends when its close button is pressed.
void CloseByWindowManager(const std::string& window) {
    Display* dpy = XOpenDisplay(nullptr);
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = std::stoul(window);
    e.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(dpy, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(dpy, e.xclient.window, False, NoEventMask, &e);
    XCloseDisplay(dpy);
}

} // namespace

TEST(EndToEnd, TheCycleUnderAWindowManagerOnTwoMonitors) {
    SKIP_UNLESS_X11();
    TXServer server("1024x768x24", true);
    ASSERT_TRUE(server.Ok());
    TDisplayEnv env(server.Name());
    RunCommand({"xrandr", "--setmonitor", "left", "512/135x768/203+0+0", "screen"});
    RunCommand({"xrandr", "--setmonitor", "right", "512/135x768/203+512+0", "none"});
    Xdo({"mousemove", "800", "300"});
    TResident resident("[Misc]\nWhat To Cap=0\nFirst Time=No\n");
    TProcess& program = *resident.Program;
    ASSERT_TRUE(resident.HotKey()) << program.Stderr();
    EXPECT_TRUE(resident.X >= 512 && resident.X + 480 <= 1024 + 4)
        << "centred on the monitor with the pointer: " << resident.X;

    // Enter on a radio button presses "&Capture"; Escape ends the selection
    // and brings the capture screen back.
    Xdo({"mousemove", std::to_string(resident.X + 8 + 8 + 6),
         std::to_string(resident.Y + 70 + 4 + 68 + 8)}); // "Capture &Rectangular Area"
    Xdo({"click", "1"});
    Xdo({"key", "Return"});
    ASSERT_TRUE(WaitFor([] { return VisibleMainWindow().empty(); }));
    WaitFor([] { return false; }, std::chrono::milliseconds(400));
    Xdo({"key", "Escape"});
    ASSERT_TRUE(WaitFor([] { return !VisibleMainWindow().empty(); }));

    // A click without a drag: the box says so, readable the moment it shows.
    ASSERT_TRUE(resident.Capture());
    WaitFor([] { return false; }, std::chrono::milliseconds(400));
    Xdo({"mousemove", "700", "500"});
    Xdo({"click", "1"});
    std::string box;
    ASSERT_TRUE(WaitFor([&] { return !(box = VisibleWindow("Warning")).empty(); }));
    EXPECT_TRUE(WaitFor([&] { return ColoursOf(box) > 4; }, std::chrono::milliseconds(500)));
    Xdo({"windowfocus", "--sync", box});
    Xdo({"key", "Return"});
    ASSERT_TRUE(WaitFor([] { return VisibleWindow("Warning").empty(); }));

    // Minimised, the window comes back with the next request.
    Xdo({"windowminimize", "--sync", resident.Win});
    ASSERT_TRUE(WaitFor([] { return VisibleMainWindow().empty(); }));
    Xdo({"key", "F11"});
    ASSERT_TRUE(WaitFor([&] { return !(box = VisibleWindow("Warning")).empty(); }));
    EXPECT_TRUE(WaitFor([] { return !VisibleMainWindow().empty(); }));
    Xdo({"windowfocus", "--sync", box});
    Xdo({"key", "Return"});
    ASSERT_TRUE(WaitFor([] { return VisibleWindow("Warning").empty(); }));

    // Left on another desktop, it comes to the current one.
    Xdo({"set_desktop", "1"});
    Xdo({"key", "F11"});
    ASSERT_TRUE(WaitFor([&] { return !(box = VisibleWindow("Warning")).empty(); }));
    std::string desktop;
    RunCommand({"xprop", "-id", resident.Win, "_NET_WM_DESKTOP"}, &desktop);
    EXPECT_EQ(desktop, "_NET_WM_DESKTOP(CARDINAL) = 1\n");
    Xdo({"windowfocus", "--sync", box});
    Xdo({"key", "Return"});
    ASSERT_TRUE(WaitFor([] { return VisibleWindow("Warning").empty(); }));

    // The window manager's close acts as "&Abort": the program stays, and the
    // next request opens a new cycle without the warning.
    CloseByWindowManager(resident.Win);
    ASSERT_TRUE(WaitFor([] { return VisibleMainWindow().empty(); }));
    EXPECT_TRUE(program.Running());
    ASSERT_TRUE(resident.HotKey());
    WaitFor([] { return false; }, std::chrono::milliseconds(300));
    EXPECT_TRUE(VisibleWindow("Warning").empty());
    program.Signal(SIGTERM);
    EXPECT_EQ(program.Wait(), 0);
}

TEST(EndToEnd, APaletteScreenSaysOnceThatItCannotDrawAndStillCaptures) {
    SKIP_UNLESS_X11();
    TXServer server("640x480x8");
    ASSERT_TRUE(server.Ok());
    TDisplayEnv env(server.Name());
    TResident resident("[Misc]\nWhat To Cap=0\nAction=0\nFirst Time=No\n");
    TProcess& program = *resident.Program;
    ASSERT_TRUE(resident.HotKey()) << program.Stderr();
    ASSERT_TRUE(resident.Capture());
    ASSERT_TRUE(WaitFor([] { return !VisibleMainWindow().empty(); })) << "the delivery screen";
    program.Signal(SIGTERM);
    EXPECT_EQ(program.Wait(), 0);
    EXPECT_EQ(program.Stderr(), "snaprio: the windows cannot be drawn on this 8-bit palette "
                                "screen; the hot key, the capture and --capture work\n");
}

TEST(EndToEnd, SaveThroughTheRealSaveDialogInEveryFormat) {
    SKIP_UNLESS_X11();
    TBackdrop backdrop;
    // The "Action" setting, the dialog's title, the file written for the typed name, the
    // backdrop's green as the format keeps it (GIF: the nearest colour of the cube).
    const std::tuple<int, std::string, std::string, int> cases[] = {
        {0, "Save As Bitmap", "shot.BMP", 0xC0},
        {1, "Save As GIF", "shot.GIF", 153},
        {2, "Save As JPEG", "shot.JPG", 0xC0}};
    for (auto [action, title, written, green] : cases) {
        TResident resident("[Misc]\nWhat To Cap=0\nAction=" + std::to_string(action) +
                           "\nFirst Time=No\n");
        TProcess& program = *resident.Program;
        ASSERT_TRUE(resident.HotKey()) << program.Stderr();
        ASSERT_TRUE(resident.Capture());
        ASSERT_TRUE(WaitFor([&] { return !VisibleMainWindow().empty(); })) << program.Stderr();
        // "&Save" has the focus on the delivery screen. A window only just back
        // may miss the key: press again; once the dialog is up, the main
        // window takes no keys.
        std::string dialog;
        ASSERT_TRUE(WaitFor(
            [&] {
                RunCommand({"xdotool", "windowfocus", "--sync", VisibleMainWindow()});
                RunCommand({"xdotool", "key", "Return"});
                return WaitFor([&] { return !(dialog = VisibleWindow(title)).empty(); },
                               std::chrono::seconds(3));
            },
            std::chrono::seconds(20)))
            << title;
        RunCommand({"xdotool", "windowfocus", "--sync", dialog});
        RunCommand({"xdotool", "key", "ctrl+a"});
        RunCommand({"xdotool", "type", "--delay", "5", resident.Dir.File("shot")});
        RunCommand({"xdotool", "key", "Return"});
        const std::string file = resident.Dir.File(written);
        ASSERT_TRUE(WaitFor([&] { return FileExists(file) && VisibleWindow(title).empty(); }))
            << title << program.Stderr();
        const TDecoded d = PillowDecode(file, "RGB");
        EXPECT_EQ(d.Width, DisplayWidth(backdrop.Dpy, 0));
        EXPECT_EQ(d.Height, DisplayHeight(backdrop.Dpy, 0));
        ASSERT_FALSE(d.Pixels.empty());
        const uint8_t* mid = &d.Pixels[(size_t(d.Height / 2) * d.Width + d.Width / 2) * 3];
        EXPECT_LE(std::abs(mid[0] - 0) + std::abs(mid[1] - green) + std::abs(mid[2] - 0), 6)
            << title;
        program.Signal(SIGTERM);
        EXPECT_EQ(program.Wait(), 0);
    }
}

// The copied picture outlives the program: at --quit and at SIGTERM a keeper
// takes it over and serves it as the program did until another program
// copies. No keeper when the program ends without the clipboard.
TEST(EndToEnd, TheCopiedPictureOutlivesTheProgram) {
    SKIP_UNLESS_X11();
    TBackdrop backdrop;
    const struct {
        const char* Name;
        bool Copy, CopiedOver, Quit;
    } cases[] = {{"--quit", true, false, true},
                 {"SIGTERM", true, false, false},
                 {"nothing copied", false, false, true},
                 {"copied over by another program", true, true, false}};
    const auto copyText = [] {
        TProcess text({"sh", "-c", "echo words | xclip -selection clipboard"});
        EXPECT_EQ(text.Wait(), 0);
    };
    for (const auto& c : cases) {
        copyText();
        TResident resident("[Misc]\nWhat To Cap=0\nAction=5\nFirst Time=No\n");
        TProcess& program = *resident.Program;
        ASSERT_TRUE(resident.HotKey()) << program.Stderr();
        std::string targets, png;
        if (c.Copy) {
            ASSERT_TRUE(resident.Capture());
            // "Co&py", the default button for the "Copy To Clipboard" action.
            ASSERT_TRUE(WaitFor(
                [&] {
                    if (VisibleMainWindow().empty()) return false;
                    RunCommand({"xdotool", "windowfocus", "--sync", VisibleMainWindow()});
                    RunCommand({"xdotool", "key", "Return"});
                    return WaitFor(
                        [&] {
                            return (targets = Paste("TARGETS")).find("image/png") !=
                                   std::string::npos;
                        },
                        std::chrono::seconds(3));
                },
                std::chrono::seconds(20)))
                << c.Name << program.Stderr();
            png = Paste("image/png");
        }
        if (c.CopiedOver) copyText();
        if (c.Quit)
            EXPECT_EQ(
                TProcess({SNAPRIO_BINARY, "--quit"}, {"XDG_RUNTIME_DIR=" + resident.Dir.Path()})
                    .Wait(),
                0);
        else
            program.Signal(SIGTERM);
        EXPECT_EQ(program.Wait(), 0) << c.Name << program.Stderr();
        const std::vector<int> keepers = ClipKeepers(resident.Dir.Path());
        if (!c.Copy || c.CopiedOver) {
            EXPECT_TRUE(keepers.empty()) << c.Name;
            EXPECT_EQ(Paste("UTF8_STRING"), "words\n") << c.Name;
            continue;
        }
        ASSERT_EQ(keepers.size(), 1u) << c.Name;
        EXPECT_EQ(Paste("TARGETS"), targets) << c.Name;
        TTempDir dir;
        WriteFile(dir.File("before.png"), png);
        WriteFile(dir.File("after.png"), Paste("image/png"));
        const TDecoded before = PillowDecode(dir.File("before.png"), "RGB");
        const TDecoded after = PillowDecode(dir.File("after.png"), "RGB");
        EXPECT_EQ(after.Width, DisplayWidth(backdrop.Dpy, 0)) << c.Name;
        EXPECT_EQ(after.Height, DisplayHeight(backdrop.Dpy, 0)) << c.Name;
        EXPECT_TRUE(after.Pixels == before.Pixels) << c.Name;
        copyText();
        EXPECT_TRUE(WaitFor([&] { return ClipKeepers(resident.Dir.Path()).empty(); })) << c.Name;
        EXPECT_EQ(Paste("UTF8_STRING"), "words\n") << c.Name;
    }
}
