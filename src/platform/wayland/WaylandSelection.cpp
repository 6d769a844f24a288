#include "platform/wayland/WaylandSelection.h"

#include <QGuiApplication>
#include <QScreen>

#include "platform/wayland/OutputOverlay.h"
#include "platform/wayland/screen/ShotCompose.h"

namespace {

// Qt's screen of the output: by name, else by place (a compositor that names
// its outputs otherwise to Qt).
QScreen* ScreenOf(const std::string& name, QRect place, QPoint origin) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (QScreen* s : screens)
        if (s->name().toStdString() == name) return s;
    for (QScreen* s : screens)
        if (s->geometry() == place.translated(origin)) return s;
    return nullptr;
}

} // namespace

TWaylandSelection::TWaylandSelection() = default;

TWaylandSelection::~TWaylandSelection() {
    End();
}

void TWaylandSelection::Begin(TShot shot) {
    End();
    const TRect bounds = LayoutBounds(shot);
    FSize = QSize(bounds.Width(), bounds.Height());
    Frozen = std::make_unique<TFrozenOutputs>(std::move(shot));
    Input.Restart();
    Overlays.assign(size_t(Frozen->Count()), nullptr);
    for (int i = 0; i < Frozen->Count(); ++i) {
        const QRect place = Frozen->Place(i);
        if (i == 0) Middle = place.center();
        QScreen* screen = ScreenOf(Frozen->Name(i), place, {bounds.Left, bounds.Top});
        if (!screen || Frozen->View(i).isNull()) continue;
        auto* overlay = new TOutputOverlay(screen, Frozen->View(i), place, Input);
        overlay->showFullScreen();
        Overlays[size_t(i)] = overlay;
    }
    // The last one shown has the keyboard on most desktops; the first
    // output is where a user starts.
    for (const QPointer<TOutputOverlay>& o : Overlays)
        if (o) {
            o->activateWindow();
            break;
        }
}

void TWaylandSelection::End() {
    for (QPointer<TOutputOverlay>& o : Overlays)
        if (o) {
            // The windows may be inside one of their own events.
            o->hide();
            o->deleteLater();
        }
    Overlays.clear();
    Frozen.reset();
}

void TWaylandSelection::Show(const std::vector<TFrozenOutputs::TChange>& changes) {
    for (const TFrozenOutputs::TChange& c : changes)
        if (const QPointer<TOutputOverlay>& o = Overlays[size_t(c.Output)]) o->Changed(c.Area);
}

QImage TWaylandSelection::Grab(const TRect& r) {
    if (!Frozen || r.Empty()) return {};
    return Frozen->Grab(QRect(r.Left, r.Top, r.Width(), r.Height()));
}

void TWaylandSelection::Invert(const QImage& mask, QPoint at) {
    if (Frozen) Show(Frozen->Invert(mask, at));
}

void TWaylandSelection::Put(const QImage& picture, QPoint at) {
    if (Frozen) Show(Frozen->Put(picture, at));
}

QPoint TWaylandSelection::CursorPos() const {
    return Input.Seen() ? Input.Last() : Middle;
}
