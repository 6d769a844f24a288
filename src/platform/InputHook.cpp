#include "platform/InputHook.h"

#include "hook/HookBlock.h"
#include "platform/WinMessages.h"
#include "platform/x11/X11InputHook.h"

static_assert(HookMessageBase == WM_USER);

namespace {
std::unique_ptr<TInputHook>& Current() {
    static std::unique_ptr<TInputHook> hook;
    return hook;
}
} // namespace

TInputHook& TheInputHook() {
    if (!Current()) Current() = CreateX11InputHook();
    return *Current();
}

std::unique_ptr<TInputHook> SetInputHook(std::unique_ptr<TInputHook> hook) {
    std::swap(hook, Current());
    return hook;
}

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
