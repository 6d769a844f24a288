// Pictures of the outputs through wlr-screencopy (sway, Hyprland, river,
// Wayfire, labwc), one output at a time at its native resolution, on a
// connection of their own.
#pragma once

#include <memory>

#include "platform/wayland/screen/ScreenSource.h"

// Null when the compositor offers no screencopy (or none is reachable).
std::unique_ptr<TScreenSource> OpenScreencopy();
