// The input hook: global hot keys and mouse reports during a selection, read
// from and reported by the shared hook block. It runs on the UI thread over
// its own X connection.
//
// Keyboard: every hot key whose flag is set in the block is grabbed on the
// root window (also with NumLock and CapsLock on); a press posts WM_USER+2
// with its index to the block's main window. While the key-report switch is
// on, every free one of the combinations is grabbed and a press posts
// WM_USER+1 with its index to the key-report window instead. A combination
// that another client has grabbed is left to it and tried again now and then.
//
// Mouse: in mode 2 the pointer is grabbed; moves post WM_USER+8 (button up) or
// WM_USER+4 (left button held), the left button WM_USER+3 down and WM_USER+5
// up, the right button WM_USER+7; after the left button goes up the mode is 1
// again and the pointer is free. The keyboard is grabbed too: Escape posts
// WM_USER+9, sets the mode to 1 and frees both; hot keys still report.
#pragma once

#include <cstdint>

// Each returns a hook handle, 0 when there is no X display.
uint32_t CapHookKeyboard();
uint32_t CapHookMouse();
// Removes the hook with that handle; an unknown handle does nothing.
void CapUnHook(uint32_t hook);
// True when the last grab of hot key Index was refused: another client holds it.
bool CapKeyHeldElsewhere(int index);
