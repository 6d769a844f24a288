#include "platform/wayland/session/GlobalShortcuts.h"

#include <QDBusObjectPath>

#include "platform/wayland/session/PortalRequest.h"
#include "platform/wayland/session/ShortcutList.h"
#include "platform/wayland/session/ShortcutSession.h"

namespace {

constexpr const char* Interface = "org.freedesktop.portal.GlobalShortcuts";
constexpr const char* CaptureId = "capture";
constexpr std::chrono::seconds SessionTimeout(15);
// The desktop may ask the user to confirm or choose the key.
constexpr std::chrono::minutes BindTimeout(2);

// Whether the portal did Step; the sentence that says why not otherwise.
bool Done(const TPortalAnswer& answer, const QString& step, QString& why) {
    switch (answer.Outcome) {
    case TPortalAnswer::CallFailed:
        why = "The GlobalShortcuts portal could not " + step + ": " + answer.Error;
        return false;
    case TPortalAnswer::TimedOut:
        why = "The GlobalShortcuts portal did not answer when asked to " + step + ".";
        return false;
    case TPortalAnswer::Answered:
        break;
    }
    if (answer.Code == uint(TPortalCode::Success)) return true;
    if (answer.Code == uint(TPortalCode::Cancelled))
        why = "The desktop refused to " + step + ".";
    else
        why = QString("The GlobalShortcuts portal could not %1 (response %2).")
                  .arg(step)
                  .arg(answer.Code);
    return false;
}

} // namespace

bool TGlobalShortcuts::Offered() {
    const QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() && PortalVersion(bus, Interface) > 0;
}

bool TGlobalShortcuts::Start(const QString& trigger, QString& why) {
    RegisterPortalShortcuts();
    delete findChild<TShortcutSession*>();
    QDBusConnection bus = QDBusConnection::sessionBus();
    TPortalShortcut capture{CaptureId, {{"description", "Capture Image"}}};
    if (!trigger.isEmpty()) capture.Properties.insert("preferred_trigger", trigger);
    const QVariant shortcuts = QVariant::fromValue(TPortalShortcuts{capture});

    // Plasma 5.27 takes the shortcuts only from CreateSession's options;
    // the others from BindShortcuts.
    const TPortalAnswer created = CallPortalRequest(
        bus, Interface, "CreateSession", {},
        {{"session_handle_token", NewPortalToken()}, {"shortcuts", shortcuts}}, SessionTimeout);
    if (!Done(created, "open a session for the hot key", why)) return false;
    // A string in the portal's documentation, an object path in older portals.
    const QVariant handle = created.Results.value("session_handle");
    const QString session = handle.canConvert<QDBusObjectPath>()
                                ? handle.value<QDBusObjectPath>().path()
                                : handle.toString();
    if (session.isEmpty()) {
        why = "The GlobalShortcuts portal opened a session without a name.";
        return false;
    }
    // Heard from before the binding: the key may be pressed at once.
    auto* open = new TShortcutSession(bus, session, CaptureId, this);
    connect(open, &TShortcutSession::Pressed, this, &TGlobalShortcuts::Activated);
    const TPortalAnswer bound = CallPortalRequest(
        bus, Interface, "BindShortcuts",
        {QVariant::fromValue(QDBusObjectPath(session)), shortcuts, QString(PortalParentWindow)}, {},
        BindTimeout);
    if (!Done(bound, "bind the hot key", why)) {
        delete open;
        return false;
    }
    return true;
}
