#include "hook/HookBlock.h"

#include "platform/x11/InputHook.h"

SharedHookBlock* HookBlock = nullptr;

void InitHookBlock(HWND mainWindow, int captureKey) {
    if (!HookBlock) return;
    HookWrite(HookBlock->MainWindow, mainWindow);
    HookWrite(HookBlock->Reserved4, uint8_t{0});
    HookWrite(HookBlock->Mode, HookModeKeys);
    HookWrite(HookBlock->KeyReportWindow, mainWindow);
    HookWrite(HookBlock->KeyReportSwitch, uint8_t{0});
    SetHotKeyFlag(captureKey);
}

void SetHotKeyFlag(int index) {
    // A capture key out of range (a hand-edited INI) must not write outside the table.
    if (HookBlock && index >= 0 && index < HotKeyCount)
        HookWrite(HookBlock->HotKeyFlags[index], uint8_t{1});
}

void SetHookMode(uint32_t mode) {
    if (HookBlock) HookWrite(HookBlock->Mode, mode);
}

void SetSecWind(HWND window, bool on) {
    if (!HookBlock) return;
    HookWrite(HookBlock->KeyReportWindow, window);
    HookWrite(HookBlock->KeyReportSwitch, uint8_t{on ? uint8_t{1} : uint8_t{0}});
}

void InstallHooks() {
    if (!HookBlock) return;
    HookWrite(HookBlock->KeyboardHook, CapHookKeyboard());
    HookWrite(HookBlock->MouseHook, CapHookMouse());
}

void RemoveHooks() {
    if (!HookBlock) return;
    CapUnHook(HookRead(HookBlock->KeyboardHook));
    CapUnHook(HookRead(HookBlock->MouseHook));
}
