// The desktop's services for this session, all from one family (X11; in
// memory for tests), put in place once at start-up by the loader
// (platform/loader/PlatformLoader.h). The rest of the program reaches them through each
// interface's accessor: TheDisplay(), TheInputHook(), TheClipboard(),
// UserDialogs(), WatchTray() and the window requests.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <type_traits>

#include "platform/Clipboard.h"
#include "platform/Display.h"
#include "platform/InputHook.h"
#include "platform/TrayWatch.h"
#include "platform/UserDialogs.h"
#include "platform/WindowRequests.h"

class QObject;

struct TPlatform {
    std::string Name;       // "x11", "memory"
    std::string QtPlatform; // the Qt platform plug-in its widgets need: "xcb"
    std::unique_ptr<TDisplay> Display;
    std::unique_ptr<TInputHook> InputHook;
    std::unique_ptr<TClipboard> Clipboard;
    std::unique_ptr<TWindowRequests> WindowRequests;
    std::unique_ptr<TUserDialogs> Dialogs;
    // Whether the desktop answers, asked before Qt starts and without keeping
    // a connection of its own open.
    std::function<bool()> Reachable;
    // A new watch for a tray that appears later, owned by Parent.
    std::function<TTrayWatch*(QObject* parent)> WatchTray;

    // The member that holds the service of interface T.
    template <class T> std::unique_ptr<T>& Slot() {
        if constexpr (std::is_same_v<T, TDisplay>)
            return Display;
        else if constexpr (std::is_same_v<T, TInputHook>)
            return InputHook;
        else if constexpr (std::is_same_v<T, TClipboard>)
            return Clipboard;
        else if constexpr (std::is_same_v<T, TWindowRequests>)
            return WindowRequests;
        else
            return Dialogs;
    }
};

// The platform in use. Code that runs before any choice (the programs choose
// at start-up) meets the X11 family, whose services say when there is no
// display.
TPlatform& ThePlatform();
// Puts Platform in place and gives back the one it replaces.
std::unique_ptr<TPlatform> UsePlatform(std::unique_ptr<TPlatform> platform);
