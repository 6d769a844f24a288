#include "platform/x11/X11Display.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/x11/X11DisplayImpl.h"
#include "platform/x11/XErrorTrap.h"

namespace {

TRect Intersect(const TRect& a, const TRect& b) {
    return {std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
            std::min(a.Bottom, b.Bottom)};
}

} // namespace

TX11Display::~TX11Display() {
    EndSelection(); // a selection still drawing must not leave its window on the screen
}

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

bool TX11Display::PaletteVisual() const {
    const int c = TheVisual()->c_class;
    return c == PseudoColor || c == StaticColor || c == GrayScale || c == StaticGray;
}

QImage::Format TX11Display::FormatOf(const XImage* img) const {
    // The visual's masks: an image read from a pixmap (the frozen screen)
    // carries none of its own.
    const Visual* v = TheVisual();
    if (img->bits_per_pixel == 8 && PaletteVisual()) return QImage::Format_Indexed8;
    if (img->bits_per_pixel == 32 && v->red_mask == 0xFF0000 && v->green_mask == 0xFF00 &&
        v->blue_mask == 0xFF && img->byte_order == LSBFirst)
        return QImage::Format_RGB32;
    if (img->bits_per_pixel == 16 && v->red_mask == 0xF800 && v->green_mask == 0x07E0 &&
        v->blue_mask == 0x1F && img->byte_order == LSBFirst)
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
        img ? FormatOf(img) : (PaletteVisual() ? QImage::Format_Indexed8 : QImage::Format_RGB32);
    if (img && part == r && seg && format != QImage::Format_Invalid) {
        // The whole rectangle is on the screen: the segment is the picture.
        QImage out = Pool->Wrap(seg, r.Width(), r.Height(), img->bytes_per_line, format);
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

QPoint TX11Display::CursorPos() {
    if (!Open()) return {};
    Window root, child;
    int rx = 0, ry = 0, wx, wy;
    unsigned mask;
    XQueryPointer(Dpy(), Root(), &root, &child, &rx, &ry, &wx, &wy, &mask);
    return {rx, ry};
}

std::unique_ptr<TDisplay> CreateX11Display() {
    return std::make_unique<TX11Display>();
}
