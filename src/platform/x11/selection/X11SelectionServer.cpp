#include "platform/x11/selection/X11SelectionServer.h"

#include <X11/Xatom.h>
#include <algorithm>

namespace {

// Bytes per property write of an INCR transfer. Qt's own clipboard sends
// 256 KB pieces through two threads; measured on a 4K bitmap, pieces of
// 256 KB to 1 MB written straight from the event handler are fastest (4 MB
// pieces are slower: each is copied through the caches twice more).
constexpr size_t MaxChunk = 512 << 10;

// A trap with a sync around every event would cost a round trip per piece
// of a transfer, so errors of the serving connection are dropped instead.
Display* ServingDisplay = nullptr;
XErrorHandler OtherErrors = nullptr;
int ServingErrors(Display* dpy, XErrorEvent* e) {
    if (dpy == ServingDisplay) return 0;
    return OtherErrors ? OtherErrors(dpy, e) : 0;
}

} // namespace

void IgnoreErrorsOf(Display* dpy) {
    if (ServingDisplay) return;
    ServingDisplay = dpy;
    OtherErrors = XSetErrorHandler(ServingErrors);
}

Time ServerTime(Display* dpy, Window win) {
    const Atom stamp = XInternAtom(dpy, "SNAPRIO_TIME", False);
    XChangeProperty(dpy, win, stamp, XA_STRING, 8, PropModeAppend, nullptr, 0);
    XEvent e;
    XWindowEvent(dpy, win, PropertyChangeMask, &e);
    return e.xproperty.time;
}

TX11SelectionServer::TX11SelectionServer(Display* dpy, Window win, Atom selection)
    : Dpy(dpy), Win(win), Selection(selection) {
    Targets = XInternAtom(Dpy, "TARGETS", False);
    Timestamp = XInternAtom(Dpy, "TIMESTAMP", False);
    Multiple = XInternAtom(Dpy, "MULTIPLE", False);
    AtomPair = XInternAtom(Dpy, "ATOM_PAIR", False);
    Incr = XInternAtom(Dpy, "INCR", False);
    const long maxRequest =
        XExtendedMaxRequestSize(Dpy) ? XExtendedMaxRequestSize(Dpy) : XMaxRequestSize(Dpy);
    Chunk = std::min(MaxChunk, size_t(maxRequest) * 4 - 1024);
}

bool TX11SelectionServer::Own(std::vector<TSelectionTarget> targets) {
    Offered = std::move(targets);
    Stamp = ServerTime(Dpy, Win);
    XSetSelectionOwner(Dpy, Selection, Win, Stamp);
    const bool owned = XGetSelectionOwner(Dpy, Selection) == Win;
    if (!owned) Offered.clear();
    ReadEvents();
    return owned;
}

std::vector<TSelectionTarget>& TX11SelectionServer::AllMade() {
    for (TSelectionTarget& t : Offered)
        if (!t.Made) {
            t.Bytes = t.Make();
            t.Made = true;
        }
    return Offered;
}

void TX11SelectionServer::ReadEvents() {
    while (XPending(Dpy)) {
        XEvent e;
        XNextEvent(Dpy, &e);
        Handle(e);
    }
}

void TX11SelectionServer::Handle(const XEvent& e) {
    if (e.type == SelectionRequest)
        Answer(e.xselectionrequest);
    else if (e.type == SelectionClear && e.xselectionclear.selection == Selection)
        Offered.clear();
    else if (e.type == PropertyNotify && e.xproperty.state == PropertyDelete)
        Continue(e.xproperty.window, e.xproperty.atom);
    else if (e.type == DestroyNotify)
        Forget(e.xdestroywindow.window, None);
}

// Drops the transfers to Requestor (into Property only, unless None).
void TX11SelectionServer::Forget(Window requestor, Atom property) {
    std::erase_if(Transfers, [&](const TTransfer& t) {
        return t.Requestor == requestor && (property == None || t.Property == property);
    });
}

void TX11SelectionServer::Answer(const XSelectionRequestEvent& r) {
    XSelectionEvent n{};
    n.type = SelectionNotify;
    n.requestor = r.requestor;
    n.selection = r.selection;
    n.target = r.target;
    n.time = r.time;
    // Obsolete clients name no property: the target's name serves.
    n.property = r.property == None ? r.target : r.property;
    if (r.selection != Selection || Offered.empty() || !Convert(r.requestor, r.target, n.property))
        n.property = None;
    XSendEvent(Dpy, r.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&n));
    XFlush(Dpy);
}

// Writes Target into Property of Requestor; false when it cannot.
bool TX11SelectionServer::Convert(Window requestor, Atom target, Atom property) {
    if (target == Targets) {
        std::vector<Atom> list{Targets, Timestamp, Multiple};
        for (const TSelectionTarget& t : Offered) list.push_back(t.Target);
        Put(requestor, property, XA_ATOM, 32, list.data(), int(list.size()));
        return true;
    }
    if (target == Timestamp) {
        const long time = long(Stamp);
        Put(requestor, property, XA_INTEGER, 32, &time, 1);
        return true;
    }
    if (target == Multiple) return ConvertMultiple(requestor, property);
    for (TSelectionTarget& t : Offered) {
        if (t.Target != target) continue;
        if (!t.Made) {
            t.Bytes = t.Make();
            t.Made = true;
        }
        if (t.Bytes.Size <= Chunk) {
            Put(requestor, property, target, 8, t.Bytes.Data, int(t.Bytes.Size));
        } else {
            // A reader that died mid-transfer leaves its transfer behind, and
            // the server may give a new client the same window id.
            Forget(requestor, property);
            XSelectInput(Dpy, requestor, PropertyChangeMask | StructureNotifyMask);
            const long size = long(t.Bytes.Size);
            Put(requestor, property, Incr, 32, &size, 1);
            Transfers.push_back({requestor, property, target, t.Bytes, 0});
        }
        return true;
    }
    return false;
}

// MULTIPLE: pairs of (target, property) in the requestor's property; each
// that cannot be converted gets None for its property. A MULTIPLE inside
// MULTIPLE is one of those: a list that names itself, or two that name each
// other, would otherwise have us recurse until the stack runs out.
bool TX11SelectionServer::ConvertMultiple(Window requestor, Atom property) {
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(Dpy, requestor, property, 0, 1 << 16, False, AtomPair, &type, &format,
                           &count, &after, &data) != Success ||
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

void TX11SelectionServer::Put(Window w, Atom property, Atom type, int format, const void* data,
                              int count) {
    XChangeProperty(Dpy, w, property, type, format, PropModeReplace,
                    static_cast<const unsigned char*>(data), count);
}

void TX11SelectionServer::Continue(Window requestor, Atom property) {
    for (auto t = Transfers.begin(); t != Transfers.end(); ++t) {
        if (t->Requestor != requestor || t->Property != property) continue;
        const size_t n = std::min(Chunk, t->Bytes.Size - t->Offset);
        Put(requestor, property, t->Type, 8, t->Bytes.Data + t->Offset, int(n));
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
