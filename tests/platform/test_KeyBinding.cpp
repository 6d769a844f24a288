// The hot key in a Wayland session: the desktop from XDG_CURRENT_DESKTOP, the
// portal's trigger, and the line or steps that bind `snaprio --show`.
#include <gtest/gtest.h>
#include <string>

#include "hook/HotKeyNames.h"
#include "platform/wayland/KeyBinding.h"

namespace {

// The index of a name of the table.
int Key(std::string_view name) {
    for (int k = 0; k < HotKeyCount; ++k)
        if (HotKeyNames[size_t(k)] == name) return k;
    return -1;
}

std::string LastLine(const std::string& text) {
    return text.substr(text.rfind('\n') + 1);
}

} // namespace

TEST(KeyBinding, TheDesktopAndWhetherItsOwnPortalGivesTheKey) {
    const std::pair<const char*, TWaylandDesktop> desktops[] = {
        {"sway", TWaylandDesktop::Sway},          {"Hyprland", TWaylandDesktop::Hyprland},
        {"ubuntu:GNOME", TWaylandDesktop::Gnome}, {"KDE", TWaylandDesktop::Kde},
        {"swayfx", TWaylandDesktop::Other},       {"", TWaylandDesktop::Other},
        {nullptr, TWaylandDesktop::Other},        {"X-Cinnamon:", TWaylandDesktop::Other}};
    for (auto [value, desktop] : desktops)
        EXPECT_EQ(WaylandDesktopOf(value), desktop) << (value ? value : "(unset)");
    EXPECT_FALSE(PortalKeyFits(TWaylandDesktop::Sway)) << "wlroots has no back-end of its own";
    EXPECT_FALSE(PortalKeyFits(TWaylandDesktop::Hyprland)) << "its keys are bound in its file";
    EXPECT_TRUE(PortalKeyFits(TWaylandDesktop::Kde));
    EXPECT_TRUE(PortalKeyFits(TWaylandDesktop::Gnome));
}

TEST(KeyBinding, TriggersAndLinesSpellEachModifierTheDesktopsWay) {
    struct TCase {
        std::string_view Name;
        std::string Trigger, Sway, Hyprland;
    };
    const TCase cases[] = {
        {"F11", "F11", "bindsym F11 exec snaprio --show", "bind = , F11, exec, snaprio --show"},
        {"Ctrl+7", "CTRL+7", "bindsym Ctrl+7 exec snaprio --show",
         "bind = CTRL, 7, exec, snaprio --show"},
        {"Ctrl+Shift+F11", "CTRL+SHIFT+F11", "bindsym Ctrl+Shift+F11 exec snaprio --show",
         "bind = CTRL SHIFT, F11, exec, snaprio --show"},
        {"Ctrl+Alt+A", "CTRL+ALT+a", "bindsym Ctrl+Alt+a exec snaprio --show",
         "bind = CTRL ALT, a, exec, snaprio --show"},
        {"Win+Alt+F12", "ALT+LOGO+F12", "bindsym Alt+Mod4+F12 exec snaprio --show",
         "bind = ALT SUPER, F12, exec, snaprio --show"},
    };
    for (const TCase& c : cases) {
        const int k = Key(c.Name);
        ASSERT_GE(k, 0) << c.Name;
        EXPECT_EQ(PortalTrigger(k), c.Trigger) << c.Name;
        const std::string sway = KeyBindingAdvice(TWaylandDesktop::Sway, k, false);
        EXPECT_EQ(LastLine(sway), c.Sway);
        EXPECT_NE(sway.find("~/.config/sway/config"), std::string::npos) << sway;
        const std::string hypr = KeyBindingAdvice(TWaylandDesktop::Hyprland, k, false);
        EXPECT_EQ(LastLine(hypr), c.Hyprland);
        EXPECT_NE(hypr.find("~/.config/hypr/hyprland.conf"), std::string::npos) << hypr;
        // Elsewhere the steps name the command and the key.
        for (TWaylandDesktop d : {TWaylandDesktop::Gnome, TWaylandDesktop::Other}) {
            const std::string steps = KeyBindingAdvice(d, k, false);
            EXPECT_NE(steps.find("snaprio --show"), std::string::npos) << steps;
            EXPECT_NE(steps.find(std::string(c.Name)), std::string::npos) << steps;
        }
        EXPECT_NE(KeyBindingAdvice(TWaylandDesktop::Kde, k, true).find("the desktop assigns"),
                  std::string::npos);
    }
    EXPECT_EQ(PortalTrigger(HotKeyCount), "");
    EXPECT_EQ(KeyBindingAdvice(TWaylandDesktop::Sway, -1, false), "");
}
