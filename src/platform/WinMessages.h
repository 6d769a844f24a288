// Window handles and posted messages. A receiver registers itself for a
// 32-bit handle; posting queues a TWinMessageEvent on the UI thread's event
// loop, as PostMessage queues a window message.
#pragma once

#include <QEvent>
#include <cstdint>

class QObject;

using HWND = uint32_t;
constexpr uint32_t WM_USER = 0x400;

struct TMessage {
    uint32_t Msg;
    int32_t WParam;
    int32_t LParam;
    bool operator==(const TMessage&) const = default;
};

class TWinMessageEvent : public QEvent {
public:
    static QEvent::Type EventType();
    explicit TWinMessageEvent(TMessage m) : QEvent(EventType()), Message(m) {}
    TMessage Message;
};

// A new handle for Receiver, never 0 and never reused while the program runs.
HWND RegisterWindow(QObject* receiver);
void UnregisterWindow(HWND handle);

// Queues the message for the handle's receiver; false for an unknown handle.
// Safe from any thread.
bool PostMessage(HWND handle, uint32_t msg, int32_t wParam, int32_t lParam);
