// org.freedesktop.portal.Screenshot, non-interactive: one picture of the
// whole layout in a file, cut into the outputs by their logical geometry.
#pragma once

#include <chrono>
#include <memory>
#include <vector>

#include "platform/wayland/screen/ScreenSource.h"

// Null when no portal offers Screenshot on the session bus. A shot waits
// up to Timeout for the portal's answer (a QCoreApplication must exist).
std::unique_ptr<TScreenSource>
OpenPortalScreenshot(std::vector<TOutputPlace> layout,
                     std::chrono::milliseconds timeout = std::chrono::seconds(15));
