#include "platform/x11/screen/X11Screen.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <string>

#include "platform/x11/screen/X11Property.h"
#include "platform/x11/screen/XErrorTrap.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

TXScreen::TXScreen(Display* dpy) : FDpy(dpy), FShm(XShmQueryExtension(dpy)) {}

namespace {

// The value of "Xft.dpi:" among resource lines; 0 when absent.
double XftDpi(const std::string& resources) {
    const std::string key = "Xft.dpi:";
    for (size_t at = 0; at < resources.size();) {
        const size_t end = std::min(resources.find('\n', at), resources.size());
        if (resources.compare(at, key.size(), key) == 0)
            return std::atof(resources.substr(at + key.size(), end - at - key.size()).c_str());
        at = end + 1;
    }
    return 0;
}

} // namespace

double TXScreen::Dpi() const {
    // Read afresh: the desktop may have changed it since the connection opened.
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    double dpi = 0;
    if (XGetWindowProperty(FDpy, Root(), XA_RESOURCE_MANAGER, 0, 1 << 16, False, XA_STRING, &type,
                           &format, &count, &after, &data) == Success &&
        data) {
        if (format == 8) dpi = XftDpi(std::string(reinterpret_cast<char*>(data), count));
        XFree(data);
    }
    if (dpi > 0) return dpi;
    const int mm = DisplayWidthMM(FDpy, DefaultScreen(FDpy));
    return mm > 0 ? Width() * 25.4 / mm : 96;
}

bool TXScreen::PaletteVisual() const {
    const int c = TheVisual()->c_class;
    return c == PseudoColor || c == StaticColor || c == GrayScale || c == StaticGray;
}

TXPixels TXScreen::PixelsOf(const XImage* img) const {
    const Visual* v = TheVisual();
    if (img->bits_per_pixel == 8 && PaletteVisual()) return TXPixels::Index8;
    if (img->bits_per_pixel == 32 && v->red_mask == 0xFF0000 && v->green_mask == 0xFF00 &&
        v->blue_mask == 0xFF && img->byte_order == LSBFirst)
        return TXPixels::Bgrx32;
    if (img->bits_per_pixel == 16 && v->red_mask == 0xF800 && v->green_mask == 0x07E0 &&
        v->blue_mask == 0x1F && img->byte_order == LSBFirst)
        return TXPixels::Rgb565;
    return TXPixels::Other;
}

uint32_t TXScreen::RgbOf(unsigned long pixel) const {
    const Visual* v = TheVisual();
    auto channel = [pixel](unsigned long mask) -> uint32_t {
        if (!mask) return 0;
        const int shift = std::countr_zero(mask);
        return static_cast<uint32_t>(((pixel & mask) >> shift) * 255 / (mask >> shift));
    };
    return 0xFF000000u | channel(v->red_mask) << 16 | channel(v->green_mask) << 8 |
           channel(v->blue_mask);
}

std::vector<uint32_t> TXScreen::ColorTable() const {
    // The colormap travels with the picture, so it keeps the screen's colours.
    const int n = std::min(TheVisual()->map_entries, 256);
    std::vector<XColor> colors(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        colors[static_cast<size_t>(i)].pixel = static_cast<unsigned long>(i);
    XQueryColors(FDpy, DefaultColormap(FDpy, DefaultScreen(FDpy)), colors.data(), n);
    std::vector<uint32_t> table(256, 0xFF000000u);
    for (int i = 0; i < n; ++i) {
        const XColor& c = colors[static_cast<size_t>(i)];
        table[static_cast<size_t>(i)] = 0xFF000000u | uint32_t(c.red >> 8) << 16 |
                                        uint32_t(c.green >> 8) << 8 | uint32_t(c.blue >> 8);
    }
    return table;
}

bool TXScreen::RootRefused() {
    if (FRootRefused < 0) {
        TXErrorTrap trap(FDpy);
        XImage* img = XGetImage(FDpy, Root(), 0, 0, 1, 1, AllPlanes, ZPixmap);
        FRootRefused = trap.Sync() != 0 || !img;
        if (img) XDestroyImage(img);
    }
    return FRootRefused;
}

XImage* TXScreen::GetImage(TShmPool& pool, Drawable from, const TRect& r,
                           TShmPool::TSegment** seg) {
    const unsigned w = static_cast<unsigned>(r.Width()), h = static_cast<unsigned>(r.Height());
    *seg = nullptr;
    if (from == Root() && RootRefused()) return nullptr;
    if (FShm) {
        XShmSegmentInfo info{};
        XImage* img = XShmCreateImage(FDpy, TheVisual(), static_cast<unsigned>(Depth()), ZPixmap,
                                      nullptr, &info, w, h);
        if (img) {
            *seg = pool.Take(static_cast<size_t>(img->bytes_per_line) * h);
            if (*seg) {
                img->data = (*seg)->Info.shmaddr;
                img->obdata = reinterpret_cast<char*>(&(*seg)->Info);
                TXErrorTrap trap(FDpy);
                if (XShmGetImage(FDpy, from, img, r.Left, r.Top, AllPlanes) && trap.Sync() == 0)
                    return img;
                pool.Give(*seg);
                *seg = nullptr;
            } else {
                FShm = false; // no segment to be had: plain requests from now on
            }
            img->data = nullptr;
            XDestroyImage(img);
        }
    }
    TXErrorTrap trap(FDpy);
    XImage* img = XGetImage(FDpy, from, r.Left, r.Top, w, h, AllPlanes, ZPixmap);
    if (trap.Sync() != 0 && img) {
        XDestroyImage(img);
        return nullptr;
    }
    return img;
}

// The foreground window and its rectangles: EWMH where a window manager
// keeps it, else the input focus.

Window TXScreen::TopLevel(Window w) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned n = 0;
    while (w && w != Root()) {
        if (!XQueryTree(FDpy, w, &root, &parent, &children, &n)) return 0;
        if (children) XFree(children);
        if (parent == root) return w;
        w = parent;
    }
    return 0;
}

