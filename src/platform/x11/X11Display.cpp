#include "platform/x11/X11Display.h"

#include <algorithm>
#include <cstring>
#include <vector>

// Xlib last: it defines None, Bool and Status as macros.
#include "platform/x11/XErrorTrap.h"
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

namespace {

// Shared segments for grabs. A grab's picture uses the segment's memory
// directly (no second copy); the segment returns to the pool when the
// picture is freed, and up to two free ones are kept for the next grabs.
class TShmPool : public std::enable_shared_from_this<TShmPool> {
public:
    struct TSegment {
        XShmSegmentInfo Info{};
        size_t Size = 0;
        bool InUse = false;
    };

    explicit TShmPool(Display* dpy) : Dpy(dpy) {}
    ~TShmPool() {
        for (auto& s : Segments) Destroy(*s);
        XCloseDisplay(Dpy); // the pool outlives every picture that uses it
    }
    Display* Dpy;

    TSegment* Take(size_t size) {
        for (auto& s : Segments)
            if (!s->InUse && s->Size >= size && s->Size <= 2 * size + (1 << 20)) {
                s->InUse = true;
                return s.get();
            }
        auto s = std::make_unique<TSegment>();
        s->Info.shmid = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
        if (s->Info.shmid < 0) return nullptr;
        s->Info.shmaddr = static_cast<char*>(shmat(s->Info.shmid, nullptr, 0));
        s->Info.readOnly = False;
        bool ok = s->Info.shmaddr != reinterpret_cast<char*>(-1);
        if (ok) {
            TXErrorTrap trap(Dpy);
            ok = XShmAttach(Dpy, &s->Info) && trap.Sync() == 0; // a remote server refuses
        }
        shmctl(s->Info.shmid, IPC_RMID, nullptr); // freed once everybody detached
        if (!ok) {
            if (s->Info.shmaddr != reinterpret_cast<char*>(-1)) shmdt(s->Info.shmaddr);
            return nullptr;
        }
        s->Size = size;
        s->InUse = true;
        Segments.push_back(std::move(s));
        return Segments.back().get();
    }

    void Give(TSegment* seg) {
        seg->InUse = false;
        int free = 0;
        for (auto it = Segments.rbegin(); it != Segments.rend(); ++it)
            if (!(*it)->InUse && ++free > 2) {
                Destroy(**it);
                (*it)->Size = 0;
            }
        std::erase_if(Segments, [](const auto& s) { return s->Size == 0; });
    }

private:
    void Destroy(TSegment& s) {
        if (!s.Size) return;
        XShmDetach(Dpy, &s.Info);
        XSync(Dpy, False);
        shmdt(s.Info.shmaddr);
    }
    std::vector<std::unique_ptr<TSegment>> Segments;
};

struct TRelease {
    std::shared_ptr<TShmPool> Pool;
    TShmPool::TSegment* Segment;
};

void ReleaseSegment(void* info) {
    std::unique_ptr<TRelease> r(static_cast<TRelease*>(info));
    r->Pool->Give(r->Segment);
}

TRect Intersect(const TRect& a, const TRect& b) {
    return {std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
            std::min(a.Bottom, b.Bottom)};
}

class TX11Display : public TDisplay {
public:
    bool Available() override { return Open(); }
    int ScreenWidth() override { return Open() ? DisplayWidth(Dpy(), DefaultScreen(Dpy())) : 0; }
    int ScreenHeight() override { return Open() ? DisplayHeight(Dpy(), DefaultScreen(Dpy())) : 0; }
    int Depth() override { return Open() ? DefaultDepth(Dpy(), DefaultScreen(Dpy())) : 0; }
    QImage Grab(const TRect& r) override;
    TRect ForegroundWindowRect() override { return Foreground(true); }
    TRect ForegroundClientRect() override { return Foreground(false); }
    bool BeginSelection() override;
    void EndSelection() override;
    QPoint CursorPos() override;
    void Invert(const QImage& mask, QPoint at) override;
    void Put(const QImage& picture, QPoint at) override;

private:
    bool Open();
    Display* Dpy() const { return Pool->Dpy; }
    Window Root() const { return DefaultRootWindow(Dpy()); }
    Visual* TheVisual() const { return DefaultVisual(Dpy(), DefaultScreen(Dpy())); }
    bool Paletted() const;
    QImage::Format FormatOf(const XImage* img) const;
    XImage* GetImage(const TRect& r, TShmPool::TSegment** seg);
    void SetPalette(QImage& img);
    TRect Foreground(bool withFrame);
    Window TopLevel(Window w);
    bool Hidden(Window w);

