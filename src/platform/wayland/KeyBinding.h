// How the hot key reaches the program in a Wayland session, where no client
// may grab a key: the GlobalShortcuts portal where the desktop's own
// back-end offers it, else `snaprio --show` bound in the desktop's settings.
// The key's spelling for each of them, and what the user is told. Qt-free.
#pragma once

#include <string>

enum class TWaylandDesktop { Sway, Hyprland, Gnome, Kde, Other };

// From XDG_CURRENT_DESKTOP (a colon-separated list, "ubuntu:GNOME"); null or
// empty: Other.
TWaylandDesktop WaylandDesktopOf(const char* currentDesktop);

// Whether the desktop's own back-end serves the GlobalShortcuts portal
// (Plasma, GNOME from 48) when the portal is offered: wlroots desktops have
// none of their own, and Hyprland's fires only for keys bound in its file.
bool PortalKeyFits(TWaylandDesktop desktop);

// Hot key Index (0..237) as the portal's preferred trigger: "CTRL+SHIFT+F11".
std::string PortalTrigger(int index);

// What the user does in the desktop so that hot key Index starts a capture,
// in sentences; the configuration line on a line of its own. Portal: the
// portal session is open, and the desktop assigns the key.
std::string KeyBindingAdvice(TWaylandDesktop desktop, int index, bool portal);
