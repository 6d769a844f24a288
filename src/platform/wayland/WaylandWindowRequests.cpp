// A Wayland compositor keeps its workspaces and places its windows to
// itself: a client can neither ask where a window is nor move it, so the
// requests about desktops answer as if there were one.
#include <QGuiApplication>
#include <QWindow>

#include "platform/wayland/WaylandServices.h"

namespace {

class TWaylandWindowRequests : public TWindowRequests {
public:
    // Showing the window again is all a client can do; the compositor
    // decides where it appears.
    bool OnCurrentDesktop(unsigned long) override { return true; }
    // Qt's own title is exact here: the toplevel's title is what it is given.
    void SetExactTitle(unsigned long window, const QString& title) override {
        for (QWindow* w : QGuiApplication::allWindows())
            if (w->winId() == window) w->setTitle(title);
    }
};

} // namespace

std::unique_ptr<TWindowRequests> CreateWaylandWindowRequests() {
    return std::make_unique<TWaylandWindowRequests>();
}
