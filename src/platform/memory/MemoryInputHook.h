// An input hook without a display, for tests: it routes presses by the
// shared hook block as the X11 hook does, and says which keys another
// program holds from a table the test fills.
#pragma once

#include <array>

#include "hook/SharedHookBlock.h"
#include "platform/InputHook.h"

class TMemoryInputHook : public TInputHook {
public:
    uint32_t HookKeyboard() override;
    uint32_t HookMouse() override;
    void UnHook(uint32_t hook) override;
    void KeyReports(uint32_t window, bool on) override;
    bool HeldElsewhere(int index) const override;

    // A press of hot key Index, posted where the X11 hook would post it (the
    // block is HookBlock). False when the press goes nowhere: no keyboard
    // hook, no block, or neither reports nor the key's flag on.
    bool Press(int index);

    bool KeyboardOn = false, MouseOn = false;
    uint32_t ReportWindow = 0; // the last KeyReports call
    bool ReportsOn = false;
    std::array<bool, HotKeyCount> Held{};
};
