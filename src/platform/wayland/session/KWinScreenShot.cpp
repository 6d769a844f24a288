#include "platform/wayland/session/KWinScreenShot.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <cmath>
#include <fcntl.h>
#include <unistd.h>

#include "platform/wayland/session/PipeReader.h"
#include "platform/wayland/session/RawPixels.h"

namespace {

constexpr const char* Service = "org.kde.KWin.ScreenShot2";
constexpr const char* Path = "/org/kde/KWin/ScreenShot2";
constexpr const char* Interface = "org.kde.KWin.ScreenShot2";
constexpr const char* NotAuthorized = "org.kde.KWin.ScreenShot2.Error.NoAuthorized";
constexpr std::chrono::seconds Timeout(15);

// Calls Method with Args and the writing end of a pipe; the picture KWin
// writes into it, as the results describe it, and its native pixels per
// logical pixel.
TOutputPicture Capture(const QString& method, const QVariantList& args, const std::string& what,
                       double& scale) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) throw EShotError("No pipe for KWin's picture of " + what + ".");
    TPipeReader reader(fds[0], Timeout);
    QDBusMessage reply;
    {
        // The message and the descriptor hold copies of the writing end; the
        // reader sees the end of the data only once they and KWin's are closed.
        const QDBusUnixFileDescriptor writeEnd(fds[1]);
        close(fds[1]);
        QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface, method);
        QVariantList withPipe = args;
        withPipe.append(QVariant::fromValue(writeEnd));
        call.setArguments(withPipe);
        reply = QDBusConnection::sessionBus().call(call, QDBus::Block,
                                                   int(std::chrono::milliseconds(Timeout).count()));
    }
    std::vector<uint8_t> bytes;
    const bool complete = reader.Finish(bytes);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        if (reply.errorName() == NotAuthorized)
            throw EShotError(
                "KWin refused the screenshot: it serves only a program that an installed desktop "
                "file names (X-KDE-DBUS-Restricted-Interfaces=org.kde.KWin.ScreenShot2, as the "
                "program's own desktop file does). Install the program and run the installed "
                "copy.");
        throw EShotError("KWin could not take the picture of " + what + ": " +
                         reply.errorMessage().toStdString());
    }
    const QVariantMap results = qdbus_cast<QVariantMap>(reply.arguments().value(0));
    if (!complete) throw EShotError("KWin did not send the whole picture of " + what + " in time.");
    TRawPicture raw;
    raw.Width = results.value("width").toInt();
    raw.Height = results.value("height").toInt();
    raw.Stride = results.value("stride").toUInt();
    raw.Format = results.value("format").toUInt();
    raw.Bytes = std::move(bytes);
    std::string why;
    TOutputPicture picture;
    picture.Pixels = RawToBgrx(raw, why);
    if (picture.Pixels.empty()) throw EShotError("KWin sent " + why + " for " + what + ".");
    picture.Width = raw.Width;
    picture.Height = raw.Height;
    scale = results.value("scale", 1.0).toDouble();
    if (!(scale > 0)) scale = 1;
    return picture;
}

class TKWinScreenShot : public TScreenSource {
public:
    explicit TKWinScreenShot(std::vector<TOutputPlace> layout) : Layout(std::move(layout)) {}
    const char* Name() const override { return "KWin"; }
    TShot Shoot() override;
    std::optional<TOutputPicture> ShootForeground(bool withFrame) override;

private:
    std::vector<TOutputPlace> Layout;
};

TShot TKWinScreenShot::Shoot() {
    TShot shot;
    const QVariantMap options{{"native-resolution", true}, {"include-cursor", false}};
    for (const TOutputPlace& place : Layout) {
        const QString name = QString::fromStdString(place.Name);
        double scale;
        TOutputPicture p =
            Capture("CaptureScreen", {name, options}, "the output " + place.Name, scale);
        p.Name = place.Name;
        p.Logical = place.Logical;
        shot.push_back(std::move(p));
    }
    return shot;
}

std::optional<TOutputPicture> TKWinScreenShot::ShootForeground(bool withFrame) {
    // Without its shadow: only the window, and its frame when asked for.
    const QVariantMap options{{"include-decoration", withFrame},
                              {"include-shadow", false},
                              {"include-cursor", false},
                              {"native-resolution", true}};
    double scale;
    TOutputPicture p = Capture("CaptureActiveWindow", {options}, "the active window", scale);
    // KWin tells the window's size, not where it lies.
    p.Logical = {0, 0, int(std::lround(p.Width / scale)), int(std::lround(p.Height / scale))};
    return p;
}

} // namespace

std::unique_ptr<TScreenSource> OpenKWinScreenShot(std::vector<TOutputPlace> layout) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(Service)) return nullptr;
    return std::make_unique<TKWinScreenShot>(std::move(layout));
}
