// The surface a selection draws on. Every selection runs on a full-screen
// override-redirect window that shows the screen frozen when the selection
// began: no other client can draw into the figure (on the root window, a
// window that redraws under the band keeps inverted residue, and the picture
// with it), nothing drawn is lost under a compositing manager, and the
// picture is the screen as the user saw it when the selection started.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/x11/X11DisplayImpl.h"
#include "product/ProductName.h"

bool TX11Display::BeginSelection() {
    if (!Open()) return false;
    EndSelection(); // one surface at a time
    Display* d = Dpy();
    XGCValues v{};
    v.function = GXinvert;
    v.subwindow_mode = IncludeInferiors;
    v.graphics_exposures = False;
    InvertGC = XCreateGC(d, Root(), GCFunction | GCSubwindowMode | GCGraphicsExposures, &v);
    v.function = GXcopy;
    CopyGC = XCreateGC(d, Root(), GCFunction | GCSubwindowMode | GCGraphicsExposures, &v);
    const int w = ScreenWidth(), h = ScreenHeight();
    Frozen = XCreatePixmap(d, Root(), static_cast<unsigned>(w), static_cast<unsigned>(h),
                           static_cast<unsigned>(Depth()));
    XCopyArea(d, Root(), Frozen, CopyGC, 0, 0, static_cast<unsigned>(w), static_cast<unsigned>(h),
              0, 0);
    XSetWindowAttributes a{};
    a.override_redirect = True;
    a.background_pixmap = Frozen;
    Overlay = XCreateWindow(d, Root(), 0, 0, static_cast<unsigned>(w), static_cast<unsigned>(h), 0,
                            CopyFromParent, InputOutput, CopyFromParent,
                            CWOverrideRedirect | CWBackPixmap, &a);
    XStoreName(d, Overlay, (std::string(ProgramTitle) + " selection").c_str());
    XMapRaised(d, Overlay);
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

XImage* TX11Display::ScreenImage(const QImage& picture) {
    // The image in the screen's own layout, whatever its depth: a strip
    // saved by Grab goes back bit for bit, text comes in as RGB.
    Display* d = Dpy();
    const unsigned w = static_cast<unsigned>(picture.width());
    const unsigned h = static_cast<unsigned>(picture.height());
    XImage* x = XCreateImage(d, TheVisual(), static_cast<unsigned>(Depth()), ZPixmap, 0, nullptr, w,
                             h, 32, 0);
    if (!x) return nullptr;
    x->data = static_cast<char*>(std::calloc(static_cast<size_t>(x->bytes_per_line), h));
    if (!x->data) {
        XDestroyImage(x);
        return nullptr;
    }
    const QImage::Format native = FormatOf(x);
    QImage img;
    if (native == QImage::Format_Indexed8) {
        if (picture.format() == QImage::Format_Indexed8) {
            img = picture;
        } else {
            // Text is black and white: the screen's own black and white.
            img = QImage(picture.size(), QImage::Format_Indexed8);
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x)
                    img.scanLine(y)[x] = static_cast<uchar>(qGray(picture.pixel(x, y)) > 127
                                                                ? WhitePixel(d, DefaultScreen(d))
                                                                : BlackPixel(d, DefaultScreen(d)));
        }
    } else if (native != QImage::Format_Invalid) {
        img = picture.convertToFormat(native);
    }
    if (!img.isNull()) {
        const size_t bytes = static_cast<size_t>(img.width() * img.depth() / 8);
        for (int y = 0; y < img.height(); ++y)
            std::memcpy(x->data + static_cast<ptrdiff_t>(y) * x->bytes_per_line,
                        img.constScanLine(y), bytes);
        return x;
    }
    // Another layout: each channel scaled to its mask, rounded, so that what
    // Grab read comes back as it was.
    const Visual* v = TheVisual();
    auto channel = [](int c, unsigned long mask) {
        if (!mask) return 0ul;
        int shift = 0;
        while (!((mask >> shift) & 1)) ++shift;
        const unsigned long max = mask >> shift;
        return ((static_cast<unsigned long>(c) * max + 127) / 255) << shift;
    };
    for (unsigned y = 0; y < h; ++y)
        for (unsigned x_ = 0; x_ < w; ++x_) {
            const QRgb c = picture.pixel(static_cast<int>(x_), static_cast<int>(y));
            XPutPixel(x, static_cast<int>(x_), static_cast<int>(y),
                      channel(qRed(c), v->red_mask) | channel(qGreen(c), v->green_mask) |
                          channel(qBlue(c), v->blue_mask));
        }
    return x;
}

void TX11Display::Put(const QImage& picture, QPoint at) {
    if (!CopyGC || picture.isNull()) return;
    XImage* x = ScreenImage(picture);
    if (!x) return;
    XPutImage(Dpy(), Target(), CopyGC, x, 0, 0, at.x(), at.y(), static_cast<unsigned>(x->width),
              static_cast<unsigned>(x->height));
    XDestroyImage(x); // frees the data too
    Show(at.x(), at.y(), picture.width(), picture.height());
    XFlush(Dpy());
}
