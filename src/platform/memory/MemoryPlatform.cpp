#include "platform/memory/MemoryPlatform.h"

#include "platform/Platform.h"
#include "platform/memory/MemoryDisplay.h"
#include "platform/memory/MemoryInputHook.h"
#include "platform/memory/MemoryServices.h"

std::unique_ptr<TPlatform> BuildMemoryPlatform() {
    auto platform = std::make_unique<TPlatform>();
    platform->Name = "memory";
    // Widgets are drawn, never shown: no display server is needed.
    platform->QtPlatform = "offscreen";
    platform->Display = std::make_unique<TMemoryDisplay>();
    platform->InputHook = std::make_unique<TMemoryInputHook>();
    platform->Clipboard = std::make_unique<TMemoryClipboard>();
    platform->WindowRequests = std::make_unique<TMemoryWindowRequests>();
    platform->Dialogs = std::make_unique<TMemoryDialogs>();
    platform->Reachable = [] { return true; };
    platform->WatchTray = [](QObject* parent) { return new TTrayWatch(parent); };
    return platform;
}
