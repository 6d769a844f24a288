// One window property read from the server, freed when the reader goes out
// of scope. Only 32-bit properties are read (atoms, windows, cardinals),
// which Xlib hands back as longs.
#pragma once

#include <X11/Xlib.h>

class TXProperty {
public:
    TXProperty(Display* dpy, Window w, Atom property, Atom type, long maxItems);
    TXProperty(Display* dpy, Window w, const char* property, Atom type, long maxItems)
        : TXProperty(dpy, w, XInternAtom(dpy, property, False), type, maxItems) {}
    ~TXProperty();
    TXProperty(const TXProperty&) = delete;
    TXProperty& operator=(const TXProperty&) = delete;

    // The number of 32-bit items read (0 when missing or of another format).
    unsigned long Count() const { return FCount; }
    unsigned long operator[](unsigned long i) const { return Items[i]; }
    bool Has(unsigned long value) const;

private:
    unsigned char* Data = nullptr;
    const unsigned long* Items = nullptr;
    unsigned long FCount = 0;
};
