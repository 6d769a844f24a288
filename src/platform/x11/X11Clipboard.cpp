// The CLIPBOARD selection owner (ICCCM): TARGETS, TIMESTAMP, MULTIPLE and
// the offered formats; data larger than one request goes out as INCR.
#include <QCoreApplication>
#include <QSocketNotifier>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <algorithm>
#include <chrono>
#include <memory>
#include <poll.h>

#include "platform/x11/X11Services.h"

namespace {

// Bytes per property write of an INCR transfer. Qt's own clipboard sends
// 256 KB pieces through two threads; measured on a 4K bitmap, pieces of
// 256 KB to 1 MB written straight from the event handler are fastest (4 MB
// pieces are slower: each is copied through the caches twice more).
constexpr long MaxChunk = 512 << 10;
constexpr auto HandOffWait = std::chrono::seconds(3);

// A requestor may vanish while it is served; the errors that follow on our
// connection are expected, and must not end the program. Errors of other
// connections go to the handler that was there before. (A trap with a sync
// around every event would cost a round trip per piece of a transfer.)
Display* ServingDisplay = nullptr;
XErrorHandler OtherErrors = nullptr;
int ServingErrors(Display* dpy, XErrorEvent* e) {
    if (dpy == ServingDisplay) return 0;
    return OtherErrors ? OtherErrors(dpy, e) : 0;
}

class TX11Clipboard : public TClipboard {
public:
    ~TX11Clipboard() override {
        if (Dpy) XCloseDisplay(Dpy);
    }

    bool Offer(std::vector<TClipFormat> formats) override {
        if (!Open()) return false;
        Formats.clear();
        for (TClipFormat& f : formats)
            Formats.push_back({XInternAtom(Dpy, f.Type.toLatin1().constData(), False),
                               std::move(f.Make),
                               {},
                               false});
        XSetSelectionOwner(Dpy, Clipboard, Win, ServerTime());
        const bool owned = XGetSelectionOwner(Dpy, Clipboard) == Win;
        if (!owned) Formats.clear();
        ReadEvents();
        return owned;
    }

private:
    struct TFormat {
        Atom Target;
        std::function<QByteArray()> Make;
        QByteArray Data;
        bool Made;
    };
    // An INCR transfer under way: the next piece goes when the requestor
    // deletes the property.
    struct TTransfer {
        Window Requestor;
        Atom Property, Type;
        QByteArray Data;
        qsizetype Offset;
    };

    bool Open() {
        if (Dpy) return true;
        Dpy = XOpenDisplay(nullptr);
        if (!Dpy) return false;
        ServingDisplay = Dpy;
        OtherErrors = XSetErrorHandler(ServingErrors);
        XSetWindowAttributes a{};
        a.event_mask = PropertyChangeMask;
        Win = XCreateWindow(Dpy, DefaultRootWindow(Dpy), -10, -10, 1, 1, 0, 0, InputOnly,
                            CopyFromParent, CWEventMask, &a);
        Clipboard = XInternAtom(Dpy, "CLIPBOARD", False);
        Targets = XInternAtom(Dpy, "TARGETS", False);
        Timestamp = XInternAtom(Dpy, "TIMESTAMP", False);
        Multiple = XInternAtom(Dpy, "MULTIPLE", False);
        AtomPair = XInternAtom(Dpy, "ATOM_PAIR", False);
        Incr = XInternAtom(Dpy, "INCR", False);
        Manager = XInternAtom(Dpy, "CLIPBOARD_MANAGER", False);
        SaveTargets = XInternAtom(Dpy, "SAVE_TARGETS", False);
        const long maxRequest =
            XExtendedMaxRequestSize(Dpy) ? XExtendedMaxRequestSize(Dpy) : XMaxRequestSize(Dpy);
        Chunk = std::min(MaxChunk, maxRequest * 4 - 1024);
        Notifier = std::make_unique<QSocketNotifier>(ConnectionNumber(Dpy), QSocketNotifier::Read);
        QObject::connect(Notifier.get(), &QSocketNotifier::activated, [this] { ReadEvents(); });
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, [this] { HandOff(); });
        return true;
    }

    // A timestamp from the server (ICCCM: never CurrentTime for ownership):
    // the time of a zero-length append to our own window.
    Time ServerTime() {
        const Atom stamp = XInternAtom(Dpy, "SNAPRIO_TIME", False);
        XChangeProperty(Dpy, Win, stamp, XA_STRING, 8, PropModeAppend, nullptr, 0);
        XEvent e;
        XWindowEvent(Dpy, Win, PropertyChangeMask, &e);
        OwnedAt = e.xproperty.time;
        return OwnedAt;
    }

    void ReadEvents() {
        while (XPending(Dpy)) {
            XEvent e;
            XNextEvent(Dpy, &e);
            Handle(e);
        }
    }

    void Handle(const XEvent& e) {
        if (e.type == SelectionRequest)
            Answer(e.xselectionrequest);
        else if (e.type == SelectionClear && e.xselectionclear.selection == Clipboard)
            Formats.clear();
        else if (e.type == PropertyNotify && e.xproperty.state == PropertyDelete)
            Continue(e.xproperty.window, e.xproperty.atom);
        else if (e.type == DestroyNotify)
            Forget(e.xdestroywindow.window, None);
    }

    // Drops the transfers to Requestor (into Property only, unless None).
    void Forget(Window requestor, Atom property) {
        std::erase_if(Transfers, [&](const TTransfer& t) {
            return t.Requestor == requestor && (property == None || t.Property == property);
        });
    }