    // What is drawn on and read from: the root window, or under a compositor
    // the frozen screen shown by a full-screen window of our own.
    Drawable Target() const { return Frozen ? Frozen : Root(); }
    void Show(int x, int y, int w, int h);

    std::shared_ptr<TShmPool> Pool;
    bool Tried = false;
    bool Shm = false;
    Pixmap Frozen = 0;
    Window Overlay = 0;
    GC InvertGC = nullptr, CopyGC = nullptr;
};

bool TX11Display::Open() {
    if (Pool) return true;
    if (Tried) return false;
    Tried = true;
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) return false;
    Pool = std::make_shared<TShmPool>(dpy);
    Shm = XShmQueryExtension(dpy);
    return true;
}

bool TX11Display::Paletted() const {
    const int c = TheVisual()->c_class;
    return c == PseudoColor || c == StaticColor || c == GrayScale || c == StaticGray;
}

QImage::Format TX11Display::FormatOf(const XImage* img) const {
    if (img->bits_per_pixel == 8 && Paletted()) return QImage::Format_Indexed8;
    if (img->bits_per_pixel == 32 && img->red_mask == 0xFF0000 && img->green_mask == 0xFF00 &&
        img->blue_mask == 0xFF && img->byte_order == LSBFirst)
        return QImage::Format_RGB32;
    if (img->bits_per_pixel == 16 && img->red_mask == 0xF800 && img->green_mask == 0x07E0 &&
        img->blue_mask == 0x1F && img->byte_order == LSBFirst)
        return QImage::Format_RGB16;
    return QImage::Format_Invalid; // read pixel by pixel
}

XImage* TX11Display::GetImage(const TRect& r, TShmPool::TSegment** seg) {
    const unsigned w = static_cast<unsigned>(r.Width()), h = static_cast<unsigned>(r.Height());
    *seg = nullptr;
    if (Shm) {
        XShmSegmentInfo info{};
        XImage* img = XShmCreateImage(Dpy(), TheVisual(), static_cast<unsigned>(Depth()), ZPixmap,
                                      nullptr, &info, w, h);
        if (img) {
            *seg = Pool->Take(static_cast<size_t>(img->bytes_per_line) * h);
            if (*seg) {
                img->data = (*seg)->Info.shmaddr;
                img->obdata = reinterpret_cast<char*>(&(*seg)->Info);
                TXErrorTrap trap(Dpy());
                if (XShmGetImage(Dpy(), Target(), img, r.Left, r.Top, AllPlanes) &&
                    trap.Sync() == 0)
                    return img;
                Pool->Give(*seg);
                *seg = nullptr;
            } else {
                Shm = false; // no segment to be had: plain requests from now on
            }
            img->data = nullptr;
            XDestroyImage(img);
        }
    }
    TXErrorTrap trap(Dpy());
    XImage* img = XGetImage(Dpy(), Target(), r.Left, r.Top, w, h, AllPlanes, ZPixmap);
    if (trap.Sync() != 0 && img) {
        XDestroyImage(img);
        return nullptr;
    }
    return img;
}

