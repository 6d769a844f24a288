#include "platform/x11/X11Platform.h"

#include "platform/Platform.h"
#include "platform/x11/Display.h"
#include "platform/x11/X11Display.h"
#include "platform/x11/X11InputHook.h"
#include "platform/x11/X11Services.h"

std::unique_ptr<TPlatform> BuildX11Platform() {
    auto platform = std::make_unique<TPlatform>();
    platform->Name = "x11";
    // The hooks and the grabbing speak X11; Qt must not choose Wayland.
    platform->QtPlatform = "xcb";
    platform->Display = CreateX11Display();
    platform->InputHook = CreateX11InputHook();
    platform->Clipboard = CreateX11Clipboard();
    platform->WindowRequests = CreateX11WindowRequests();
    platform->Dialogs = CreateQtDialogs();
    platform->Reachable = DisplayAvailable;
    platform->WatchTray = CreateX11TrayWatch;
    return platform;
}