    void Answer(const XSelectionRequestEvent& r) {
        XSelectionEvent n{};
        n.type = SelectionNotify;
        n.requestor = r.requestor;
        n.selection = r.selection;
        n.target = r.target;
        n.time = r.time;
        // Obsolete clients name no property: the target's name serves.
        n.property = r.property == None ? r.target : r.property;
        if (r.selection != Clipboard || Formats.empty() ||
            !Convert(r.requestor, r.target, n.property))
            n.property = None;
        XSendEvent(Dpy, r.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&n));
        XFlush(Dpy);
    }

    // Writes Target into Property of Requestor; false when it cannot.
    bool Convert(Window requestor, Atom target, Atom property) {
        if (target == Targets) {
            std::vector<Atom> list{Targets, Timestamp, Multiple};
            for (const TFormat& f : Formats) list.push_back(f.Target);
            Put(requestor, property, XA_ATOM, 32, list.data(), int(list.size()));
            return true;
        }
        if (target == Timestamp) {
            const long time = long(OwnedAt);
            Put(requestor, property, XA_INTEGER, 32, &time, 1);
            return true;
        }
        if (target == Multiple) return ConvertMultiple(requestor, property);
        for (TFormat& f : Formats) {
            if (f.Target != target) continue;
            if (!f.Made) {
                f.Data = f.Make();
                f.Made = true;
            }
            if (f.Data.size() <= Chunk) {
                Put(requestor, property, target, 8, f.Data.constData(), int(f.Data.size()));
            } else {
                // A reader that died mid-transfer leaves its transfer behind, and
                // the server may give a new client the same window id.
                Forget(requestor, property);
                XSelectInput(Dpy, requestor, PropertyChangeMask | StructureNotifyMask);
                const long size = long(f.Data.size());
                Put(requestor, property, Incr, 32, &size, 1);
                Transfers.push_back({requestor, property, target, f.Data, 0});
            }
            return true;
        }
        return false;
    }

    // MULTIPLE: pairs of (target, property) in the requestor's property; each
    // that cannot be converted gets None for its property. A MULTIPLE inside
    // MULTIPLE is one of those: a list that names itself, or two that name
    // each other, would otherwise have us recurse until the stack runs out.
    bool ConvertMultiple(Window requestor, Atom property) {
        Atom type;
        int format;
        unsigned long count, after;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(Dpy, requestor, property, 0, 1 << 16, False, AtomPair, &type,
                               &format, &count, &after, &data) != Success ||
            !data)
            return false;
        std::unique_ptr<unsigned char, int (*)(void*)> owned(data, XFree);
        if (format != 32) return false;
        auto* pairs = reinterpret_cast<Atom*>(data);
        for (unsigned long i = 0; i + 1 < count; i += 2)
            if (pairs[i + 1] == None || pairs[i] == Multiple ||
                !Convert(requestor, pairs[i], pairs[i + 1]))
                pairs[i + 1] = None;
        Put(requestor, property, AtomPair, 32, pairs, int(count));
        return true;
    }

    void Put(Window w, Atom property, Atom type, int format, const void* data, int count) {
        XChangeProperty(Dpy, w, property, type, format, PropModeReplace,
                        static_cast<const unsigned char*>(data), count);
    }

    void Continue(Window requestor, Atom property) {
        for (auto t = Transfers.begin(); t != Transfers.end(); ++t) {
            if (t->Requestor != requestor || t->Property != property) continue;
            const qsizetype n = std::min<qsizetype>(Chunk, t->Data.size() - t->Offset);
            Put(requestor, property, t->Type, 8, t->Data.constData() + t->Offset, int(n));
            t->Offset += n;
            if (n == 0) { // the empty piece that ends the transfer has gone
                Transfers.erase(t);
                // One MULTIPLE may run several transfers to the same window.
                if (std::none_of(Transfers.begin(), Transfers.end(),
                                 [&](const TTransfer& o) { return o.Requestor == requestor; }))
                    XSelectInput(Dpy, requestor, NoEventMask);
            }
            XFlush(Dpy);
            return;
        }
    }

    // At the program's end: a clipboard manager, where one runs, takes a copy
    // of what we still own (freedesktop clipboard manager convention).
    void HandOff() {
        if (Formats.empty() || XGetSelectionOwner(Dpy, Clipboard) != Win ||
            XGetSelectionOwner(Dpy, Manager) == None)
            return;
        XConvertSelection(Dpy, Manager, SaveTargets, None, Win, OwnedAt);
        XFlush(Dpy);
        const auto end = std::chrono::steady_clock::now() + HandOffWait;
        while (std::chrono::steady_clock::now() < end) {
            while (XPending(Dpy)) {
                XEvent e;
                XNextEvent(Dpy, &e);
                if (e.type == SelectionNotify && e.xselection.selection == Manager) return;
                Handle(e);
            }
            pollfd p{ConnectionNumber(Dpy), POLLIN, 0};
            poll(&p, 1, 20);
        }
    }

    Display* Dpy = nullptr;
    Window Win = 0;
    Atom Clipboard = 0, Targets = 0, Timestamp = 0, Multiple = 0, AtomPair = 0, Incr = 0,
         Manager = 0, SaveTargets = 0;
    long Chunk = 0;
    Time OwnedAt = CurrentTime;
    std::vector<TFormat> Formats;
    std::vector<TTransfer> Transfers;
    std::unique_ptr<QSocketNotifier> Notifier;
};

} // namespace

std::unique_ptr<TClipboard> CreateX11Clipboard() {
    return std::make_unique<TX11Clipboard>();
}