void TX11Display::SetPalette(QImage& img) {
    // The colormap travels with the picture, so it keeps the screen's colours.
    const int n = std::min(TheVisual()->map_entries, 256);
    std::vector<XColor> colors(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        colors[static_cast<size_t>(i)].pixel = static_cast<unsigned long>(i);
    XQueryColors(Dpy(), DefaultColormap(Dpy(), DefaultScreen(Dpy())), colors.data(), n);
    QList<QRgb> table;
    for (const XColor& c : colors) table.push_back(qRgb(c.red >> 8, c.green >> 8, c.blue >> 8));
    while (table.size() < 256) table.push_back(qRgb(0, 0, 0));
    img.setColorTable(table);
}

QImage TX11Display::Grab(const TRect& r) {
    if (r.Empty() || !Open()) return QImage();
    const TRect screen{0, 0, ScreenWidth(), ScreenHeight()};
    const TRect part = Intersect(r, screen);
    TShmPool::TSegment* seg = nullptr;
    XImage* img = part.Empty() ? nullptr : GetImage(part, &seg);
    QImage::Format format =
        img ? FormatOf(img) : (Paletted() ? QImage::Format_Indexed8 : QImage::Format_RGB32);
    if (img && part == r && seg && format != QImage::Format_Invalid) {
        // The whole rectangle is on the screen: the segment is the picture.
        auto release = std::make_unique<TRelease>(TRelease{Pool, seg});
        QImage out(reinterpret_cast<uchar*>(img->data), r.Width(), r.Height(), img->bytes_per_line,
                   format, &ReleaseSegment, release.release());
        img->data = nullptr;
        XDestroyImage(img);
        if (format == QImage::Format_Indexed8) SetPalette(out);
        return out;
    }
    // Partly off the screen (or an unusual pixel format): black, then the
    // part that is on the screen.
    if (format == QImage::Format_Invalid) format = QImage::Format_RGB32;
    QImage out(r.Width(), r.Height(), format);
    if (out.isNull()) return QImage();
    if (format == QImage::Format_Indexed8) SetPalette(out);
    out.fill(format == QImage::Format_Indexed8 ? BlackPixel(Dpy(), DefaultScreen(Dpy()))
                                               : 0xFF000000u);
    if (img) {
        const int dx = part.Left - r.Left, dy = part.Top - r.Top;
        if (FormatOf(img) == format) {
            const int bytes = out.depth() / 8;
            for (int y = 0; y < part.Height(); ++y)
                std::memcpy(out.scanLine(dy + y) + dx * bytes, img->data + y * img->bytes_per_line,
                            static_cast<size_t>(part.Width() * bytes));
        } else {
            const Visual* v = TheVisual();
            auto channel = [](unsigned long p, unsigned long mask) {
                if (!mask) return 0;
                int shift = 0;
                while (!((mask >> shift) & 1)) ++shift;
                return static_cast<int>(((p & mask) >> shift) * 255 / (mask >> shift));
            };
            for (int y = 0; y < part.Height(); ++y)
                for (int x = 0; x < part.Width(); ++x) {
                    const unsigned long p = XGetPixel(img, x, y);
                    out.setPixel(dx + x, dy + y,
                                 qRgb(channel(p, v->red_mask), channel(p, v->green_mask),
                                      channel(p, v->blue_mask)));
                }
        }
        if (seg) {
            img->data = nullptr;
            Pool->Give(seg);
        }
        XDestroyImage(img);
    }
    return out;
}

Window TX11Display::TopLevel(Window w) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned n = 0;
    while (w && w != Root()) {
        if (!XQueryTree(Dpy(), w, &root, &parent, &children, &n)) return 0;
        if (children) XFree(children);
        if (parent == root) return w;
        w = parent;
    }
    return 0;
}

bool TX11Display::Hidden(Window w) {
    const Atom state = XInternAtom(Dpy(), "_NET_WM_STATE", False);
    const Atom hidden = XInternAtom(Dpy(), "_NET_WM_STATE_HIDDEN", False);
    Atom type;
    int format;
    unsigned long n = 0, after;
    unsigned char* data = nullptr;
    bool result = false;
    if (XGetWindowProperty(Dpy(), w, state, 0, 64, False, XA_ATOM, &type, &format, &n, &after,
                           &data) == Success &&
        data && format == 32) {
        const auto* atoms = reinterpret_cast<const Atom*>(data);
        for (unsigned long i = 0; i < n; ++i) result = result || atoms[i] == hidden;
    }
    if (data) XFree(data);
    return result;
}

