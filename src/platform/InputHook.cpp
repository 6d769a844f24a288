#include "platform/InputHook.h"

#include "hook/HookBlock.h"
#include "platform/WinMessages.h"

static_assert(HookMessageBase == WM_USER);

namespace {
void (*HeldReport)(int) = nullptr;
} // namespace

void InstallHooks() {
    if (!HookBlock) return;
    HookWrite(HookBlock->KeyboardHook, TheInputHook().HookKeyboard());
    HookWrite(HookBlock->MouseHook, TheInputHook().HookMouse());
}

void RemoveHooks() {
    if (!HookBlock) return;
    TheInputHook().UnHook(HookRead(HookBlock->KeyboardHook));
    TheInputHook().UnHook(HookRead(HookBlock->MouseHook));
}

void RestoreHooks() {
    if (!HookBlock) return;
    TheInputHook().UnHook(HookRead(HookBlock->KeyboardHook));
    HookWrite(HookBlock->KeyboardHook, TheInputHook().HookKeyboard());
    TheInputHook().UnHook(HookRead(HookBlock->MouseHook));
    HookWrite(HookBlock->MouseHook, TheInputHook().HookMouse());
}

void SetHeldElsewhereReport(void (*report)(int index)) {
    HeldReport = report;
}

void ReportHeldElsewhere(int index) {
    if (HeldReport) HeldReport(index);
}
