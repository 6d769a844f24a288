#include "platform/Platform.h"

#include <cstdio>
#include <cstdlib>

namespace {
std::unique_ptr<TPlatform>& Current() {
    static std::unique_ptr<TPlatform> platform;
    return platform;
}
} // namespace

TPlatform& ThePlatform() {
    // The loader (platform/loader) puts the session's family in place at
    // start-up; a service asked for before that is a fault of the program.
    if (!Current()) {
        std::fputs("snaprio: a desktop service was asked for before the platform was loaded\n",
                   stderr);
        std::abort();
    }
    return *Current();
}

std::unique_ptr<TPlatform> UsePlatform(std::unique_ptr<TPlatform> platform) {
    std::swap(platform, Current());
    return platform;
}

TDisplay& TheDisplay() {
    return *ThePlatform().Display;
}

TInputHook& TheInputHook() {
    return *ThePlatform().InputHook;
}

TClipboard& TheClipboard() {
    return *ThePlatform().Clipboard;
}

TUserDialogs& UserDialogs() {
    return *ThePlatform().Dialogs;
}

TTrayWatch* WatchTray(QObject* parent) {
    return ThePlatform().WatchTray(parent);
}

bool OnCurrentDesktop(unsigned long window) {
    return ThePlatform().WindowRequests->OnCurrentDesktop(window);
}

void SetExactTitle(unsigned long window, const QString& title) {
    ThePlatform().WindowRequests->SetExactTitle(window, title);
}
