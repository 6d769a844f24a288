// The input hook in a Wayland session, where no client may grab a key. The
// keyboard hook asks the GlobalShortcuts portal for the capture key where the
// desktop's own back-end offers it, and posts each activation as the X11
// hook posts the key; elsewhere the desktop binds `snaprio --show`
// (DesktopKeyBinding says how). Key reports for the Hot Key page come from
// the program's own windows while one has the focus. The mouse hook has
// nothing to follow: there is no selection on the screen yet.
#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <optional>

#include "platform/InputHook.h"
#include "platform/wayland/KeyBinding.h"

class QKeyEvent;
class TGlobalShortcuts;
class THookBlockWatch;

class TWaylandInputHook final : public TInputHook {
public:
    // Offered says whether the portal offers GlobalShortcuts; asked once,
    // when first needed.
    explicit TWaylandInputHook(TWaylandDesktop desktop, std::function<bool()> offered);
    ~TWaylandInputHook() override;

    uint32_t HookKeyboard() override;
    uint32_t HookMouse() override;
    void UnHook(uint32_t hook) override;
    void KeyReports(uint32_t window, bool on) override;
    bool HeldElsewhere(int) const override { return false; }
    std::string DesktopKeyBinding(int index) const override;

    // Whether the portal's session carries the capture key.
    bool PortalKey() const;

private:
    // Opens, moves or closes the portal's session to follow the block.
    void Sync();
    // The activation of the portal's shortcut: the press of hot key Index.
    void Press(int index);
    bool OnKey(const QKeyEvent& e);

    TWaylandDesktop Desktop;
    std::function<bool()> Offered;
    mutable std::optional<bool> FOffered;
    bool KeyboardOn = false, MouseOn = false;
    std::unique_ptr<THookBlockWatch> Watch;
    std::unique_ptr<TGlobalShortcuts> Shortcuts;
    int SessionKey = -1;                // the key the portal's session asks for
    std::unique_ptr<QObject> KeyFilter; // while key reports are on
    QObject Context;                    // of the queued calls and the portal's signal
};

std::unique_ptr<TInputHook> CreateWaylandInputHook();
