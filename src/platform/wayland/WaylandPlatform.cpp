#include "platform/wayland/WaylandPlatform.h"

#include <wayland-client-core.h>

#include "platform/Platform.h"
#include "platform/wayland/WaylandClipboard.h"
#include "platform/wayland/WaylandDisplay.h"
#include "platform/wayland/WaylandInputHook.h"
#include "platform/wayland/WaylandServices.h"

bool WaylandReachable() {
    wl_display* display = wl_display_connect(nullptr);
    if (!display) return false;
    wl_display_disconnect(display);
    return true;
}

std::unique_ptr<TPlatform> BuildWaylandPlatform() {
    auto platform = std::make_unique<TPlatform>();
    platform->Name = "wayland";
    // Qt's windows must be the compositor's own: under Xwayland they would
    // be unplaceable and the program's input there deaf to Wayland windows.
    platform->QtPlatform = "wayland";
    platform->Display = std::make_unique<TWaylandDisplay>();
    platform->InputHook = CreateWaylandInputHook();
    platform->Clipboard = CreateWaylandClipboard();
    platform->WindowRequests = CreateWaylandWindowRequests();
    platform->Dialogs = CreateQtDialogs();
    platform->Reachable = WaylandReachable;
    platform->WatchTray = CreateWaylandTrayWatch;
    return platform;
}
