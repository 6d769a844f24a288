#include "platform/memory/MemoryInputHook.h"

#include "hook/HookBlock.h"
#include "platform/WinMessages.h"

namespace {
constexpr uint32_t KeyboardHandle = 1, MouseHandle = 2;
}

uint32_t TMemoryInputHook::HookKeyboard() {
    KeyboardOn = true;
    return KeyboardHandle;
}

uint32_t TMemoryInputHook::HookMouse() {
    MouseOn = true;
    return MouseHandle;
}

void TMemoryInputHook::UnHook(uint32_t hook) {
    if (hook == KeyboardHandle) KeyboardOn = false;
    if (hook == MouseHandle) MouseOn = false;
}

void TMemoryInputHook::KeyReports(uint32_t window, bool on) {
    ReportWindow = window;
    ReportsOn = on;
    SetSecWind(window, on);
}

bool TMemoryInputHook::HeldElsewhere(int index) const {
    return index >= 0 && index < HotKeyCount && Held[static_cast<size_t>(index)];
}

bool TMemoryInputHook::Press(int index) {
    if (!KeyboardOn || !HookBlock) return false;
    const THookPost to = KeyPressRoute(*HookBlock, index);
    return to.Msg && PostMessage(to.Window, to.Msg, index, 0);
}