TRect TX11Display::Foreground(bool withFrame) {
    if (!Open()) return {};
    TXErrorTrap trap(Dpy()); // the window may vanish while we look
    Window client = 0;
    Atom type;
    int format;
    unsigned long n = 0, after;
    unsigned char* data = nullptr;
    const Atom active = XInternAtom(Dpy(), "_NET_ACTIVE_WINDOW", False);
    bool managed = false; // a window manager keeps _NET_ACTIVE_WINDOW
    if (XGetWindowProperty(Dpy(), Root(), active, 0, 1, False, XA_WINDOW, &type, &format, &n,
                           &after, &data) == Success &&
        data && n == 1 && format == 32) {
        managed = true;
        client = static_cast<Window>(*reinterpret_cast<const unsigned long*>(data));
    }
    if (data) XFree(data);
    if (managed && !client) return {}; // nothing active, e.g. the last window minimised
    if (!client) {
        int revert;
        XGetInputFocus(Dpy(), &client, &revert);
        if (client == PointerRoot || client == None) return {};
        client = TopLevel(client); // without a window manager the top level is the window
    }
    XWindowAttributes a{};
    if (!client || !XGetWindowAttributes(Dpy(), client, &a) || trap.Sync()) return {};
    if (a.map_state != IsViewable || a.width <= 0 || a.height <= 0 || Hidden(client)) return {};
    int x = 0, y = 0;
    Window child;
    XTranslateCoordinates(Dpy(), client, Root(), 0, 0, &x, &y, &child);
    TRect r{x, y, x + a.width, y + a.height};
    if (trap.Sync()) return {}; // the window went away meanwhile
    if (!withFrame) return r;
    const Atom extents = XInternAtom(Dpy(), "_NET_FRAME_EXTENTS", False);
    data = nullptr;
    if (XGetWindowProperty(Dpy(), client, extents, 0, 4, False, XA_CARDINAL, &type, &format, &n,
                           &after, &data) == Success &&
        data && n == 4 && format == 32) {
        const auto* e = reinterpret_cast<const unsigned long*>(data);
        r = {r.Left - static_cast<int>(e[0]), r.Top - static_cast<int>(e[2]),
             r.Right + static_cast<int>(e[1]), r.Bottom + static_cast<int>(e[3])};
        XFree(data);
        return r;
    }
    if (data) XFree(data);
    // No extents: the frame is the ancestor that is a child of the root.
    const Window frame = TopLevel(client);
    XWindowAttributes fa{};
    if (frame && frame != client && XGetWindowAttributes(Dpy(), frame, &fa))
        return {fa.x, fa.y, fa.x + fa.width + 2 * fa.border_width,
                fa.y + fa.height + 2 * fa.border_width};
    return r;
}

bool TX11Display::BeginSelection() {
    if (!Open()) return false;
    Display* d = Dpy();
    XGCValues v{};
    v.function = GXinvert;
    v.subwindow_mode = IncludeInferiors; // draw over every window, as on the desktop itself
    v.graphics_exposures = False;
    InvertGC = XCreateGC(d, Root(), GCFunction | GCSubwindowMode | GCGraphicsExposures, &v);
    v.function = GXcopy;
    CopyGC = XCreateGC(d, Root(), GCFunction | GCSubwindowMode | GCGraphicsExposures, &v);
    // Under a compositing manager nothing drawn on the root window shows:
    // freeze the screen into a pixmap shown by a full-screen window and draw
    // on that instead.
    const Atom cm = XInternAtom(d, "_NET_WM_CM_S0", False);
    if (XGetSelectionOwner(d, cm) != 0) {
        const int w = ScreenWidth(), h = ScreenHeight(), depth = Depth();
        Frozen = XCreatePixmap(d, Root(), static_cast<unsigned>(w), static_cast<unsigned>(h),
                               static_cast<unsigned>(depth));
        XCopyArea(d, Root(), Frozen, CopyGC, 0, 0, static_cast<unsigned>(w),
                  static_cast<unsigned>(h), 0, 0);
        XSetWindowAttributes a{};
        a.override_redirect = True;
        a.background_pixmap = Frozen;
        Overlay = XCreateWindow(d, Root(), 0, 0, static_cast<unsigned>(w), static_cast<unsigned>(h),
                                0, CopyFromParent, InputOutput, CopyFromParent,
                                CWOverrideRedirect | CWBackPixmap, &a);
        XMapRaised(d, Overlay);
    }
    XSync(d, False);
    return true;
}

