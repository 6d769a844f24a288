// KWin's org.kde.KWin.ScreenShot2: each output at its native resolution and
// the active window, the raw pixels through a pipe. KWin serves it only to a
// program that an installed desktop file names.
#pragma once

#include <memory>
#include <vector>

#include "platform/wayland/screen/ScreenSource.h"

// Null when KWin offers no ScreenShot2 on the session bus.
std::unique_ptr<TScreenSource> OpenKWinScreenShot(std::vector<TOutputPlace> layout);
