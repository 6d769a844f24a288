// A real drag on an X server with xdotool: the hook's reports drive the
// selection on the frozen-screen window, the ellipse is grabbed and masked,
// and the screen ends as it began; once on a bare server, once under a
// (simulated) compositing manager. A clock that redraws under the drag leaves
// no inverted residue, and at every screen depth the picture and the screen
// keep their exact pixels.
#include <QApplication>
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "X11Support.h"
#include "app/Selection.h"
#include "settings/Configs.h"
#include "hook/HookBlock.h"
#include "platform/InputHook.h"
#include "platform/NamedObjects.h"
#include "settings/Paths.h"
#include "platform/ServiceScope.h"
#include "platform/x11/X11Display.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <set>

namespace {

class TForwarder : public QObject {
public:
    TSelection* Target = nullptr;
    HWND Handle = RegisterWindow(this);
    ~TForwarder() override { UnregisterWindow(Handle); }
    bool event(QEvent* e) override {
        if (e->type() != TWinMessageEvent::EventType()) return QObject::event(e);
        if (Target) Target->Message(static_cast<TWinMessageEvent*>(e)->Message);
        return true;
    }
};

void XDo(const std::vector<std::string>& args) {
    std::vector<std::string> argv{"xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    RunCommand(argv);
    WaitFor([] { return false; }, std::chrono::milliseconds(60));
}

void DragEllipse(bool compositor) {
    TXServer server("640x480x24");
    ASSERT_TRUE(server.Ok());
    TDisplayEnv env(server.Name());
    Display* dpy = XOpenDisplay(nullptr);
    ASSERT_NE(dpy, nullptr);
    std::unique_ptr<Display, int (*)(Display*)> closer(dpy, XCloseDisplay);
    XSetWindowAttributes a{};
    a.override_redirect = True;
    a.background_pixel = 0x0064C8;
    Window w = XCreateWindow(dpy, DefaultRootWindow(dpy), 100, 100, 300, 200, 0, CopyFromParent,
                             InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel, &a);
    XMapWindow(dpy, w);
    if (compositor) // owning the selection is what tells a compositor is running
        XSetSelectionOwner(dpy, XInternAtom(dpy, "_NET_WM_CM_S0", False), w, CurrentTime);
    XSync(dpy, False);

    LoadConfigFrom(Config, "/nonexistent/SNAPRO.INI");
    TServiceScope<TDisplay> screen(CreateX11Display());
    TSharedMemory memory;
    ASSERT_TRUE(memory.Create(SharedBlockName(), sizeof(SharedHookBlock)) && memory.Map());
    HookBlock = AsHookBlock(memory.Data());
    TForwarder forwarder;
    InitHookBlock(forwarder.Handle, 44);
    InstallHooks();

    const QImage before = TheDisplay().Grab({0, 0, 640, 480});
    XDo({"mousemove", "40", "40"});
    QImage result;
    bool finished = false;
    TTextSave save;
    TSelection selection(7, save, [&](const QImage& p) {
        result = p;
        finished = true;
    });
    forwarder.Target = &selection;
    auto children = [&] { return RootChildren(dpy); };
    const unsigned windows = children();
    ASSERT_TRUE(selection.Start());
    EXPECT_EQ(children(), windows + 1) << "the frozen-screen window";
    WaitFor([] { return false; }, std::chrono::milliseconds(100)); // the hook takes the pointer
    XDo({"mousemove", "150", "130"});
    XDo({"mousedown", "1"});
    XDo({"mousemove", "200", "180"});
    XDo({"mousemove", "260", "230"});
    // The rubber band shows: the ellipse's inside is inverted on the screen.
    XImage* centre = XGetImage(dpy, DefaultRootWindow(dpy), 205, 180, 1, 1, AllPlanes, ZPixmap);
    EXPECT_EQ(XGetPixel(centre, 0, 0) & 0xFFFFFF, 0xFFFFFFu ^ 0x0064C8u);
    XDestroyImage(centre);
    XDo({"mouseup", "1"});
    ASSERT_TRUE(WaitFor([&] { return finished; }));
    EXPECT_EQ(HookRead(HookBlock->Mode), HookModeKeys);
    ASSERT_EQ(result.size(), QSize(110, 100));
    EXPECT_EQ(result.pixel(0, 0), qRgb(255, 255, 255)) << "outside the ellipse: its shape colour";
    EXPECT_EQ(result.pixel(109, 99), qRgb(255, 255, 255));
    EXPECT_EQ(result.pixel(55, 50), qRgb(0, 0x64, 0xC8)) << "inside: the window";
    const QImage after = TheDisplay().Grab({0, 0, 640, 480});
    EXPECT_TRUE(after == before) << "the screen is left exactly as it was";

    RemoveHooks();
    HookBlock = nullptr;
    memory.Unlink();
}

} // namespace

TEST(SelectionOnX11, DragOnTheRootWindow) {
    SKIP_UNLESS_X11();
    DragEllipse(false);
}

TEST(SelectionOnX11, DragUnderACompositor) {
    SKIP_UNLESS_X11();
    DragEllipse(true);
}

namespace {

// Hook and forwarder for a selection on the current display.
class THookedSelection {
public:
    explicit THookedSelection(int item)
        : Screen(CreateX11Display()), Selection(item, Save, [this](const QImage& p) {
              Result = p;
              Finished = true;
          }) {
        LoadConfigFrom(Config, "/nonexistent/SNAPRO.INI");
        Ok = Memory.Create(SharedBlockName(), sizeof(SharedHookBlock)) && Memory.Map();
        HookBlock = AsHookBlock(Memory.Data());
        InitHookBlock(Forwarder.Handle, 44);
        InstallHooks();
        Forwarder.Target = &Selection;
    }
    ~THookedSelection() {
        RemoveHooks();
        HookBlock = nullptr;
        Memory.Unlink();
    }
    TServiceScope<TDisplay> Screen;
    TSharedMemory Memory;
    TForwarder Forwarder;
    TTextSave Save;
    QImage Result;
    bool Finished = false, Ok = false;
    TSelection Selection;
};

std::set<QRgb> Colours(const QImage& img) {
    std::set<QRgb> c;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) c.insert(img.pixel(x, y));
    return c;
}

// Pixels of Img whose colour Known does not hold.
int Strangers(const QImage& img, const std::set<QRgb>& known) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) n += !known.count(img.pixel(x, y));
    return n;
}

} // namespace

