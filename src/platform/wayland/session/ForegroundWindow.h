// The window in front, where the desktop tells it: sway's IPC (the focused
// node's rect and window_rect), Hyprland's IPC (activewindow). GNOME tells
// no program.
#pragma once

#include <optional>
#include <string>

#include "platform/wayland/session/WindowRects.h"

// Nullopt with Why (a sentence for "Nothing was captured: ...") when the
// desktop cannot tell or no window is in front.
std::optional<TWindowRects> ForegroundWindow(std::string& why);
