// A real drag on an X server with xdotool: the hook's reports drive the
// selection, the ellipse is grabbed and masked, and the screen ends as it
// began; once drawing on the root window, once under a (simulated)
// compositing manager on the frozen-screen window.
#include <QApplication>
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "app/Selection.h"
#include "config/Configs.h"
#include "hook/HookBlock.h"
#include "platform/NamedObjects.h"
#include "platform/Paths.h"
#include "platform/x11/X11Display.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

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
    auto old = SetDisplay(CreateX11Display());
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
    auto children = [&] {
        Window root, parent, *list = nullptr;
        unsigned n = 0;
        XQueryTree(dpy, DefaultRootWindow(dpy), &root, &parent, &list, &n);
        if (list) XFree(list);
        return n;
    };
    const unsigned windows = children();
    ASSERT_TRUE(selection.Start());
    EXPECT_EQ(children(), windows + (compositor ? 1 : 0))
        << "the frozen-screen window under a compositor";
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
    SetDisplay(std::move(old));
}

} // namespace

TEST(SelectionOnX11, DragOnTheRootWindow) {
    DragEllipse(false);
}

TEST(SelectionOnX11, DragUnderACompositor) {
    DragEllipse(true);
}
