#include "platform/memory/MemoryDisplay.h"

TMemoryDisplay::TMemoryDisplay() : Screen(640, 480, QImage::Format_RGB32) {
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) Screen.setPixel(x, y, qRgb(x % 256, y % 256, (x + y) % 256));
}

QImage TMemoryDisplay::Grab(const TRect& r) {
    if (r.Empty()) return QImage();
    QImage out(r.Width(), r.Height(), QImage::Format_RGB32);
    out.fill(Qt::black);
    for (int y = 0; y < r.Height(); ++y)
        for (int x = 0; x < r.Width(); ++x)
            if (Screen.valid(r.Left + x, r.Top + y))
                out.setPixel(x, y, Screen.pixel(r.Left + x, r.Top + y));
    return out;
}

void TMemoryDisplay::Invert(const QImage& mask, QPoint at) {
    for (int y = 0; y < mask.height(); ++y)
        for (int x = 0; x < mask.width(); ++x)
            if (mask.constScanLine(y)[x] && Screen.valid(at.x() + x, at.y() + y)) {
                QRgb* p = reinterpret_cast<QRgb*>(Screen.scanLine(at.y() + y)) + at.x() + x;
                *p ^= 0x00FFFFFF;
            }
}

void TMemoryDisplay::Put(const QImage& picture, QPoint at) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x)
            if (Screen.valid(at.x() + x, at.y() + y))
                Screen.setPixel(at.x() + x, at.y() + y, rgb.pixel(x, y));
}
