#include "platform/wayland/session/PortalScreenshot.h"

#include <QDBusConnection>
#include <QUrl>
#include <cstdio>

#include "imaging/core/PngReader.h"
#include "platform/wayland/session/LayoutCut.h"
#include "platform/wayland/session/PortalRequest.h"

namespace {

constexpr const char* ScreenshotInterface = "org.freedesktop.portal.Screenshot";

// A PNG's pixels as 0xffRRGGBB. Alpha is left aside: the picture is
// transparent only where no output lies, and along an output's border where
// the desktop's filter, enlarging it, met that outside; the colour stored
// there is still the output's own.
TOutputPicture ReadPicture(const std::string& file) {
    TPngRows rows(file);
    TOutputPicture p;
    p.Width = rows.Width;
    p.Height = rows.Height;
    p.Pixels.resize(size_t(p.Width) * size_t(p.Height));
    for (int y = 0; y < p.Height; ++y) {
        const uint8_t* s = rows.Row(y);
        uint32_t* d = p.Pixels.data() + size_t(y) * size_t(p.Width);
        for (int x = 0; x < p.Width; ++x) {
            uint32_t rgb = 0;
            switch (rows.Format) {
            case TRowFormat::Rgb24:
                rgb = uint32_t(s[3 * x]) << 16 | s[3 * x + 1] << 8 | s[3 * x + 2];
                break;
            case TRowFormat::Bgra32:
            case TRowFormat::Bgrx32:
                rgb = uint32_t(s[4 * x + 2]) << 16 | s[4 * x + 1] << 8 | s[4 * x];
                break;
            case TRowFormat::Bgr24:
                rgb = uint32_t(s[3 * x + 2]) << 16 | s[3 * x + 1] << 8 | s[3 * x];
                break;
            case TRowFormat::Index8:
                rgb = s[x] < rows.ColorTable.size() ? rows.ColorTable[s[x]] : 0;
                break;
            }
            d[x] = 0xff000000u | rgb;
        }
    }
    return p;
}

// The portal leaves the picture in a file of the caller's: it goes as soon
// as it is read, or could not be.
struct TRemoveFile {
    std::string Name;
    ~TRemoveFile() { std::remove(Name.c_str()); }
};

class TPortalScreenshot : public TScreenSource {
public:
    TPortalScreenshot(std::vector<TOutputPlace> layout, std::chrono::milliseconds timeout)
        : Layout(std::move(layout)), Timeout(timeout) {}
    const char* Name() const override { return "the Screenshot portal"; }
    TShot Shoot() override;

private:
    std::vector<TOutputPlace> Layout;
    std::chrono::milliseconds Timeout;
};

TShot TPortalScreenshot::Shoot() {
    const TPortalAnswer answer = CallPortalRequest(
        QDBusConnection::sessionBus(), ScreenshotInterface, "Screenshot",
        {QString(PortalParentWindow)}, {{"interactive", false}, {"modal", false}}, Timeout);
    switch (answer.Outcome) {
    case TPortalAnswer::CallFailed:
        throw EShotError("The Screenshot portal failed: " + answer.Error.toStdString());
    case TPortalAnswer::TimedOut: {
        const auto seconds = (Timeout.count() + 999) / 1000;
        throw EShotError("The Screenshot portal did not answer within " + std::to_string(seconds) +
                         (seconds == 1 ? " second." : " seconds."));
    }
    case TPortalAnswer::Answered:
        break;
    }
    if (answer.Code == uint(TPortalCode::Cancelled))
        throw EShotError(
            "The desktop refused the screenshot. It asks once and remembers the answer: allow "
            "screenshots in the desktop's privacy settings, or run "
            "\"flatpak permission-set screenshot screenshot '' yes\".");
    if (answer.Code != uint(TPortalCode::Success))
        throw EShotError("The Screenshot portal ended without a picture (response " +
                         std::to_string(answer.Code) + ").");
    const QUrl uri(answer.Results.value("uri").toString());
    if (!uri.isLocalFile())
        throw EShotError("The Screenshot portal gave no picture file (\"" +
                         uri.toString().toStdString() + "\").");
    const TRemoveFile file{uri.toLocalFile().toStdString()};
    TOutputPicture whole;
    try {
        whole = ReadPicture(file.Name);
    } catch (const EImageError& e) {
        throw EShotError("The Screenshot portal's picture cannot be read: " +
                         std::string(e.what()));
    }
    whole.Logical = LayoutBoundsOf(Layout);
    return CutLayout(whole, Layout);
}

} // namespace

std::unique_ptr<TScreenSource> OpenPortalScreenshot(std::vector<TOutputPlace> layout,
                                                    std::chrono::milliseconds timeout) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || PortalVersion(bus, ScreenshotInterface) == 0) return nullptr;
    return std::make_unique<TPortalScreenshot>(std::move(layout), timeout);
}
