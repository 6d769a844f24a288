// The screen of a Wayland session for the capture program: the first screen
// source the desktop answers on; the screen is every output composed, the
// window in front the source's own picture of it (KWin) or its rectangle
// (sway, Hyprland) cut from the outputs.
#pragma once

#include <memory>
#include <string>

#include "cli/capture/CaptureRun.h"

// Null with Why when the desktop offers no way to take its picture.
std::unique_ptr<TCaptureScreen> OpenWaylandScreen(std::string& why);
