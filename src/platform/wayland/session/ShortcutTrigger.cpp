#include "platform/wayland/session/ShortcutTrigger.h"

#include "hook/HotKeyNames.h"

std::string PortalTrigger(int captureKey) {
    if (captureKey < 0 || captureKey >= HotKeyCount) return {};
    const THotKeyCombo combo = HotKeyCombo(captureKey);
    std::string trigger;
    const struct {
        unsigned Mod;
        const char* Name;
    } mods[] = {{ModCtrl, "CTRL+"}, {ModAlt, "ALT+"}, {ModShift, "SHIFT+"}, {ModWin, "LOGO+"}};
    for (const auto& m : mods)
        if (combo.Mods & m.Mod) trigger += m.Name;
    switch (combo.Kind) {
    case THotKeyKind::Digit:
        return trigger + char('0' + combo.Key);
    case THotKeyKind::Letter: // the key's own symbol, unshifted
        return trigger + char('a' + combo.Key);
    case THotKeyKind::Function:
        return trigger + "F" + std::to_string(combo.Key);
    }
    return {};
}
