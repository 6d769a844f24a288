#include "AppSupport.h"

TFakeDisplay::TFakeDisplay() : Screen(640, 480, QImage::Format_RGB32) {
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) Screen.setPixel(x, y, qRgb(x % 256, y % 256, (x + y) % 256));
}

QImage TFakeDisplay::Grab(const TRect& r) {
    if (r.Empty()) return QImage();
    QImage out(r.Width(), r.Height(), QImage::Format_RGB32);
    out.fill(Qt::black);
    for (int y = 0; y < r.Height(); ++y)
        for (int x = 0; x < r.Width(); ++x)
            if (Screen.valid(r.Left + x, r.Top + y))
                out.setPixel(x, y, Screen.pixel(r.Left + x, r.Top + y));
    return out;
}
