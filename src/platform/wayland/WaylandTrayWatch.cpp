// A tray in a Wayland session is a StatusNotifierWatcher on the session bus
// (a bar, a panel, an extension): there is no X11 tray to watch for.
#include <QDBusConnection>
#include <QDBusServiceWatcher>

#include "platform/wayland/WaylandServices.h"

TTrayWatch* CreateWaylandTrayWatch(QObject* parent) {
    auto* watch = new TTrayWatch(parent);
    auto* bus =
        new QDBusServiceWatcher("org.kde.StatusNotifierWatcher", QDBusConnection::sessionBus(),
                                QDBusServiceWatcher::WatchForRegistration, watch);
    QObject::connect(bus, &QDBusServiceWatcher::serviceRegistered, watch, &TTrayWatch::Appeared);
    return watch;
}
