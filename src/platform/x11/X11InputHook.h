// The input hook on X11: global hot keys and mouse reports during a selection,
// read from and reported by the shared hook block. It runs on the UI thread
// over its own X connection, open while a keyboard or mouse hook is in.
//
// Keyboard: see X11KeyGrabs.h. Mouse: see X11SelectionGrab.h.
#pragma once

#include <QTimer>
#include <array>
#include <cstdint>
#include <memory>

#include "platform/InputHook.h"

class QSocketNotifier;
class TSharedMemory;
class THookBlockWatch;
class TX11KeyGrabs;
class TX11SelectionGrab;
struct SharedHookBlock;
struct _XDisplay; // Xlib's Display, kept out of the interface's users

class TX11InputHook final : public TInputHook {
public:
    TX11InputHook();
    ~TX11InputHook() override;
    TX11InputHook(const TX11InputHook&) = delete;
    TX11InputHook& operator=(const TX11InputHook&) = delete;

    // Each returns a hook handle, 0 when there is no X display.
    uint32_t HookKeyboard() override;
    uint32_t HookMouse() override;
    void UnHook(uint32_t hook) override;
    // The X11 hook follows the block: the switch is the block's.
    void KeyReports(uint32_t window, bool on) override;
    bool HeldElsewhere(int index) const override;

private:
    uint32_t Hook(uint32_t which);
    bool Open();
    void Close();
    // Takes and lets go what the block now asks for.
    void Sync();
    void Retry();
    void ReadEvents();

    _XDisplay* Dpy = nullptr;
    std::unique_ptr<TSharedMemory> Memory;
    SharedHookBlock* Block = nullptr;
    std::unique_ptr<QSocketNotifier> Notifier;
    // The program's writes to the block come through the watch; the hook's
    // own write (mode 1 after the button) it follows itself.
    std::unique_ptr<THookBlockWatch> Watch;
    std::unique_ptr<TX11KeyGrabs> Keys;
    std::unique_ptr<TX11SelectionGrab> Selection;
    // Both run only while something is refused, so an idle hook has no timer.
    QTimer PointerRetry, KeyRetry;
    bool KeyboardOn = false, MouseOn = false;
    std::array<bool, 256> KeyDown{}; // keycodes held, to drop auto-repeat
};

std::unique_ptr<TInputHook> CreateX11InputHook();
