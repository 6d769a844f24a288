// The CLIPBOARD selection owner of the program, on its own connection; the
// serving itself is the Qt-free selection server the keeper shares.
#include <QSocketNotifier>
#include <chrono>
#include <memory>
#include <poll.h>

#include "platform/x11/X11Services.h"
#include "platform/x11/selection/KeeperLaunch.h"
#include "platform/x11/selection/X11SelectionServer.h"

namespace {

constexpr auto ManagerWait = std::chrono::seconds(3);
// The keeper maps the picture and opens its own connection: a few
// milliseconds, far more on a loaded machine.
constexpr auto KeeperWait = std::chrono::seconds(5);

class TX11Clipboard : public TClipboard {
public:
    ~TX11Clipboard() override {
        Server.reset();
        if (Dpy) XCloseDisplay(Dpy);
    }

    bool Offer(std::vector<TClipFormat> formats) override {
        if (!Open()) return false;
        std::vector<TSelectionTarget> targets;
        for (TClipFormat& f : formats)
            targets.push_back(
                {XInternAtom(Dpy, f.Type.toLatin1().constData(), False),
                 [make = std::move(f.Make)] {
                     auto bytes = std::make_shared<const QByteArray>(make());
                     return TKeptBytes{bytes, bytes->constData(), size_t(bytes->size())};
                 }});
        return Server->Own(std::move(targets));
    }

    void HandOver(const QString& programDir) override {
        if (!Owned()) return;
        if (XGetSelectionOwner(Dpy, Manager) != None && ManagerSaves()) return;
        if (Owned())
            HandToKeeper(*Server, Dpy, (programDir + "/snaprio-keeper").toStdString(), KeeperWait);
    }

private:
    bool Open() {
        if (Dpy) return true;
        Dpy = XOpenDisplay(nullptr);
        if (!Dpy) return false;
        IgnoreErrorsOf(Dpy);
        XSetWindowAttributes a{};
        a.event_mask = PropertyChangeMask;
        Win = XCreateWindow(Dpy, DefaultRootWindow(Dpy), -10, -10, 1, 1, 0, 0, InputOnly,
                            CopyFromParent, CWEventMask, &a);
        Clipboard = XInternAtom(Dpy, "CLIPBOARD", False);
        Manager = XInternAtom(Dpy, "CLIPBOARD_MANAGER", False);
        SaveTargets = XInternAtom(Dpy, "SAVE_TARGETS", False);
        Server = std::make_unique<TX11SelectionServer>(Dpy, Win, Clipboard);
        Notifier = std::make_unique<QSocketNotifier>(ConnectionNumber(Dpy), QSocketNotifier::Read);
        QObject::connect(Notifier.get(), &QSocketNotifier::activated,
                         [this] { Server->ReadEvents(); });
        return true;
    }

    bool Owned() {
        if (!Dpy) return false;
        Server->ReadEvents();
        return Server->Owns() && XGetSelectionOwner(Dpy, Clipboard) == Win;
    }

    // A clipboard manager, where one runs, takes a copy of what we still own
    // (freedesktop clipboard manager convention); true once it has.
    bool ManagerSaves() {
        XConvertSelection(Dpy, Manager, SaveTargets, None, Win, Server->OwnedAt());
        XFlush(Dpy);
        const auto end = std::chrono::steady_clock::now() + ManagerWait;
        while (std::chrono::steady_clock::now() < end) {
            while (XPending(Dpy)) {
                XEvent e;
                XNextEvent(Dpy, &e);
                if (e.type == SelectionNotify && e.xselection.selection == Manager)
                    return e.xselection.property != None;
                Server->Handle(e);
            }
            pollfd p{ConnectionNumber(Dpy), POLLIN, 0};
            poll(&p, 1, 20);
        }
        return false;
    }

    Display* Dpy = nullptr;
    Window Win = 0;
    Atom Clipboard = 0, Manager = 0, SaveTargets = 0;
    std::unique_ptr<TX11SelectionServer> Server;
    std::unique_ptr<QSocketNotifier> Notifier;
};

} // namespace

std::unique_ptr<TClipboard> CreateX11Clipboard() {
    return std::make_unique<TX11Clipboard>();
}
