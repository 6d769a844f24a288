// The selection's grab of the X11 input hook. In mode 2 the pointer is
// grabbed; moves post WM_USER+8 (button up) or WM_USER+4 (left button held),
// the left button WM_USER+3 down and WM_USER+5 up, the right button
// WM_USER+7; after the left button goes up the mode is 1 again and the
// pointer is free. The keyboard is grabbed too: Escape posts WM_USER+9, sets
// the mode to 1 and frees both; hot keys still report.
#pragma once

#include "hook/SharedHookBlock.h"

struct _XDisplay; // Xlib's Display: Xlib's macros stay in the .cpp files

class TX11SelectionGrab {
public:
    TX11SelectionGrab(_XDisplay* dpy, SharedHookBlock& block);

    // Takes the pointer and the keyboard while Want, lets them go otherwise.
    void Follow(bool want);
    // Both are taken; else another client holds one of them for a moment.
    bool Taken() const { return PointerGrabbed && KeyboardGrabbed; }

    // True when the press was Escape and ended the selection.
    bool OnKey(unsigned keycode);
    // Button 1 is the left one, 3 the right one; X and Y on the screen.
    void OnButton(unsigned button, bool press, int x, int y);
    void OnMotion(int x, int y);

private:
    void Release();

    _XDisplay* Dpy;
    unsigned long Root; // Xlib's Window
    SharedHookBlock& Block;
    bool PointerGrabbed = false, KeyboardGrabbed = false;
    bool LeftDown = false;
};