Window TXScreen::LiveForeground() {
    // A window manager that keeps _NET_ACTIVE_WINDOW decides, also when it
    // says that nothing is active (the last window minimised) or has not
    // said anything yet: its own focus window is not one the user means.
    const TXProperty supported(FDpy, Root(), "_NET_SUPPORTED", XA_ATOM, 1024);
    const TXProperty active(FDpy, Root(), "_NET_ACTIVE_WINDOW", XA_WINDOW, 1);
    if (active.Count() == 1) return static_cast<Window>(active[0]);
    if (supported.Has(XInternAtom(FDpy, "_NET_ACTIVE_WINDOW", False))) return 0;
    int revert;
    Window focus = 0;
    XGetInputFocus(FDpy, &focus, &revert);
    if (focus == None) return 0;
    if (focus == PointerRoot || focus == Root()) {
        // Keys go to the window under the pointer.
        Window root, child = 0;
        int rx, ry, wx, wy;
        unsigned mask;
        XQueryPointer(FDpy, Root(), &root, &child, &rx, &ry, &wx, &wy, &mask);
        return child;
    }
    return TopLevel(focus); // without a window manager the top level is the window
}

void TXScreen::NoteForeground() {
    TXErrorTrap trap(FDpy);
    Noted = LiveForeground();
    if (trap.Sync()) Noted = 0;
    HaveNote = true;
}

bool TXScreen::Usable(Window w) {
    XWindowAttributes a{};
    if (!w || !XGetWindowAttributes(FDpy, w, &a)) return false;
    if (a.map_state != IsViewable || a.width <= 0 || a.height <= 0) return false;
    const TXProperty state(FDpy, w, "_NET_WM_STATE", XA_ATOM, 64);
    return !state.Has(XInternAtom(FDpy, "_NET_WM_STATE_HIDDEN", False));
}

TRect TXScreen::Foreground(bool withFrame) {
    TXErrorTrap trap(FDpy); // the window may vanish while we look
    // The window the user meant is the one in front when the capture was
    // asked for; our own window has had the focus since.
    const Window client = HaveNote ? Noted : LiveForeground();
    if (!Usable(client) || trap.Sync()) return {};
    XWindowAttributes a{};
    XGetWindowAttributes(FDpy, client, &a);
    int x = 0, y = 0;
    Window child;
    XTranslateCoordinates(FDpy, client, Root(), 0, 0, &x, &y, &child);
    TRect r{x, y, x + a.width, y + a.height};
    if (trap.Sync()) return {}; // the window went away meanwhile
    if (withFrame) {
        const TXProperty e(FDpy, client, "_NET_FRAME_EXTENTS", XA_CARDINAL, 4);
        XWindowAttributes fa{};
        const Window frame = e.Count() == 4 ? 0 : TopLevel(client);
        if (e.Count() == 4)
            r = {r.Left - static_cast<int>(e[0]), r.Top - static_cast<int>(e[2]),
                 r.Right + static_cast<int>(e[1]), r.Bottom + static_cast<int>(e[3])};
        else if (frame && frame != client && XGetWindowAttributes(FDpy, frame, &fa))
            // No extents: the frame is the ancestor that is a child of the root.
            r = {fa.x, fa.y, fa.x + fa.width + 2 * fa.border_width,
                 fa.y + fa.height + 2 * fa.border_width};
    }
    // A window wholly off the screen (a window manager's own focus window)
    // is none the user can mean; one partly off is taken whole.
    const bool onScreen = r.Right > 0 && r.Bottom > 0 && r.Left < Width() && r.Top < Height();
    return onScreen && !trap.Sync() ? r : TRect{};
}
