#include "platform/InputHook.h"

#include "hook/HookBlock.h"
#include "platform/WinMessages.h"

static_assert(HookMessageBase == WM_USER);

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
