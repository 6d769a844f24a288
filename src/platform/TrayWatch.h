// Tells when a notification area (tray) appears after the program started:
// on X11 a tray takes the selection _NET_SYSTEM_TRAY_S<screen> and says so to
// the root window; on D-Bus a StatusNotifierWatcher registers its name.
// Both are events, so waiting costs nothing. The in-memory family's watch
// never sees one.
#pragma once

#include <QObject>

class TTrayWatch : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

signals:
    void Appeared();
};

// A new watch from the platform in use (platform/Platform.h), owned by Parent.
TTrayWatch* WatchTray(QObject* parent);
