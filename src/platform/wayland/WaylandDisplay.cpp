#include "platform/wayland/WaylandDisplay.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/types/GrabFailure.h"
#include "platform/wayland/screen/ShotCompose.h"
#include "platform/wayland/screen/WaylandOutputs.h"
#include "platform/wayland/session/ForegroundWindow.h"
#include "platform/wayland/session/ScreenSources.h"

namespace {

TRect Moved(const TRect& r, int dx, int dy) {
    return {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
}

// The layout's bounding rectangle from the outputs the compositor lists.
TRect LayoutOf(const std::vector<TOutputPlace>& places) {
    TShot shot;
    for (const TOutputPlace& p : places) shot.push_back({p.Name, p.Logical, 0, 0, {}});
    return LayoutBounds(shot);
}

QImage PictureOf(const TOutputPicture& p) {
    if (p.Width <= 0 || p.Height <= 0 || p.Pixels.size() < size_t(p.Width) * size_t(p.Height))
        return {};
    QImage image(p.Width, p.Height, QImage::Format_RGB32);
    for (int y = 0; y < p.Height; ++y)
        std::memcpy(image.scanLine(y), p.Pixels.data() + size_t(y) * size_t(p.Width),
                    size_t(p.Width) * sizeof(uint32_t));
    return image;
}

} // namespace

TWaylandDisplay::TWaylandDisplay() = default;
TWaylandDisplay::~TWaylandDisplay() = default;

TRect TWaylandDisplay::Bounds() {
    try {
        return LayoutOf(ListOutputs());
    } catch (const EShotError&) {
        return {};
    }
}

bool TWaylandDisplay::Available() {
    return !Bounds().Empty();
}

// While a selection lasts, the screen is the frozen one.
int TWaylandDisplay::ScreenWidth() {
    return Selection.Active() ? Selection.Size().width() : Bounds().Width();
}

int TWaylandDisplay::ScreenHeight() {
    return Selection.Active() ? Selection.Size().height() : Bounds().Height();
}

double TWaylandDisplay::Dpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInch() : 96;
}

TScreenSource* TWaylandDisplay::Source() {
    if (!FSource) {
        std::string why;
        FSource = FindScreenSource(why);
        if (!FSource) Why = NothingCapturedBecause(why);
    }
    return FSource.get();
}

QImage TWaylandDisplay::Grab(const TRect& r) {
    if (r.Empty()) return {};
    if (Selection.Active()) return Selection.Grab(r);
    if (!WindowPicture.isNull() && Window == r) return WindowPicture;
    if (!ClientPicture.isNull() && Client == r) return ClientPicture;
    Why.clear();
    TScreenSource* source = Source();
    if (!source) return {};
    try {
        const TShot shot = source->Shoot();
        const TRect bounds = LayoutBounds(shot);
        return PictureOf(ComposeArea(shot, Moved(r, bounds.Left, bounds.Top)));
    } catch (const EShotError& e) {
        Why = NothingCapturedBecause(e.what());
        // The desktop may have changed under the source (a compositor
        // restarted): look for one again next time.
        FSource.reset();
        return {};
    }
}

void TWaylandDisplay::NoteForeground() {
    // Asked now, before the program's own window takes the focus; the
    // rectangles are kept in the screen's coordinates of this moment.
    Window.reset();
    Client.reset();
    WindowPicture = ClientPicture = QImage();
    Why.clear();
    if (KeepForeground()) return;
    // A capture of the screen asks too: why there is none matters only to
    // a window's capture, which finds the rectangles empty.
    std::string why;
    const std::optional<TWindowRects> rects = ForegroundWindow(why);
    if (!rects) {
        Why = NothingCapturedBecause(why);
        return;
    }
    const TRect bounds = Bounds();
    Window = Moved(rects->Window, -bounds.Left, -bounds.Top);
    Client = Moved(rects->Client, -bounds.Left, -bounds.Top);
}

bool TWaylandDisplay::KeepForeground() {
    TScreenSource* source = Source();
    if (!source) return false;
    try {
        std::optional<TOutputPicture> window = source->ShootForeground(true);
        if (!window) return false;
        std::optional<TOutputPicture> client = source->ShootForeground(false);
        if (!client) return false;
        // Taken now, while the window the user means is in front: the
        // desktop tells only its size, so the rectangles stand for the
        // pictures, at the layout's corner.
        WindowPicture = PictureOf(*window);
        ClientPicture = PictureOf(*client);
        Window = TRect{0, 0, window->Logical.Width(), window->Logical.Height()};
        Client = TRect{0, 0, client->Logical.Width(), client->Logical.Height()};
    } catch (const EShotError& e) {
        Why = NothingCapturedBecause(e.what());
    }
    return true;
}

bool TWaylandDisplay::BeginSelection() {
    Why.clear();
    // Its windows are widgets: none without the widgets' application.
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return false;
    TScreenSource* source = Source();
    if (!source) return false;
    try {
        Selection.Begin(source->Shoot());
        return true;
    } catch (const EShotError& e) {
        Why = NothingCapturedBecause(e.what());
        FSource.reset();
        return false;
    }
}

TRect TWaylandDisplay::ForegroundWindowRect() {
    return Window.value_or(TRect{});
}

TRect TWaylandDisplay::ForegroundClientRect() {
    return Client.value_or(TRect{});
}
