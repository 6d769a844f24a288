#include "platform/x11/screen/X11Property.h"

TXProperty::TXProperty(Display* dpy, Window w, Atom property, Atom type, long maxItems) {
    Atom actual = 0;
    int format = 0;
    unsigned long n = 0, after = 0;
    if (XGetWindowProperty(dpy, w, property, 0, maxItems, False, type, &actual, &format, &n, &after,
                           &Data) == Success &&
        Data && format == 32) {
        Items = reinterpret_cast<const unsigned long*>(Data);
        FCount = n;
    }
}

TXProperty::~TXProperty() {
    if (Data) XFree(Data);
}

bool TXProperty::Has(unsigned long value) const {
    for (unsigned long i = 0; i < FCount; ++i)
        if (Items[i] == value) return true;
    return false;
}
