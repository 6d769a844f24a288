#include "platform/wayland/session/PortalResponse.h"

namespace {
constexpr const char* RequestInterface = "org.freedesktop.portal.Request";
}

TPortalResponse::~TPortalResponse() {
    for (TSubscription& s : Subscriptions)
        s.Bus.disconnect(QString(), s.Path, RequestInterface, "Response", this,
                         SLOT(Response(uint, QVariantMap)));
}

void TPortalResponse::Listen(QDBusConnection bus, const QString& path) {
    if (bus.connect(QString(), path, RequestInterface, "Response", this,
                    SLOT(Response(uint, QVariantMap))))
        Subscriptions.push_back({bus, path});
}

void TPortalResponse::Response(uint code, const QVariantMap& results) {
    if (FDone) return;
    FDone = true;
    FCode = code;
    FResults = results;
    emit Received();
}
