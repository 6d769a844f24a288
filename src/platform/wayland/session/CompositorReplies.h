// The window in front as a compositor's IPC reply tells it: sway's tree
// (GET_TREE) and Hyprland's "j/activewindow". Pure: the replies are read,
// not asked for, so the tests feed recorded ones.
#pragma once

#include <QByteArray>
#include <optional>
#include <string>

#include "platform/wayland/session/WindowRects.h"

// The focused window of a sway (or i3) tree. Its "rect" leaves out the
// title bar ("deco_rect", whose height is added above it); "window_rect" is
// the client area relative to "rect". Nullopt with Why when the focus is on
// no window (an empty workspace) or the reply is no tree.
std::optional<TWindowRects> FocusedSwayWindow(const QByteArray& tree, std::string& why);

// Hyprland's active window: "at" and "size". Hyprland tells no frame apart
// from the client area (its borders lie outside that rectangle and belong to
// no window), so both rectangles are the same. Nullopt with Why for "{}" (no
// window has the focus) or a reply that is no window.
std::optional<TWindowRects> ActiveHyprlandWindow(const QByteArray& reply, std::string& why);
