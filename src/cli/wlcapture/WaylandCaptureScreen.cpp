#include "cli/wlcapture/WaylandCaptureScreen.h"

#include "cli/wlcapture/OutputRows.h"
#include "platform/types/GrabFailure.h"
#include "platform/wayland/screen/ShotCompose.h"
#include "platform/wayland/session/ForegroundWindow.h"
#include "platform/wayland/session/ScreenSources.h"
#include "shapes/CaptureItems.h"

namespace {

class TWaylandCaptureScreen : public TCaptureScreen {
public:
    explicit TWaylandCaptureScreen(std::unique_ptr<TScreenSource> source)
        : Source(std::move(source)) {}

    // The pictures are whole in memory: the desktop hands them over whole.
    std::unique_ptr<TRowSource> ItemRows(int item, int, std::string& why) override {
        try {
            std::optional<TOutputPicture> picture = Picture(item, why);
            if (!picture) return nullptr;
            return std::make_unique<TOutputRows>(std::move(*picture));
        } catch (const EShotError& e) {
            why = NothingCapturedBecause(e.what());
            return nullptr;
        }
    }

private:
    std::optional<TOutputPicture> Picture(int item, std::string& why) {
        if (item == ciScreen) {
            const TShot shot = Source->Shoot();
            return ComposeArea(shot, LayoutBounds(shot));
        }
        const bool withFrame = item == ciWindow;
        if (auto window = Source->ShootForeground(withFrame)) return window;
        std::string whyNot;
        const std::optional<TWindowRects> rects = ForegroundWindow(whyNot);
        if (!rects) {
            why = NothingCapturedBecause(whyNot);
            return std::nullopt;
        }
        const TRect r = withFrame ? rects->Window : rects->Client;
        const TShot shot = Source->Shoot();
        if (Intersect(r, LayoutBounds(shot)).Empty()) {
            why = GrabFailureText(TGrabFailure::EmptyArea);
            return std::nullopt;
        }
        return ComposeArea(shot, r);
    }

    std::unique_ptr<TScreenSource> Source;
};

} // namespace

std::unique_ptr<TCaptureScreen> OpenWaylandScreen(std::string& why) {
    std::string whyNot;
    std::unique_ptr<TScreenSource> source = FindScreenSource(whyNot);
    if (!source) {
        why = NothingCapturedBecause(whyNot);
        return nullptr;
    }
    return std::make_unique<TWaylandCaptureScreen>(std::move(source));
}
