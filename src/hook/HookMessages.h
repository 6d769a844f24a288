// The messages the input hook posts, WM_USER (0x400) + 1 to + 9. The key
// reports carry a hot-key index in wParam; the mouse reports carry the screen
// position, x in wParam and y in lParam.
#pragma once

#include <cstdint>

constexpr uint32_t HookMessageBase = 0x400; // WM_USER

enum THookMessage : uint32_t {
    hmKeyReport = HookMessageBase + 1, // to the key-report window, while switched on
    hmHotKey = HookMessageBase + 2,    // a flagged hot key, to the main window
    hmLeftDown = HookMessageBase + 3,  // the mouse reports, to the main window in mode 2
    hmDrag = HookMessageBase + 4,      // moved with the left button held
    hmLeftUp = HookMessageBase + 5,    // the selection is done; the mode is 1 again
    // + 6 is not posted.
    hmRightClick = HookMessageBase + 7,
    hmMove = HookMessageBase + 8,   // moved before the left button goes down
    hmCancel = HookMessageBase + 9, // Escape during a selection; the mode is 1 again
};