void TX11Display::EndSelection() {
    if (!Pool) return;
    Display* d = Dpy();
    if (Overlay) XDestroyWindow(d, Overlay);
    if (Frozen) XFreePixmap(d, Frozen);
    Overlay = 0;
    Frozen = 0;
    if (InvertGC) XFreeGC(d, InvertGC);
    if (CopyGC) XFreeGC(d, CopyGC);
    InvertGC = CopyGC = nullptr;
    XSync(d, False);
}

void TX11Display::Show(int x, int y, int w, int h) {
    // Copied, not cleared from the background: a server may have taken its
    // own copy of the background pixmap when it was set.
    if (Overlay)
        XCopyArea(Dpy(), Frozen, Overlay, CopyGC, x, y, static_cast<unsigned>(w),
                  static_cast<unsigned>(h), x, y);
}

QPoint TX11Display::CursorPos() {
    if (!Open()) return {};
    Window root, child;
    int rx = 0, ry = 0, wx, wy;
    unsigned mask;
    XQueryPointer(Dpy(), Root(), &root, &child, &rx, &ry, &wx, &wy, &mask);
    return {rx, ry};
}

void TX11Display::Invert(const QImage& mask, QPoint at) {
    if (!InvertGC || mask.isNull()) return;
    Display* d = Dpy();
    // The mask becomes the clip of one inverting fill: every set pixel flips once.
    const int w = mask.width(), h = mask.height();
    const int stride = (w + 7) / 8; // bitmap data: rows of bytes, least significant bit first
    std::vector<char> data(static_cast<size_t>(stride) * h, 0);
    for (int y = 0; y < h; ++y) {
        const uchar* m = mask.constScanLine(y);
        char* row = &data[static_cast<size_t>(y) * stride];
        for (int x = 0; x < w; ++x)
            if (m[x]) row[x >> 3] = static_cast<char>(row[x >> 3] | (1 << (x & 7)));
    }
    Pixmap clip = XCreateBitmapFromData(d, Root(), data.data(), static_cast<unsigned>(w),
                                        static_cast<unsigned>(h));
    XSetClipMask(d, InvertGC, clip);
    XSetClipOrigin(d, InvertGC, at.x(), at.y());
    XFillRectangle(d, Target(), InvertGC, at.x(), at.y(), static_cast<unsigned>(w),
                   static_cast<unsigned>(h));
    XSetClipMask(d, InvertGC, 0);
    XFreePixmap(d, clip);
    Show(at.x(), at.y(), w, h);
    XFlush(d);
}

void TX11Display::Put(const QImage& picture, QPoint at) {
    if (!CopyGC || picture.isNull()) return;
    Display* d = Dpy();
    QImage img;
    if (Paletted()) {
        // Saved strips carry the screen's own pixel values; text is black and white.
        if (picture.format() == QImage::Format_Indexed8) {
            img = picture;
        } else {
            img = QImage(picture.size(), QImage::Format_Indexed8);
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x)
                    img.scanLine(y)[x] = static_cast<uchar>(qGray(picture.pixel(x, y)) > 127
                                                                ? WhitePixel(d, DefaultScreen(d))
                                                                : BlackPixel(d, DefaultScreen(d)));
        }
    } else {
        img = picture.convertToFormat(QImage::Format_RGB32);
    }
    XImage* x =
        XCreateImage(d, TheVisual(), static_cast<unsigned>(Depth()), ZPixmap, 0,
                     reinterpret_cast<char*>(const_cast<uchar*>(img.constBits())),
                     static_cast<unsigned>(img.width()), static_cast<unsigned>(img.height()),
                     img.depth(), static_cast<int>(img.bytesPerLine()));
    if (x) {
        XPutImage(d, Target(), CopyGC, x, 0, 0, at.x(), at.y(), static_cast<unsigned>(img.width()),
                  static_cast<unsigned>(img.height()));
        x->data = nullptr; // the picture's memory
        XDestroyImage(x);
    }
    Show(at.x(), at.y(), img.width(), img.height());
    XFlush(d);
}

} // namespace

std::unique_ptr<TDisplay> CreateX11Display() {
    return std::make_unique<TX11Display>();
}
