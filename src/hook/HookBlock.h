// What the program writes into the shared hook block, and the installing and
// removing of the input hooks.
#pragma once

#include "hook/SharedHookBlock.h"
#include "platform/WinMessages.h"

// Program-side view of the mapped block; null until the program block maps it.
extern SharedHookBlock* HookBlock;

// The creation handler's writes: main window, byte 4, mode 1, key reports to
// the main window and off, the capture key's flag on.
void InitHookBlock(HWND mainWindow, int captureKey);

// Marks hot key Index as watched (a valid index only); flags are never cleared.
void SetHotKeyFlag(int index);

// Mode 2 starts a selection; the hook sets it back to 1 when the button goes up.
void SetHookMode(uint32_t mode);

// The key-report window and its switch, the handle first so that a hook that
// sees the switch on also sees the handle.
void SetSecWind(HWND window, bool on);

// Keyboard hook, then mouse hook; their handles go into the block.
void InstallHooks();
// Keyboard hook, then mouse hook.
void RemoveHooks();
