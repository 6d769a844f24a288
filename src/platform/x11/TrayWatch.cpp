#include "platform/x11/X11Services.h"

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QSocketNotifier>
#include <memory>
#include <string>

#include <X11/Xlib.h>

namespace {

struct TX11 {
    explicit TX11(Display* dpy) : Dpy(dpy) {}
    ~TX11() { XCloseDisplay(Dpy); }
    Display* Dpy;
    Atom Manager = 0, Selection = 0;
    std::unique_ptr<QSocketNotifier> Notifier;
};

class TX11TrayWatch : public TTrayWatch {
public:
    explicit TX11TrayWatch(QObject* parent);

private:
    std::unique_ptr<TX11> X11;
};

TX11TrayWatch::TX11TrayWatch(QObject* parent) : TTrayWatch(parent) {
    if (Display* dpy = XOpenDisplay(nullptr)) {
        X11 = std::make_unique<TX11>(dpy);
        X11->Manager = XInternAtom(dpy, "MANAGER", False);
        const std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(DefaultScreen(dpy));
        X11->Selection = XInternAtom(dpy, name.c_str(), False);
        // A new selection owner announces itself to the root window's
        // StructureNotify listeners.
        XSelectInput(dpy, DefaultRootWindow(dpy), StructureNotifyMask);
        XFlush(dpy);
        X11->Notifier =
            std::make_unique<QSocketNotifier>(ConnectionNumber(dpy), QSocketNotifier::Read);
        connect(X11->Notifier.get(), &QSocketNotifier::activated, this, [this] {
            bool appeared = false;
            while (XPending(X11->Dpy)) {
                XEvent ev;
                XNextEvent(X11->Dpy, &ev);
                appeared = appeared ||
                           (ev.type == ClientMessage && ev.xclient.message_type == X11->Manager &&
                            Atom(ev.xclient.data.l[1]) == X11->Selection);
            }
            if (appeared) emit Appeared();
        });
    }
    auto* bus =
        new QDBusServiceWatcher("org.kde.StatusNotifierWatcher", QDBusConnection::sessionBus(),
                                QDBusServiceWatcher::WatchForRegistration, this);
    connect(bus, &QDBusServiceWatcher::serviceRegistered, this, &TTrayWatch::Appeared);
}

} // namespace

TTrayWatch* CreateX11TrayWatch(QObject* parent) {
    return new TX11TrayWatch(parent);
}
