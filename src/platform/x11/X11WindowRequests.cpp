#include <QByteArray>
#include <QObject>
#include <memory>

#include "platform/x11/screen/X11Property.h"
#include "platform/x11/X11Services.h"
#include "platform/x11/screen/XErrorTrap.h"

#include <X11/Xatom.h>

namespace {
using TConnection = std::unique_ptr<Display, int (*)(Display*)>;
TConnection Connect() {
    return TConnection(XOpenDisplay(nullptr), XCloseDisplay);
}

class TX11WindowRequests : public TWindowRequests {
public:
    bool OnCurrentDesktop(unsigned long window) override;
    void SetExactTitle(unsigned long window, const QString& title) override;
};

} // namespace

std::unique_ptr<TWindowRequests> CreateX11WindowRequests() {
    return std::make_unique<TX11WindowRequests>();
}

bool TX11WindowRequests::OnCurrentDesktop(unsigned long window) {
    TConnection dpy = Connect();
    if (!dpy) return true;
    TXErrorTrap trap(dpy.get());
    const TXProperty current(dpy.get(), DefaultRootWindow(dpy.get()), "_NET_CURRENT_DESKTOP",
                             XA_CARDINAL, 1);
    const TXProperty mine(dpy.get(), window, "_NET_WM_DESKTOP", XA_CARDINAL, 1);
    const bool sticky = mine.Count() == 1 && mine[0] == 0xFFFFFFFFul;
    return trap.Sync() || current.Count() != 1 || mine.Count() != 1 || sticky ||
           mine[0] == current[0];
}

void TX11WindowRequests::SetExactTitle(unsigned long window, const QString& title) {
    TConnection dpy = Connect();
    if (!dpy) return;
    TXErrorTrap trap(dpy.get());
    const QByteArray utf8 = title.toUtf8(), latin1 = title.toLatin1();
    XChangeProperty(dpy.get(), window, XA_WM_NAME, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(latin1.constData()),
                    static_cast<int>(latin1.size()));
    XChangeProperty(dpy.get(), window, XInternAtom(dpy.get(), "_NET_WM_NAME", False),
                    XInternAtom(dpy.get(), "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(utf8.constData()),
                    static_cast<int>(utf8.size()));
    trap.Sync();
}