TEST(SelectionOnX11, AClockRedrawingUnderTheDragLeavesNoResidue) {
    SKIP_UNLESS_X11();
    TXServer server("640x480x24");
    ASSERT_TRUE(server.Ok());
    TDisplayEnv env(server.Name());
    // Solid colours only: an inverted pixel is one the clock never shows.
    TProcess clock({"xclock", "-norender", "-update", "1", "-bg", "#c0c000", "-fg", "red", "-hd",
                    "red", "-hl", "red", "-geometry", "200x200+100+100"});
    ASSERT_TRUE(WaitFor([] {
        return RunCommand({"xdotool", "search", "--onlyvisible", "--class", "xclock"}) == 0;
    }));
    XDo({"mousemove", "20", "20"});
    THookedSelection s(3);
    ASSERT_TRUE(s.Ok);
    const TRect area{90, 90, 320, 320};
    WaitFor([] { return false; }, std::chrono::milliseconds(1100)); // the clock has drawn
    const std::set<QRgb> known = Colours(TheDisplay().Grab(area));
    ASSERT_TRUE(s.Selection.Start());
    WaitFor([] { return false; }, std::chrono::milliseconds(100)); // the hook takes the pointer
    XDo({"mousemove", "90", "90"});
    XDo({"mousedown", "1"});
    // Over two seconds of ticks, the band inverts the whole clock.
    for (int i = 0; i < 12; ++i) {
        XDo({"mousemove", std::to_string(300 + i), std::to_string(300 + i)});
        WaitFor([] { return false; }, std::chrono::milliseconds(150));
    }
    XDo({"mouseup", "1"});
    ASSERT_TRUE(WaitFor([&] { return s.Finished; }));
    ASSERT_EQ(s.Result.size(), QSize(221, 221));
    EXPECT_EQ(Strangers(s.Result, known), 0) << "the picture holds no inverted pixel";
    WaitFor([] { return false; }, std::chrono::milliseconds(1100));
    EXPECT_EQ(Strangers(TheDisplay().Grab(area), known), 0) << "nor does the screen";
}

TEST(SelectionOnX11, EveryDepthKeepsItsPixelsExactly) {
    SKIP_UNLESS_X11();
    for (const char* screen : {"320x240x8", "320x240x16", "320x240x24"}) {
        SCOPED_TRACE(screen);
        TXServer server(screen);
        ASSERT_TRUE(server.Ok());
        TDisplayEnv env(server.Name());
        Display* dpy = XOpenDisplay(nullptr);
        ASSERT_NE(dpy, nullptr);
        std::unique_ptr<Display, int (*)(Display*)> closer(dpy, XCloseDisplay);
        StripedWindow(dpy, 0, 0, 320, 240, 2654435761u);

        TServiceScope<TDisplay> screen(CreateX11Display());
        LoadConfigFrom(Config, "/nonexistent/SNAPRO.INI");
        const QImage before = TheDisplay().Grab({0, 0, 320, 240});
        QImage result;
        TTextSave save;
        TSelection selection(3, save, [&](const QImage& p) { result = p; });
        ASSERT_TRUE(selection.Start());
        for (const TMessage& m : std::initializer_list<TMessage>{{WM_USER + 8, 20, 20},
                                                                 {WM_USER + 8, 30, 25},
                                                                 {WM_USER + 3, 30, 25},
                                                                 {WM_USER + 4, 150, 120},
                                                                 {WM_USER + 4, 250, 160},
                                                                 {WM_USER + 5, 250, 160}})
            selection.Message(m);
        EXPECT_TRUE(result == before.copy(30, 25, 220, 135))
            << "the picture: the prompt and read-out strips went back exactly";
        EXPECT_TRUE(TheDisplay().Grab({0, 0, 320, 240}) == before) << "the screen";
    }
}
