#include "platform/WinMessages.h"

#include <QCoreApplication>
#include <QPointer>
#include <mutex>
#include <unordered_map>

namespace {

std::mutex Lock;
std::unordered_map<HWND, QPointer<QObject>>& Handles() {
    static std::unordered_map<HWND, QPointer<QObject>> map;
    return map;
}
HWND NextHandle = 0x10;

} // namespace

QEvent::Type TWinMessageEvent::EventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

HWND RegisterWindow(QObject* receiver) {
    std::lock_guard g(Lock);
    HWND h = NextHandle;
    NextHandle += 4;
    Handles()[h] = receiver;
    return h;
}

void UnregisterWindow(HWND handle) {
    std::lock_guard g(Lock);
    Handles().erase(handle);
}

bool PostMessage(HWND handle, uint32_t msg, int32_t wParam, int32_t lParam) {
    std::lock_guard g(Lock);
    auto it = Handles().find(handle);
    if (it == Handles().end() || it->second.isNull()) return false;
    QCoreApplication::postEvent(it->second.data(), new TWinMessageEvent({msg, wParam, lParam}));
    return true;
}
