// One call of an xdg-desktop-portal method that answers through a Request
// object: the call returns the request's path at once, the result comes
// later as the request's Response signal, sent only to the caller.
#pragma once

#include <QDBusConnection>
#include <QString>
#include <QVariantList>
#include <QVariantMap>
#include <chrono>

inline constexpr const char* PortalService = "org.freedesktop.portal.Desktop";
inline constexpr const char* PortalPath = "/org/freedesktop/portal/desktop";
// The window a portal's dialog belongs to. xdg-desktop-portal-gnome from 46
// refuses an empty one; a program without a window of its own names only
// its platform.
inline constexpr const char* PortalParentWindow = "wayland:";

// The codes of a Response.
enum class TPortalCode : uint { Success = 0, Cancelled = 1, Ended = 2 };

struct TPortalAnswer {
    enum TOutcome { Answered, CallFailed, TimedOut };
    TOutcome Outcome = TimedOut;
    uint Code = uint(TPortalCode::Ended);
    QVariantMap Results;
    QString Error; // CallFailed: the D-Bus error's message
};

// The path the portal gives the request of Token made on Bus.
QString PortalRequestPath(const QDBusConnection& bus, const QString& token);
// A token of the form the portal accepts, new on every call.
QString NewPortalToken();

// Calls Method of the portal's Interface with Args followed by Options, to
// which it adds a fresh handle_token. The Response is subscribed before the
// call, so it cannot pass unheard; then waits up to Timeout in a local event
// loop (a QCoreApplication must exist).
TPortalAnswer CallPortalRequest(QDBusConnection bus, const QString& interface,
                                const QString& method, QVariantList args, QVariantMap options,
                                std::chrono::milliseconds timeout);

// The value of the portal Interface's "version" property; 0 when the portal
// does not offer Interface.
uint PortalVersion(QDBusConnection bus, const QString& interface);
