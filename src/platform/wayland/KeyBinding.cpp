#include "platform/wayland/KeyBinding.h"

#include <string_view>

#include "hook/HotKeyNames.h"

namespace {

struct TSpelling {
    const char *Ctrl, *Alt, *Shift, *Win, *Joint;
};
// sway's modifier names (Mod4 is the logo key); Hyprland's, joined by
// spaces; the portal's (the XDG shortcuts form).
constexpr TSpelling Sway{"Ctrl", "Alt", "Shift", "Mod4", "+"};
constexpr TSpelling Hyprland{"CTRL", "ALT", "SHIFT", "SUPER", " "};
constexpr TSpelling Portal{"CTRL", "ALT", "SHIFT", "LOGO", "+"};

// The key without modifiers as an XKB key symbol name: "F11", "a", "7".
std::string KeySym(const THotKeyCombo& c) {
    switch (c.Kind) {
    case THotKeyKind::Digit:
        return std::string(1, char('0' + c.Key));
    case THotKeyKind::Letter:
        return std::string(1, char('a' + c.Key));
    case THotKeyKind::Function:
        break;
    }
    return "F" + std::to_string(c.Key);
}

std::string Mods(unsigned mods, const TSpelling& s) {
    std::string out;
    const std::pair<unsigned, const char*> order[] = {
        {ModCtrl, s.Ctrl}, {ModAlt, s.Alt}, {ModShift, s.Shift}, {ModWin, s.Win}};
    for (auto [bit, name] : order) {
        if (!(mods & bit)) continue;
        if (!out.empty()) out += s.Joint;
        out += name;
    }
    return out;
}

std::string KeyName(int index) {
    return std::string(HotKeyNames[static_cast<size_t>(index)]);
}

bool Valid(int index) {
    return index >= 0 && index < HotKeyCount;
}

} // namespace

TWaylandDesktop WaylandDesktopOf(const char* currentDesktop) {
    std::string_view list = currentDesktop ? currentDesktop : "";
    while (!list.empty()) {
        const size_t colon = list.find(':');
        const std::string_view name = list.substr(0, colon);
        if (name == "sway") return TWaylandDesktop::Sway;
        if (name == "Hyprland") return TWaylandDesktop::Hyprland;
        if (name == "GNOME") return TWaylandDesktop::Gnome;
        if (name == "KDE") return TWaylandDesktop::Kde;
        if (colon == std::string_view::npos) break;
        list.remove_prefix(colon + 1);
    }
    return TWaylandDesktop::Other;
}

bool PortalKeyFits(TWaylandDesktop desktop) {
    return desktop != TWaylandDesktop::Sway && desktop != TWaylandDesktop::Hyprland;
}

std::string PortalTrigger(int index) {
    if (!Valid(index)) return {};
    const THotKeyCombo c = HotKeyCombo(index);
    const std::string mods = Mods(c.Mods, Portal);
    return mods.empty() ? KeySym(c) : mods + "+" + KeySym(c);
}

std::string KeyBindingAdvice(TWaylandDesktop desktop, int index, bool portal) {
    if (!Valid(index)) return {};
    const THotKeyCombo c = HotKeyCombo(index);
    const std::string key = KeyName(index);
    if (portal)
        return "In this Wayland session the desktop assigns the hot key: confirm " + key +
               " when it asks, and change it later in the desktop's keyboard shortcut settings.";
    switch (desktop) {
    case TWaylandDesktop::Sway: {
        const std::string mods = Mods(c.Mods, Sway);
        return "In this sway session the hot key is sway's: add this line to "
               "~/.config/sway/config and reload sway:\nbindsym " +
               (mods.empty() ? "" : mods + "+") + KeySym(c) + " exec snaprio --show";
    }
    case TWaylandDesktop::Hyprland:
        return "In this Hyprland session the hot key is Hyprland's: add this line to "
               "~/.config/hypr/hyprland.conf:\nbind = " +
               Mods(c.Mods, Hyprland) + ", " + KeySym(c) + ", exec, snaprio --show";
    case TWaylandDesktop::Gnome:
        return "In this GNOME session the hot key is GNOME's: in Settings, Keyboard, View and "
               "Customize Shortcuts, Custom Shortcuts, add one with the command snaprio --show "
               "and the shortcut " +
               key + ".";
    case TWaylandDesktop::Kde:
    case TWaylandDesktop::Other:
        break;
    }
    return "In this Wayland session the desktop owns the hot keys: in its keyboard settings, "
           "add a custom shortcut with the command snaprio --show and the key " +
           key + ".";
}
