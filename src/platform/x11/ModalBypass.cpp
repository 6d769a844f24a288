#include "platform/ModalBypass.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QByteArray>
#include <QCursor>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QWidget>
#include <algorithm>
#include <tuple>
#include <vector>

#include <X11/Xlib.h>
#include <X11/extensions/XI2proto.h>
#include <xcb/xcb.h>

namespace {

Qt::MouseButton ButtonOf(uint32_t detail) {
    switch (detail) {
    case 1:
        return Qt::LeftButton;
    case 2:
        return Qt::MiddleButton;
    case 3:
        return Qt::RightButton;
    default:
        return Qt::NoButton; // the wheel
    }
}

// The XInput extension's major opcode on Qt's own connection; 0 without it.
int InputOpcode() {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    int opcode = 0, event = 0, error = 0;
    if (!x11 || !XQueryExtension(x11->display(), "XInputExtension", &opcode, &event, &error))
        return 0;
    return opcode;
}

// One button going down or up on a window.
struct TButtonEvent {
    bool Press = false;
    uint32_t Window = 0, Button = 0, Time = 0;
};

// Qt drops the mouse events of every window that an application-modal
// dialog blocks before any widget sees them; the X events come here first.
// A blocked window of the classes named gets them as Qt would have
// delivered them. Qt takes the pointer through XInput 2 where the server has
// it, else as core events.
class TModalBypass : public QAbstractNativeEventFilter {
public:
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t" || !QApplication::activeModalWidget()) return false;
        TButtonEvent b;
        if (!Read(static_cast<const xcb_generic_event_t*>(message), b)) return false;
        QWidget* target = QWidget::find(WId(b.Window));
        const Qt::MouseButton button = ButtonOf(b.Button);
        if (!target || button == Qt::NoButton ||
            std::find(Classes.begin(), Classes.end(), target->metaObject()->className()) ==
                Classes.end())
            return false;
        // The server reports a click once per device it passes through (the
        // pointer and its master): one of them is the click.
        const auto key = std::tie(b.Press, b.Window, b.Button, b.Time);
        if (key == std::tie(Last.Press, Last.Window, Last.Button, Last.Time)) return true;
        Last = b;
        const QPoint global = QCursor::pos();
        QMouseEvent mouse(b.Press ? QEvent::MouseButtonPress : QEvent::MouseButtonRelease,
                          target->mapFromGlobal(global), global, button,
                          b.Press ? button : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(target, &mouse);
        return true;
    }
    std::vector<QByteArray> Classes;

private:
    bool Read(const xcb_generic_event_t* ev, TButtonEvent& b) const {
        switch (ev->response_type & 0x7F) {
        case XCB_BUTTON_PRESS:
        case XCB_BUTTON_RELEASE: {
            const auto* core = reinterpret_cast<const xcb_button_press_event_t*>(ev);
            b = {(ev->response_type & 0x7F) == XCB_BUTTON_PRESS, core->event, core->detail,
                 core->time};
            return true;
        }
        case XCB_GE_GENERIC: {
            // The fields read lie in the first 32 bytes, where xcb keeps the
            // wire layout (it inserts its full sequence number after them).
            const auto* xi = reinterpret_cast<const xXIDeviceEvent*>(ev);
            if (Opcode == 0 || xi->extension != Opcode ||
                (xi->evtype != XI_ButtonPress && xi->evtype != XI_ButtonRelease))
                return false;
            b = {xi->evtype == XI_ButtonPress, xi->event, xi->detail, xi->time};
            return true;
        }
        default:
            return false;
        }
    }
    int Opcode = InputOpcode();
    TButtonEvent Last;
};

} // namespace

void LetMouseThroughModal(const char* className) {
    static TModalBypass bypass;
    static const bool installed = (qApp->installNativeEventFilter(&bypass), true);
    (void)installed;
    if (std::find(bypass.Classes.begin(), bypass.Classes.end(), className) == bypass.Classes.end())
        bypass.Classes.emplace_back(className);
}
