// Tells when a notification area (tray) appears after the program started:
// on X11 a tray takes the selection _NET_SYSTEM_TRAY_S<screen> and says so to
// the root window; on D-Bus a StatusNotifierWatcher registers its name.
// Both are events, so waiting costs nothing.
#pragma once

#include <QObject>
#include <memory>

class TTrayWatch : public QObject {
    Q_OBJECT
public:
    explicit TTrayWatch(QObject* parent = nullptr);
    ~TTrayWatch() override;

signals:
    void Appeared();

private:
    struct TX11;
    std::unique_ptr<TX11> X11;
};
