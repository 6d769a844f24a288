#include "platform/Platform.h"

#include "platform/PlatformFamilies.h"

namespace {
std::unique_ptr<TPlatform>& Current() {
    static std::unique_ptr<TPlatform> platform;
    return platform;
}
} // namespace

TPlatform& ThePlatform() {
    if (!Current()) Current() = BuildX11Platform();
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
