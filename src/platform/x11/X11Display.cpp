#include "platform/x11/X11Display.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/x11/X11DisplayImpl.h"
#include "platform/x11/screen/XErrorTrap.h"

namespace {

struct TRelease {
    std::shared_ptr<TShmPool> Pool;
    TShmPool::TSegment* Segment;
};

void ReleaseSegment(void* info) {
    std::unique_ptr<TRelease> r(static_cast<TRelease*>(info));
    r->Pool->Give(r->Segment);
}

// A picture over the segment's memory; the segment goes back to the pool
// when the last copy of the picture is gone.
QImage Wrap(const std::shared_ptr<TShmPool>& pool, TShmPool::TSegment* seg, int width, int height,
            int bytesPerLine, QImage::Format format) {
    auto release = std::make_unique<TRelease>(TRelease{pool, seg});
    QImage out(reinterpret_cast<uchar*>(seg->Info.shmaddr), width, height, bytesPerLine, format,
               &ReleaseSegment, release.get());
    if (out.isNull()) {
        pool->Give(seg);
        return out;
    }
    release.release(); // the picture's clean-up owns it now
    return out;
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
    Screen = std::make_unique<TXScreen>(dpy);
    return true;
}

void TX11Display::NoteForeground() {
    if (Open()) Screen->NoteForeground();
}

QImage::Format TX11Display::FormatOf(const XImage* img) const {
    switch (Screen->PixelsOf(img)) {
    case TXPixels::Index8:
        return QImage::Format_Indexed8;
    case TXPixels::Bgrx32:
        return QImage::Format_RGB32;
    case TXPixels::Rgb565:
        return QImage::Format_RGB16;
    default:
        return QImage::Format_Invalid; // read pixel by pixel
    }
}

void TX11Display::SetPalette(QImage& img) {
    const std::vector<uint32_t> table = Screen->ColorTable();
    img.setColorTable(QList<QRgb>(table.begin(), table.end()));
}

QImage TX11Display::Grab(const TRect& r) {
    if (r.Empty() || !Open()) return QImage();
    const TRect screen{0, 0, ScreenWidth(), ScreenHeight()};
    const TRect part = Intersect(r, screen);
    TShmPool::TSegment* seg = nullptr;
    XImage* img = part.Empty() ? nullptr : Screen->GetImage(*Pool, Target(), part, &seg);
    // A part on the screen that the server will not give (BadMatch on the
    // root of a rootless Xwayland): no picture, rather than a black one.
    if (!part.Empty() && !img) return QImage();
    QImage::Format format =
        img ? FormatOf(img)
            : (Screen->PaletteVisual() ? QImage::Format_Indexed8 : QImage::Format_RGB32);
    if (img && part == r && seg && format != QImage::Format_Invalid) {
        // The whole rectangle is on the screen: the segment is the picture.
        QImage out = Wrap(Pool, seg, r.Width(), r.Height(), img->bytes_per_line, format);
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
    out.fill(format == QImage::Format_Indexed8 ? Screen->Black() : 0xFF000000u);
    if (img) {
        const int dx = part.Left - r.Left, dy = part.Top - r.Top;
        if (FormatOf(img) == format) {
            const int bytes = out.depth() / 8;
            for (int y = 0; y < part.Height(); ++y)
                std::memcpy(out.scanLine(dy + y) + dx * bytes, img->data + y * img->bytes_per_line,
                            static_cast<size_t>(part.Width() * bytes));
        } else {
            for (int y = 0; y < part.Height(); ++y)
                for (int x = 0; x < part.Width(); ++x)
                    out.setPixel(dx + x, dy + y, Screen->RgbOf(XGetPixel(img, x, y)));
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
