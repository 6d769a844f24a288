#include "platform/x11/X11KeyGrabs.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "hook/HookBlock.h"
#include "hook/HotKeyNames.h"
#include "platform/WinMessages.h"

// Xlib last: it defines None, KeyPress, Bool and Status as macros.
#include "platform/x11/screen/XErrorTrap.h"
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace {

constexpr unsigned ModMask = ControlMask | Mod1Mask | ShiftMask | Mod4Mask;

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

} // namespace

TX11KeyGrabs::TX11KeyGrabs(Display* dpy, SharedHookBlock& block, TReport heldElsewhere)
    : Dpy(dpy), Root(DefaultRootWindow(dpy)), Block(block),
      HeldElsewhere(std::move(heldElsewhere)) {}

unsigned TX11KeyGrabs::NumLockMask() {
    unsigned mask = 0;
    XModifierKeymap* map = XGetModifierMapping(Dpy);
    KeyCode num = XKeysymToKeycode(Dpy, XK_Num_Lock);
    for (int m = 0; map && num && m < 8; ++m)
        for (int k = 0; k < map->max_keypermod; ++k)
            if (map->modifiermap[m * map->max_keypermod + k] == num) mask = 1u << m;
    if (map) XFreeModifiermap(map);
    return mask;
}

void TX11KeyGrabs::Grab(int index, bool grab, bool quiet) {
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
    if (grab) LastRefused[index] = refused;
    if (refused) {
        // Another program holds this combination: leave it to them.
        for (unsigned lock : locks) XUngrabKey(Dpy, code, XMods(c.Mods) | lock, Root);
        trap.Sync();
        Grabbed[index] = false;
        Refused[index] = true;
        if (!quiet && !Named[index]) {
            std::fprintf(stderr, "snaprio: the hot key %.*s is taken by another program\n",
                         static_cast<int>(HotKeyNames[index].size()), HotKeyNames[index].data());
            if (HeldElsewhere) HeldElsewhere(index);
        }
        Named[index] = Named[index] || !quiet;
    }
}

void TX11KeyGrabs::Follow(bool keyboard) {
    const bool reports = keyboard && HookRead(Block.KeyReportSwitch) != 0;
    for (int k = 0; k < HotKeyCount; ++k) {
        const bool flagged = keyboard && HookRead(Block.HotKeyFlags[k]) != 0;
        const bool want = flagged || reports;
        if (want == Grabbed[k]) continue;
        if (want && Refused[k]) continue;
        Grab(k, want, !flagged);
        if (!want) Refused[k] = false;
    }
}

void TX11KeyGrabs::Remap(bool keyboard) {
    for (int k = 0; k < HotKeyCount; ++k)
        if (Grabbed[k]) Grab(k, false, true);
    Refused.fill(false);
    Follow(keyboard);
}

bool TX11KeyGrabs::AnyRefused() const {
    return std::any_of(Refused.begin(), Refused.end(), [](bool r) { return r; });
}

void TX11KeyGrabs::OnKey(unsigned keycode, unsigned state) {
    unsigned mods = state & ModMask;
    const unsigned ours = (mods & ControlMask ? ModCtrl : 0u) | (mods & Mod1Mask ? ModAlt : 0u) |
                          (mods & ShiftMask ? ModShift : 0u) | (mods & Mod4Mask ? ModWin : 0u);
    KeySym sym = XkbKeycodeToKeysym(Dpy, static_cast<KeyCode>(keycode), 0, 0);
    THotKeyCombo c{};
    if (sym >= XK_0 && sym <= XK_9)
        c = {ours, THotKeyKind::Digit, static_cast<int>(sym - XK_0)};
    else if (sym >= XK_a && sym <= XK_z)
        c = {ours, THotKeyKind::Letter, static_cast<int>(sym - XK_a)};
    else if (sym >= XK_F1 && sym <= XK_F12)
        c = {ours, THotKeyKind::Function, static_cast<int>(sym - XK_F1 + 1)};
    else
        return;
    const int index = HotKeyIndex(c);
    if (index < 0) return;
    const THookPost to = KeyPressRoute(Block, index);
    if (to.Msg) PostMessage(to.Window, to.Msg, index, 0);
}
