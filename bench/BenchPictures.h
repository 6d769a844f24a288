// Test pictures for the benchmarks: a 4K screenshot-like picture (flat
// windows, gradients, lines of small glyphs) and a noisy photo-like one.
#pragma once

#include <QImage>
#include <random>

inline QImage ScreenshotPicture(int w = 3840, int h = 2160) {
    QImage img(w, h, QImage::Format_RGB32);
    std::mt19937 rng(1);
    img.fill(qRgb(58, 110, 165)); // desktop
    for (int win = 0; win < 12; ++win) {
        const int x0 = static_cast<int>(rng() % (w - 900)),
                  y0 = static_cast<int>(rng() % (h - 700));
        const int ww = 500 + static_cast<int>(rng() % 400),
                  wh = 300 + static_cast<int>(rng() % 400);
        for (int y = y0; y < y0 + wh; ++y) {
            auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
            for (int x = x0; x < x0 + ww; ++x) {
                if (y < y0 + 24)
                    line[x] = qRgb(10, 36 + (x - x0) * 180 / ww, 106 + (x - x0) * 100 / ww);
                else
                    line[x] = qRgb(255, 255, 255);
            }
            // Text: short dark strokes on every other 16-pixel line band.
            if (y > y0 + 30 && ((y - y0) % 16) < 10)
                for (int x = x0 + 8; x < x0 + ww - 8; x += 1 + static_cast<int>(rng() % 4))
                    if (rng() % 3 == 0) line[x] = qRgb(0, 0, 0);
        }
    }
    return img;
}

inline QImage PhotoPicture(int w = 3840, int h = 2160) {
    QImage img(w, h, QImage::Format_RGB32);
    std::mt19937 rng(2);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int n = static_cast<int>(rng() % 41) - 20;
            auto c = [&](int v) { return std::clamp(v + n, 0, 255); };
            line[x] = qRgb(c(x * 255 / w), c(y * 255 / h), c(128 + (x - y) % 100));
        }
    }
    return img;
}
