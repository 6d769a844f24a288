// The hot key through org.freedesktop.portal.GlobalShortcuts (KDE Plasma
// from 5.27, GNOME from 48, Hyprland): one session whose one shortcut asks
// for the configured key; the desktop assigns it, and Activated says it was
// pressed.
#pragma once

#include <QObject>
#include <QString>

class TGlobalShortcuts : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // Whether a portal on the session bus offers GlobalShortcuts.
    static bool Offered();
    // Opens the session and binds the capture shortcut with Trigger as the
    // preferred key (the portal's form: "F11", "CTRL+SHIFT+F11"). False with
    // Why when the portal refuses or does not answer.
    bool Start(const QString& trigger, QString& why);

signals:
    void Activated();
};
