// What the program writes into the shared hook block, and how the hook
// routes a key press by what the block says.
#pragma once

#include <cstdint>
#include <functional>

#include "hook/HookMessages.h"
#include "hook/SharedHookBlock.h"

// Program-side view of the mapped block; null until the program block maps it.
extern SharedHookBlock* HookBlock;

// The creation handler's writes: main window, byte 4, mode 1, key reports to
// the main window and off, the capture key's flag on.
void InitHookBlock(uint32_t mainWindow, int captureKey);

// Marks hot key Index as watched (a valid index only).
void SetHotKeyFlag(int index);

// Releases hot key Index again (a capture key the user replaced).
void ClearHotKeyFlag(int index);

// Mode 2 starts a selection; the hook sets it back to 1 when the button goes up.
void SetHookMode(uint32_t mode);

// The key-report window and its switch, the handle first so that a hook that
// sees the switch on also sees the handle.
void SetSecWind(uint32_t window, bool on);

// A hook in this process follows the block as soon as the program changes it:
// while it holds a watch, every write above tells the watch afterwards.
// Nothing has to look at the block while nothing changes. One watch at a
// time: a newer one takes over, and an older one that ends leaves it be.
class THookBlockWatch {
public:
    explicit THookBlockWatch(std::function<void()> changed);
    ~THookBlockWatch();
    THookBlockWatch(const THookBlockWatch&) = delete;
    THookBlockWatch& operator=(const THookBlockWatch&) = delete;

private:
    std::function<void()> OnChange;
};

// Where the hook posts a press of hot key Index: to the key-report window
// while the switch is on, else to the main window when the key's flag is set.
// Msg 0 when the press goes nowhere.
struct THookPost {
    uint32_t Window = 0;
    uint32_t Msg = 0;
    bool operator==(const THookPost&) const = default;
};
THookPost KeyPressRoute(const SharedHookBlock& block, int index);
