#include "platform/x11/X11InputHook.h"

#include <QSocketNotifier>
#include <utility>

#include "hook/HookBlock.h"
#include "platform/NamedObjects.h"
#include "settings/Paths.h"
#include "platform/x11/X11KeyGrabs.h"
#include "platform/x11/X11SelectionGrab.h"

// Xlib last: it defines None, KeyPress, Bool and Status as macros.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>

namespace {
constexpr uint32_t KeyboardHandle = 0x4B42; // "KB"
constexpr uint32_t MouseHandle = 0x4D53;    // "MS"
constexpr int PointerRetryMs = 20;          // a pointer grab another client holds: try again soon
constexpr int KeyRetryMs = 2000;            // a key another program holds may be free again
} // namespace

TX11InputHook::TX11InputHook() = default;

TX11InputHook::~TX11InputHook() {
    if (Dpy) Close();
}

uint32_t TX11InputHook::HookKeyboard() {
    return Hook(KeyboardHandle);
}

uint32_t TX11InputHook::HookMouse() {
    return Hook(MouseHandle);
}

void TX11InputHook::KeyReports(uint32_t window, bool on) {
    SetSecWind(window, on);
}

bool TX11InputHook::HeldElsewhere(int index) const {
    return index >= 0 && index < HotKeyCount && Keys && Keys->Held(index);
}

bool TX11InputHook::Open() {
    if (Dpy) return true;
    Dpy = XOpenDisplay(nullptr);
    if (!Dpy) return false;
    Memory = std::make_unique<TSharedMemory>();
    if (!Memory->Create(SharedBlockName(), sizeof(SharedHookBlock)) || !Memory->Map()) {
        Memory.reset();
        XCloseDisplay(Dpy);
        Dpy = nullptr;
        return false;
    }
    Block = AsHookBlock(Memory->Data());
    Bool detectable = False;
    XkbSetDetectableAutoRepeat(Dpy, True, &detectable);
    Keys = std::make_unique<TX11KeyGrabs>(Dpy, *Block,
                                          [this](int index) { ReportHeldElsewhere(index); });
    Selection = std::make_unique<TX11SelectionGrab>(Dpy, *Block);
    Notifier = std::make_unique<QSocketNotifier>(ConnectionNumber(Dpy), QSocketNotifier::Read);
    QObject::connect(Notifier.get(), &QSocketNotifier::activated, [this] { ReadEvents(); });
    Watch = std::make_unique<THookBlockWatch>([this] { Sync(); });
    PointerRetry.setInterval(PointerRetryMs);
    KeyRetry.setInterval(KeyRetryMs);
    QObject::connect(&PointerRetry, &QTimer::timeout, [this] { Sync(); });
    QObject::connect(&KeyRetry, &QTimer::timeout, [this] {
        Keys->Retry();
        Sync();
    });
    return true;
}

void TX11InputHook::Close() {
    Watch.reset();
    PointerRetry.stop();
    KeyRetry.stop();
    PointerRetry.disconnect();
    KeyRetry.disconnect();
    Notifier.reset();
    Keys.reset();
    Selection.reset();
    XCloseDisplay(Dpy); // the server drops every grab of this connection
    Dpy = nullptr;
    Block = nullptr;
    Memory.reset();
    KeyDown.fill(false);
}

uint32_t TX11InputHook::Hook(uint32_t which) {
    if (!Open()) return 0;
    (which == KeyboardHandle ? KeyboardOn : MouseOn) = true;
    Sync();
    return which;
}

void TX11InputHook::UnHook(uint32_t which) {
    if (!Dpy || (which != KeyboardHandle && which != MouseHandle)) return;
    (which == KeyboardHandle ? KeyboardOn : MouseOn) = false;
    Sync();
    if (!KeyboardOn && !MouseOn) Close();
}

void TX11InputHook::Sync() {
    if (!Dpy) return;
    Keys->Follow(KeyboardOn);
    Selection->Follow(MouseOn && HookRead(Block->Mode) == HookModeSelect);
    Retry();
    XFlush(Dpy);
    ReadEvents(); // the flush may have read events into Xlib's queue
}

void TX11InputHook::Retry() {
    const bool pointer = MouseOn && HookRead(Block->Mode) == HookModeSelect && !Selection->Taken();
    if (pointer != PointerRetry.isActive()) pointer ? PointerRetry.start() : PointerRetry.stop();
    const bool keys = Keys->AnyRefused();
    if (keys != KeyRetry.isActive()) keys ? KeyRetry.start() : KeyRetry.stop();
}

void TX11InputHook::ReadEvents() {
    while (Dpy && XPending(Dpy)) {
        XEvent ev;
        XNextEvent(Dpy, &ev);
        switch (ev.type) {
        case KeyPress:
            // Held down: one report per press.
            if (std::exchange(KeyDown[ev.xkey.keycode], true)) break;
            if (!Selection->OnKey(ev.xkey.keycode)) Keys->OnKey(ev.xkey.keycode, ev.xkey.state);
            break;
        case KeyRelease:
            KeyDown[ev.xkey.keycode] = false;
            break;
        case ButtonPress:
            Selection->OnButton(ev.xbutton.button, true, ev.xbutton.x_root, ev.xbutton.y_root);
            break;
        case ButtonRelease:
            Selection->OnButton(ev.xbutton.button, false, ev.xbutton.x_root, ev.xbutton.y_root);
            break;
        case MotionNotify: {
            // Only the newest position matters; older ones would be redrawn for nothing.
            XEvent next;
            while (XPending(Dpy) && (XPeekEvent(Dpy, &next), next.type == MotionNotify))
                XNextEvent(Dpy, &ev);
            Selection->OnMotion(ev.xmotion.x_root, ev.xmotion.y_root);
            break;
        }
        case MappingNotify:
            XRefreshKeyboardMapping(&ev.xmapping);
            if (ev.xmapping.request != MappingKeyboard && ev.xmapping.request != MappingModifier)
                break;
            Keys->Remap(KeyboardOn);
            Retry();
            break;
        default:
            break;
        }
    }
}

std::unique_ptr<TInputHook> CreateX11InputHook() {
    return std::make_unique<TX11InputHook>();
}
