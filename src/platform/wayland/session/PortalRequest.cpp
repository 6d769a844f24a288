#include "platform/wayland/session/PortalRequest.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QTimer>

#include "platform/wayland/session/PortalResponse.h"

namespace {

const char* const PortalRequestInterface = "org.freedesktop.portal.Request";
// A portal answers Close at once; one that does not is not waited for long.
constexpr int CloseWaitMs = 1000;

} // namespace

QString PortalRequestPath(const QDBusConnection& bus, const QString& token) {
    QString sender = bus.baseService().mid(1); // ":1.42" → "1_42"
    sender.replace('.', '_');
    return QString(PortalPath) + "/request/" + sender + "/" + token;
}

QString NewPortalToken() {
    return QString("snaprio%1").arg(QRandomGenerator::global()->generate());
}

TPortalAnswer CallPortalRequest(QDBusConnection bus, const QString& interface,
                                const QString& method, QVariantList args, QVariantMap options,
                                std::chrono::milliseconds timeout) {
    const QString token = NewPortalToken();
    options.insert("handle_token", token);
    TPortalResponse response;
    QEventLoop loop;
    QObject::connect(&response, &TPortalResponse::Received, &loop, &QEventLoop::quit);
    const QString expected = PortalRequestPath(bus, token);
    response.Listen(bus, expected);

    QDBusMessage call =
        QDBusMessage::createMethodCall(PortalService, PortalPath, interface, method);
    args.append(options);
    call.setArguments(args);
    const QDBusMessage reply = bus.call(call, QDBus::Block, int(timeout.count()));
    TPortalAnswer answer;
    if (reply.type() != QDBusMessage::ReplyMessage) {
        answer.Outcome = TPortalAnswer::CallFailed;
        answer.Error = reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage();
        return answer;
    }
    // A portal older than the handle_token option makes a path of its own.
    const QString handle = reply.arguments().value(0).value<QDBusObjectPath>().path();
    if (!handle.isEmpty() && handle != expected) response.Listen(bus, handle);

    if (!response.Done()) {
        QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (!response.Done()) {
        // Closed, so that a late answer shows no dialog and leaves no file.
        const QDBusMessage close = QDBusMessage::createMethodCall(
            PortalService, handle.isEmpty() ? expected : handle, PortalRequestInterface, "Close");
        bus.call(close, QDBus::Block, CloseWaitMs);
        return answer;
    }
    answer.Outcome = TPortalAnswer::Answered;
    answer.Code = response.Code();
    answer.Results = response.Results();
    return answer;
}

uint PortalVersion(QDBusConnection bus, const QString& interface) {
    QDBusMessage get = QDBusMessage::createMethodCall(PortalService, PortalPath,
                                                      "org.freedesktop.DBus.Properties", "Get");
    get.setArguments({interface, QString("version")});
    const QDBusMessage reply = bus.call(get, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return 0;
    return reply.arguments().first().value<QDBusVariant>().variant().toUInt();
}
