#include "platform/x11/screen/X11ScreenRows.h"

#include <algorithm>
#include <cstring>

#include "imaging/core/ImageError.h"

#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

namespace {
constexpr uint32_t OpaqueBlack = 0xFF000000u; // what a grab's 32-bit picture is filled with
}

TXScreenRows::TXScreenRows(TXScreen& screen, TShmPool& pool, const TRect& r, int stripRows)
    : Screen(screen), Pool(pool), R(r), StripRows(std::max(stripRows, 1)) {
    Part = Intersect(r, {0, 0, screen.Width(), screen.Height()});
    Width = r.Empty() ? 0 : r.Width();
    Height = r.Empty() ? 0 : r.Height();
    StableRows = false;
    if (Part.Empty()) {
        First = End = 0;
    } else {
        First = Part.Top - r.Top;
        End = Part.Bottom - r.Top;
    }
    Display* dpy = screen.Dpy();
    Trap = std::make_unique<TXErrorTrap>(dpy);
    // The server's layout of a strip, before any is read: the writers ask
    // for the row format first.
    const unsigned w = static_cast<unsigned>(std::max(Part.Width(), 1));
    const unsigned n = static_cast<unsigned>(std::min(StripRows, std::max(End - First, 1)));
    XShmSegmentInfo info{};
    if (screen.Shm())
        ShmImage = XShmCreateImage(dpy, screen.TheVisual(), static_cast<unsigned>(screen.Depth()),
                                   ZPixmap, nullptr, &info, w, n);
    if (ShmImage) {
        Segment = pool.Take(static_cast<size_t>(ShmImage->bytes_per_line) * n);
        if (Segment) {
            ShmImage->data = Segment->Info.shmaddr;
            ShmImage->obdata = reinterpret_cast<char*>(&Segment->Info);
        } else {
            screen.DropShm();
        }
    }
    XImage* layout = ShmImage;
    if (!layout)
        layout = XCreateImage(dpy, screen.TheVisual(), static_cast<unsigned>(screen.Depth()),
                              ZPixmap, 0, nullptr, w, 1, 32, 0);
    Pixels = layout ? screen.PixelsOf(layout) : TXPixels::Other;
    if (layout && layout != ShmImage) XDestroyImage(layout);
    if (ShmImage && !Segment) {
        XDestroyImage(ShmImage); // no data of its own
        ShmImage = nullptr;
    }
    switch (Pixels) {
    case TXPixels::Index8:
        Format = TRowFormat::Index8;
        ColorTable = screen.ColorTable();
        break;
    case TXPixels::Rgb565:
        Format = TRowFormat::Rgb24;
        break;
    default:
        Format = TRowFormat::Bgrx32;
        break;
    }
    Direct = (Pixels == TXPixels::Index8 || Pixels == TXPixels::Bgrx32) && Part.Left == r.Left &&
             Part.Right == r.Right;
    const size_t bytes = Format == TRowFormat::Index8 ? 1 : Format == TRowFormat::Rgb24 ? 3 : 4;
    Scratch.resize(static_cast<size_t>(Width) * bytes);
}

TXScreenRows::~TXScreenRows() {
    FreePlain();
    if (ShmImage) {
        ShmImage->data = nullptr;
        XDestroyImage(ShmImage);
    }
    if (Segment) Pool.Give(Segment);
    if (Grabbed) XUngrabServer(Screen.Dpy());
    Trap.reset(); // waits for the server: the grab ends here
}

void TXScreenRows::FreePlain() {
    if (Plain) XDestroyImage(Plain);
    Plain = nullptr;
}

void TXScreenRows::Fetch(int y) {
    // Part lies on the screen, so a refusal is the server's (rootless
    // Xwayland): an error with words, never a black picture.
    if (Screen.RootRefused()) throw EImageError(GrabFailureText(TGrabFailure::Refused));
    // Rows go top to bottom or bottom to top (bitmap files): the strip
    // reaches from Y the way the rows go.
    const bool up = LastY < 0 ? y != First : y < LastY;
    const int top = up ? std::max(First, y - StripRows + 1) : y;
    const int end = std::min(End, top + StripRows);
    if (!Grabbed && end - top < End - First) {
        XGrabServer(Screen.Dpy());
        Grabbed = true;
    }
    FreePlain();
    Strip = nullptr;
    const unsigned w = static_cast<unsigned>(Part.Width());
    const unsigned h = static_cast<unsigned>(end - top);
    if (ShmImage) {
        ShmImage->height = static_cast<int>(h);
        if (XShmGetImage(Screen.Dpy(), Screen.Root(), ShmImage, Part.Left, R.Top + top,
                         AllPlanes)) {
            Strip = ShmImage;
            MapForReading(ShmImage->data, static_cast<size_t>(ShmImage->bytes_per_line) * h);
        }
    }
    if (!Strip) {
        Plain = XGetImage(Screen.Dpy(), Screen.Root(), Part.Left, R.Top + top, w, h, AllPlanes,
                          ZPixmap);
        Strip = Plain;
    }
    if (!Strip) throw EImageError(GrabFailureText(TGrabFailure::Refused));
    StripTop = top;
    StripEnd = end;
}

void TXScreenRows::BlackInto(uint8_t* row) const {
    switch (Format) {
    case TRowFormat::Index8:
        std::memset(row, static_cast<int>(Screen.Black()), static_cast<size_t>(Width));
        break;
    case TRowFormat::Bgrx32:
        for (int x = 0; x < Width; ++x) std::memcpy(row + size_t(x) * 4, &OpaqueBlack, 4);
        break;
    default:
        std::memset(row, 0, static_cast<size_t>(Width) * 3);
        break;
    }
}

const uint8_t* TXScreenRows::Row(int y) {
    if (y < First || y >= End) {
        BlackInto(Scratch.data());
        return Scratch.data();
    }
    if (y < StripTop || y >= StripEnd || LastY < 0) Fetch(y);
    LastY = y;
    const uint8_t* src = reinterpret_cast<const uint8_t*>(Strip->data) +
                         static_cast<size_t>(y - StripTop) * Strip->bytes_per_line;
    if (Direct) return src;
    BlackInto(Scratch.data());
    const int dx = Part.Left - R.Left, w = Part.Width();
    switch (Pixels) {
    case TXPixels::Index8:
        std::memcpy(Scratch.data() + dx, src, static_cast<size_t>(w));
        break;
    case TXPixels::Bgrx32:
        std::memcpy(Scratch.data() + size_t(dx) * 4, src, static_cast<size_t>(w) * 4);
        break;
    case TXPixels::Rgb565:
        ExpandRgb565Row(src, w, Scratch.data() + size_t(dx) * 3);
        break;
    case TXPixels::Other: {
        auto* img = const_cast<XImage*>(Strip);
        for (int x = 0; x < w; ++x) {
            const uint32_t c = Screen.RgbOf(XGetPixel(img, x, y - StripTop));
            std::memcpy(Scratch.data() + size_t(dx + x) * 4, &c, 4);
        }
        break;
    }
    }
    return Scratch.data();
}
