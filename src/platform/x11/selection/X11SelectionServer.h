// An owner of an X selection (ICCCM) without Qt: TARGETS, TIMESTAMP,
// MULTIPLE and the offered targets; data larger than one request goes out as
// INCR. The program's clipboard and the keeper that serves the clipboard
// after the program has ended share it.
#pragma once

#include <X11/Xlib.h>
#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

#include "platform/keeper/KeptBytes.h"

struct TSelectionTarget {
    Atom Target;
    // The bytes, made on the first request and kept.
    std::function<TKeptBytes()> Make;
    TKeptBytes Bytes{};
    bool Made = false;
};

// Errors on Dpy are expected (a requestor that vanishes while it is served)
// and must not end the process; other connections keep the handler that was
// there before. One connection per process.
void IgnoreErrorsOf(Display* dpy);

// A timestamp from the server (ICCCM: never CurrentTime for ownership): the
// time of a zero-length append to Win, which selects PropertyChangeMask.
Time ServerTime(Display* dpy, Window win);

class TX11SelectionServer {
public:
    // Serves Selection from Win, a window of this connection that selects
    // PropertyChangeMask.
    TX11SelectionServer(Display* dpy, Window win, Atom selection);

    // Takes the selection with these targets; false when it is not ours
    // after all (a newer owner).
    bool Own(std::vector<TSelectionTarget> targets);
    // Answers requests, continues transfers and notes the loss of the selection.
    void Handle(const XEvent& e);
    // Handles every event that has arrived.
    void ReadEvents();

    // True until another client takes the selection.
    bool Owns() const { return !Offered.empty(); }
    // True while an INCR transfer is under way.
    bool Transferring() const { return !Transfers.empty(); }
    Time OwnedAt() const { return Stamp; }
    Window OwnerWindow() const { return Win; }
    // Every target with its bytes made, in the order offered (empty when the
    // selection is no longer ours).
    std::vector<TSelectionTarget>& AllMade();

private:
    // An INCR transfer under way: the next piece goes when the requestor
    // deletes the property.
    struct TTransfer {
        Window Requestor;
        Atom Property, Type;
        TKeptBytes Bytes;
        size_t Offset;
    };

    void Forget(Window requestor, Atom property);
    void Answer(const XSelectionRequestEvent& r);
    bool Convert(Window requestor, Atom target, Atom property);
    bool ConvertMultiple(Window requestor, Atom property);
    void Put(Window w, Atom property, Atom type, int format, const void* data, int count);
    void Continue(Window requestor, Atom property);

    Display* Dpy;
    Window Win;
    Atom Selection, Targets, Timestamp, Multiple, AtomPair, Incr;
    size_t Chunk;
    Time Stamp = CurrentTime;
    std::vector<TSelectionTarget> Offered;
    std::vector<TTransfer> Transfers;
};
