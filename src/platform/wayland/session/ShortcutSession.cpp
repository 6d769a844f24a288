#include "platform/wayland/session/ShortcutSession.h"

#include <QDBusMessage>
#include <QDBusPendingCall>

#include "platform/wayland/session/PortalRequest.h"

namespace {
constexpr const char* Interface = "org.freedesktop.portal.GlobalShortcuts";
const char* Slot() {
    return SLOT(Activated(QDBusObjectPath, QString, qulonglong, QVariantMap));
}
} // namespace

TShortcutSession::TShortcutSession(QDBusConnection bus, const QString& path,
                                   const QString& shortcut, QObject* parent)
    : QObject(parent), Bus(bus), Path(path), Shortcut(shortcut) {
    Bus.connect(QString(), PortalPath, Interface, "Activated", this, Slot());
}

TShortcutSession::~TShortcutSession() {
    Bus.disconnect(QString(), PortalPath, Interface, "Activated", this, Slot());
    Bus.asyncCall(QDBusMessage::createMethodCall(PortalService, Path,
                                                 "org.freedesktop.portal.Session", "Close"));
}

void TShortcutSession::Activated(const QDBusObjectPath& session, const QString& shortcut,
                                 qulonglong /*timestamp*/, const QVariantMap& /*options*/) {
    if (session.path() == Path && shortcut == Shortcut) emit Pressed();
}
