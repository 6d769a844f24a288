#include "platform/x11/X11SelectionGrab.h"

#include "hook/HookMessages.h"
#include "platform/WinMessages.h"

// Xlib last: it defines None, KeyPress, Bool and Status as macros.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

TX11SelectionGrab::TX11SelectionGrab(Display* dpy, SharedHookBlock& block)
    : Dpy(dpy), Root(DefaultRootWindow(dpy)), Block(block) {}

void TX11SelectionGrab::Follow(bool want) {
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

void TX11SelectionGrab::Release() {
    XUngrabPointer(Dpy, CurrentTime);
    if (KeyboardGrabbed) XUngrabKeyboard(Dpy, CurrentTime);
    XFlush(Dpy);
    PointerGrabbed = LeftDown = KeyboardGrabbed = false;
}

bool TX11SelectionGrab::OnKey(unsigned keycode) {
    if (!PointerGrabbed) return false;
    if (XkbKeycodeToKeysym(Dpy, static_cast<KeyCode>(keycode), 0, 0) != XK_Escape) return false;
    PostMessage(HookRead(Block.MainWindow), hmCancel, 0, 0);
    HookWrite(Block.Mode, HookModeKeys);
    Release();
    return true;
}

void TX11SelectionGrab::OnButton(unsigned button, bool press, int x, int y) {
    if (!PointerGrabbed) return;
    const HWND main = HookRead(Block.MainWindow);
    if (button == Button1 && press) {
        LeftDown = true;
        PostMessage(main, hmLeftDown, x, y);
    } else if (button == Button1 && LeftDown) {
        PostMessage(main, hmLeftUp, x, y);
        HookWrite(Block.Mode, HookModeKeys);
        Release();
    } else if (button == Button3 && press) {
        PostMessage(main, hmRightClick, 0, 0);
    }
}

void TX11SelectionGrab::OnMotion(int x, int y) {
    if (PointerGrabbed) PostMessage(HookRead(Block.MainWindow), LeftDown ? hmDrag : hmMove, x, y);
}
