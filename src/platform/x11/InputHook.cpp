#include "platform/x11/InputHook.h"

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <array>
#include <cstdio>
#include <memory>

#include "hook/HookBlock.h"
#include "hook/HotKeyNames.h"
#include "platform/HeldElsewhere.h"
#include "platform/NamedObjects.h"
#include "platform/Paths.h"
#include "platform/WinMessages.h"

// Xlib last: it defines None, KeyPress, Bool and Status as macros.
#include "platform/x11/XErrorTrap.h"
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace {

constexpr uint32_t KeyboardHandle = 0x4B42; // "KB"
constexpr uint32_t MouseHandle = 0x4D53;    // "MS"
constexpr int PointerRetryMs = 20;          // a pointer grab another client holds: try again soon
constexpr int KeyRetryMs = 2000;            // a key another program holds may be free again
constexpr unsigned ModMask = ControlMask | Mod1Mask | ShiftMask | Mod4Mask;

class TInputHook : public QObject {
public:
    static TInputHook* Instance();

    uint32_t Hook(uint32_t which);
    void UnHook(uint32_t which);
    bool HeldElsewhere(int index) const { return Dpy && Held[index]; }

private:
    bool Open();
    void Close();
    void Sync();
    void FollowKeys();
    void FollowPointer();
    void Release();
    void GrabIndex(int index, bool grab, bool quiet);
    void ReadEvents();
    void OnKey(XKeyEvent& e);
    void OnButton(XButtonEvent& e, bool press);
    void Post(HWND to, uint32_t msg, int32_t w, int32_t l) { PostMessage(to, msg, w, l); }
    unsigned NumLockMask();

    Display* Dpy = nullptr;
    Window Root = 0;
    std::unique_ptr<TSharedMemory> Memory;
    SharedHookBlock* Block = nullptr;
    std::unique_ptr<QSocketNotifier> Notifier;
    void Retry();
    // Both run only while something is refused, so an idle hook has no timer.
    QTimer PointerRetry, KeyRetry;
    bool KeyboardOn = false, MouseOn = false;
    std::array<bool, HotKeyCount> Grabbed{}; // index grabbed (all lock variants)
    std::array<bool, HotKeyCount> Refused{}; // another client holds it; retried now and then
    std::array<bool, HotKeyCount> Named{};   // said once on stderr
    std::array<bool, HotKeyCount> Held{};    // the last grab was refused
    std::array<bool, 256> KeyDown{};         // keycodes held, to drop auto-repeat
    bool PointerGrabbed = false, KeyboardGrabbed = false;
    bool LeftDown = false;
};

TInputHook* TInputHook::Instance() {
    static TInputHook* hook = new TInputHook; // lives until the process ends
    return hook;
}

bool TInputHook::Open() {
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
    Root = DefaultRootWindow(Dpy);
    Bool detectable = False;
    XkbSetDetectableAutoRepeat(Dpy, True, &detectable);
    Notifier = std::make_unique<QSocketNotifier>(ConnectionNumber(Dpy), QSocketNotifier::Read);
    QObject::connect(Notifier.get(), &QSocketNotifier::activated, this, [this] { ReadEvents(); });
    // The program's writes to the block come through the watcher; the hook's
    // own write (mode 1 after the button) it follows itself.
    SetHookBlockWatcher([] { Instance()->Sync(); });
    PointerRetry.setInterval(PointerRetryMs);
    KeyRetry.setInterval(KeyRetryMs);
    QObject::connect(&PointerRetry, &QTimer::timeout, this, [this] { Sync(); });
    QObject::connect(&KeyRetry, &QTimer::timeout, this, [this] {
        Refused.fill(false);
        Sync();
    });
    return true;
}

void TInputHook::Close() {
    SetHookBlockWatcher(nullptr);
    PointerRetry.stop();
    KeyRetry.stop();
    PointerRetry.disconnect();
    KeyRetry.disconnect();
    Notifier.reset();
    XCloseDisplay(Dpy); // the server drops every grab of this connection
    Dpy = nullptr;
    Block = nullptr;
    Memory.reset();
    Grabbed.fill(false);
    Refused.fill(false);
    Named.fill(false);
    Held.fill(false);
    KeyDown.fill(false);
    PointerGrabbed = LeftDown = KeyboardGrabbed = false;
}

uint32_t TInputHook::Hook(uint32_t which) {
    if (!Open()) return 0;
    (which == KeyboardHandle ? KeyboardOn : MouseOn) = true;
    Sync();
    return which;
}

void TInputHook::UnHook(uint32_t which) {
    if (!Dpy || (which != KeyboardHandle && which != MouseHandle)) return;
    (which == KeyboardHandle ? KeyboardOn : MouseOn) = false;
    Sync();
    if (!KeyboardOn && !MouseOn) Close();
}

unsigned TInputHook::NumLockMask() {
    unsigned mask = 0;
    XModifierKeymap* map = XGetModifierMapping(Dpy);
    KeyCode num = XKeysymToKeycode(Dpy, XK_Num_Lock);
    for (int m = 0; map && num && m < 8; ++m)
        for (int k = 0; k < map->max_keypermod; ++k)
            if (map->modifiermap[m * map->max_keypermod + k] == num) mask = 1u << m;
    if (map) XFreeModifiermap(map);
    return mask;
}

KeyCode KeyCodeOf(Display* dpy, const THotKeyCombo& c) {
    KeySym sym = c.Kind == THotKeyKind::Digit    ? XK_0 + c.Key
                 : c.Kind == THotKeyKind::Letter ? XK_a + c.Key
                                                 : XK_F1 + (c.Key - 1);
    return XKeysymToKeycode(dpy, sym);
}

unsigned XMods(unsigned mods) {
    return (mods & ModCtrl ? ControlMask : 0) | (mods & ModAlt ? Mod1Mask : 0) |
           (mods & ModShift ? ShiftMask : 0) | (mods & ModWin ? Mod4Mask : 0);
}

void TInputHook::GrabIndex(int index, bool grab, bool quiet) {
    const THotKeyCombo c = HotKeyCombo(index);
    KeyCode code = KeyCodeOf(Dpy, c);
    Grabbed[index] = grab;
    if (!code) return;
    const unsigned num = NumLockMask();
    const unsigned locks[] = {0, LockMask, num, LockMask | num};
    TXErrorTrap trap(Dpy);
    for (unsigned lock : locks) {
        if (grab)
            XGrabKey(Dpy, code, XMods(c.Mods) | lock, Root, False, GrabModeAsync, GrabModeAsync);
        else
            XUngrabKey(Dpy, code, XMods(c.Mods) | lock, Root);
    }
    const bool refused = grab && trap.Sync() == BadAccess;
    if (grab) Held[index] = refused;
    if (refused) {
        // Another program holds this combination: leave it to them.
        for (unsigned lock : locks) XUngrabKey(Dpy, code, XMods(c.Mods) | lock, Root);
        trap.Sync();
        Grabbed[index] = false;
        Refused[index] = true;
        if (!quiet && !Named[index]) {
            std::fprintf(stderr, "snaprio: the hot key %.*s is taken by another program\n",
                         static_cast<int>(HotKeyNames[index].size()), HotKeyNames[index].data());
            ReportHeldElsewhere(index);
        }
        Named[index] = Named[index] || !quiet;
    }
}

void TInputHook::FollowKeys() {
    const bool reports = KeyboardOn && HookRead(Block->KeyReportSwitch) != 0;
    for (int k = 0; k < HotKeyCount; ++k) {
        const bool flagged = KeyboardOn && HookRead(Block->HotKeyFlags[k]) != 0;
        const bool want = flagged || reports;
        if (want == Grabbed[k]) continue;
        if (want && Refused[k]) continue;
        GrabIndex(k, want, !flagged);
        if (!want) Refused[k] = false;
    }
}

void TInputHook::FollowPointer() {
    const bool want = MouseOn && HookRead(Block->Mode) == HookModeSelect;
    if (want && !PointerGrabbed) {
        const unsigned mask = ButtonPressMask | ButtonReleaseMask | PointerMotionMask;
        PointerGrabbed = XGrabPointer(Dpy, Root, False, mask, GrabModeAsync, GrabModeAsync, None,
                                      None, CurrentTime) == GrabSuccess;
        // A hook installed again in the middle of a drag (the hook timer, the
        // tray's restore) finds the button held: the release still ends it.
        Window root, child;
        int rx, ry, wx, wy;
        unsigned buttons = 0;
        XQueryPointer(Dpy, Root, &root, &child, &rx, &ry, &wx, &wy, &buttons);
        LeftDown = PointerGrabbed && (buttons & Button1Mask);
    } else if (!want && PointerGrabbed) {
        Release();
    }
    // Escape cancels the selection, so the keyboard is ours while it lasts;
    // another client may hold it for a moment: try again on the next turn.
    if (PointerGrabbed && !KeyboardGrabbed)
        KeyboardGrabbed = XGrabKeyboard(Dpy, Root, False, GrabModeAsync, GrabModeAsync,
                                        CurrentTime) == GrabSuccess;
}

void TInputHook::Release() {
    XUngrabPointer(Dpy, CurrentTime);
    if (KeyboardGrabbed) XUngrabKeyboard(Dpy, CurrentTime);
    XFlush(Dpy);
    PointerGrabbed = LeftDown = KeyboardGrabbed = false;
}

void TInputHook::Sync() {
    if (!Dpy) return;
    FollowKeys();
    FollowPointer();
    Retry();
    XFlush(Dpy);
    ReadEvents(); // the flush may have read events into Xlib's queue
}

void TInputHook::Retry() {
    const bool pointer =
        MouseOn && HookRead(Block->Mode) == HookModeSelect && (!PointerGrabbed || !KeyboardGrabbed);
    if (pointer != PointerRetry.isActive()) pointer ? PointerRetry.start() : PointerRetry.stop();
    bool keys = false;
    for (bool r : Refused) keys = keys || r;
    if (keys != KeyRetry.isActive()) keys ? KeyRetry.start() : KeyRetry.stop();
}

void TInputHook::OnKey(XKeyEvent& e) {
    const bool repeat = KeyDown[e.keycode];
    KeyDown[e.keycode] = true;
    if (repeat) return; // held down: one report per press
    unsigned mods = e.state & ModMask;
    THotKeyCombo c{(mods & ControlMask ? ModCtrl : 0u) | (mods & Mod1Mask ? ModAlt : 0u) |
                       (mods & ShiftMask ? ModShift : 0u) | (mods & Mod4Mask ? ModWin : 0u),
                   THotKeyKind::Function, 0};
    KeySym sym = XkbKeycodeToKeysym(Dpy, static_cast<KeyCode>(e.keycode), 0, 0);
    if (sym == XK_Escape && PointerGrabbed) {
        Post(HookRead(Block->MainWindow), hmCancel, 0, 0);
        HookWrite(Block->Mode, HookModeKeys);
        Release();
        return;
    }
    if (sym >= XK_0 && sym <= XK_9)
        c = {c.Mods, THotKeyKind::Digit, static_cast<int>(sym - XK_0)};
    else if (sym >= XK_a && sym <= XK_z)
        c = {c.Mods, THotKeyKind::Letter, static_cast<int>(sym - XK_a)};
    else if (sym >= XK_F1 && sym <= XK_F12)
        c = {c.Mods, THotKeyKind::Function, static_cast<int>(sym - XK_F1 + 1)};
    else
        return;
    const int index = HotKeyIndex(c);
    if (index < 0) return;
    const THookPost to = KeyPressRoute(*Block, index);
    if (to.Msg) Post(to.Window, to.Msg, index, 0);
}

void TInputHook::OnButton(XButtonEvent& e, bool press) {
    if (!PointerGrabbed) return;
    const HWND main = HookRead(Block->MainWindow);
    if (e.button == Button1 && press) {
        LeftDown = true;
        Post(main, hmLeftDown, e.x_root, e.y_root);
    } else if (e.button == Button1 && LeftDown) {
        Post(main, hmLeftUp, e.x_root, e.y_root);
        HookWrite(Block->Mode, HookModeKeys);
        Release();
    } else if (e.button == Button3 && press) {
        Post(main, hmRightClick, 0, 0);
    }
}

void TInputHook::ReadEvents() {
    while (Dpy && XPending(Dpy)) {
        XEvent ev;
        XNextEvent(Dpy, &ev);
        switch (ev.type) {
        case KeyPress:
            OnKey(ev.xkey);
            break;
        case KeyRelease:
            KeyDown[ev.xkey.keycode] = false;
            break;
        case ButtonPress:
            OnButton(ev.xbutton, true);
            break;
        case ButtonRelease:
            OnButton(ev.xbutton, false);
            break;
        case MotionNotify: {
            // Only the newest position matters; older ones would be redrawn for nothing.
            XEvent next;
            while (XPending(Dpy) && (XPeekEvent(Dpy, &next), next.type == MotionNotify))
                XNextEvent(Dpy, &ev);
            if (PointerGrabbed)
                Post(HookRead(Block->MainWindow), LeftDown ? hmDrag : hmMove, ev.xmotion.x_root,
                     ev.xmotion.y_root);
            break;
        }
        case MappingNotify: {
            XRefreshKeyboardMapping(&ev.xmapping);
            if (ev.xmapping.request != MappingKeyboard && ev.xmapping.request != MappingModifier)
                break;
            // Keycodes may have moved: take every grab again.
            for (int k = 0; k < HotKeyCount; ++k)
                if (Grabbed[k]) GrabIndex(k, false, true);
            Refused.fill(false);
            FollowKeys();
            Retry();
            break;
        }
        default:
            break;
        }
    }
}

} // namespace

uint32_t CapHookKeyboard() {
    return TInputHook::Instance()->Hook(KeyboardHandle);
}
uint32_t CapHookMouse() {
    return TInputHook::Instance()->Hook(MouseHandle);
}
void CapUnHook(uint32_t hook) {
    TInputHook::Instance()->UnHook(hook);
}
bool CapKeyHeldElsewhere(int index) {
    return index >= 0 && index < HotKeyCount && TInputHook::Instance()->HeldElsewhere(index);
}
