// The input hook as the program sees it: the keyboard and mouse hooks that
// read the shared hook block and post its messages (hook/HookMessages.h),
// the key reports of the hot-key page, and which hot keys another program
// holds. The real one is TX11InputHook; tests put a TMemoryInputHook in.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>

class TInputHook {
public:
    virtual ~TInputHook() = default;

    // Each returns a hook handle, 0 when the hook cannot be installed.
    virtual uint32_t HookKeyboard() = 0;
    virtual uint32_t HookMouse() = 0;
    // Removes the hook with that handle; an unknown handle does nothing.
    virtual void UnHook(uint32_t hook) = 0;

    // While on, every recognised combination is reported to Window as
    // hmKeyReport with its index, instead of being a capture request.
    virtual void KeyReports(uint32_t window, bool on) = 0;
    // True when the hook could not take hot key Index because another program
    // holds it; known for the flagged keys and, while key reports are on, for
    // all of them.
    virtual bool HeldElsewhere(int index) const = 0;
    // Where the desktop, not the hook, decides which key starts a capture (a
    // Wayland session): what the user does there so that hot key Index does,
    // in sentences. Empty where the hook takes the key itself.
    virtual std::string DesktopKeyBinding(int index) const {
        (void)index;
        return {};
    }

    // The hook says once per hot key that another program holds it, so that
    // the program can tell the user (a tray message). Report is called from
    // inside the hook and must not block. Null: nobody is told.
    void SetHeldElsewhereReport(std::function<void(int index)> report) {
        HeldReport = std::move(report);
    }

protected:
    void ReportHeldElsewhere(int index) const {
        if (HeldReport) HeldReport(index);
    }

private:
    std::function<void(int index)> HeldReport;
};

// The hook of the platform in use (platform/Platform.h).
TInputHook& TheInputHook();

// Keyboard hook, then mouse hook; their handles go into the block.
void InstallHooks();
// Keyboard hook, then mouse hook.
void RemoveHooks();
// Each hook removed and installed again: keyboard, then mouse.
void RestoreHooks();
