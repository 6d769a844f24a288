// Test pictures for the benchmarks: a 4K screenshot-like picture (flat
// windows, gradients, lines of small glyphs) and a noisy photo-like one.
#pragma once

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QStringList>
#include <algorithm>
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

// A busy 4K desktop drawn as the screen shows one: overlapping windows with
// title bars, menus, toolbars and buttons, lines of real text in the
// Liberation fonts (anti-aliased), a terminal, icons and a panel. Needs a
// QGuiApplication (fonts); the same picture every run.
inline QImage DesktopPicture(int w = 3840, int h = 2160) {
    QImage img(w, h, QImage::Format_RGB32);
    QLinearGradient sky(0, 0, w, h);
    sky.setColorAt(0, QColor(36, 72, 120));
    sky.setColorAt(1, QColor(92, 140, 180));
    QPainter p(&img);
    p.fillRect(img.rect(), sky);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    std::mt19937 rng(3);
    const QStringList words =
        QString("the screen capture saves pictures as files prints them copies "
                "to clipboard sends mail with attachment window client area "
                "rectangle shape hot key settings delivery open image convert "
                "folder name size date 1024 768 PNG JPEG GIF bitmap")
            .split(' ');
    auto sentence = [&](int n) {
        QString s;
        for (int i = 0; i < n; ++i) s += words[static_cast<int>(rng() % words.size())] + ' ';
        return s;
    };
    for (int win = 0; win < 9; ++win) {
        const QRect r(static_cast<int>(rng() % (w - 1500)), static_cast<int>(rng() % (h - 1000)),
                      900 + static_cast<int>(rng() % 600), 600 + static_cast<int>(rng() % 400));
        const bool terminal = win % 4 == 3;
        p.setPen(QColor(0, 0, 0, 60));
        p.fillRect(r.translated(6, 6), QColor(0, 0, 0, 50)); // shadow
        p.fillRect(r, terminal ? QColor(30, 30, 30) : QColor(250, 250, 250));
        p.fillRect(QRect(r.x(), r.y(), r.width(), 36), QColor(225, 228, 232));
        p.setPen(QColor(40, 40, 40));
        p.setFont(QFont("Liberation Sans", 13, QFont::Bold));
        p.drawText(r.x() + 12, r.y() + 25, sentence(4));
        for (int b = 0; b < 3; ++b) {
            p.setBrush(QColor(b == 2 ? 230 : 180, 90 + 40 * b, 90));
            p.drawEllipse(QPoint(r.right() - 20 - 28 * b, r.y() + 18), 8, 8);
        }
        int y = r.y() + 60;
        if (!terminal) {
            p.setFont(QFont("Liberation Sans", 11));
            p.setPen(QColor(30, 30, 30));
            p.drawText(r.x() + 12, y, "File   Edit   View   Insert   Format   Tools   Help");
            y += 14;
            for (int t = 0; t < 14; ++t) {
                p.setBrush(QColor(240, 240, 240));
                p.setPen(QColor(170, 170, 170));
                p.drawRoundedRect(QRect(r.x() + 10 + 34 * t, y, 30, 30), 4, 4);
                p.setBrush(QColor::fromHsv(static_cast<int>(rng() % 360), 160, 200));
                p.drawEllipse(QRect(r.x() + 17 + 34 * t, y + 7, 16, 16));
            }
            y += 56;
        }
        p.setFont(terminal ? QFont("Liberation Mono", 11) : QFont("Liberation Serif", 12));
        p.setPen(terminal ? QColor(200, 230, 200) : QColor(20, 20, 20));
        for (; y < r.bottom() - 60; y += terminal ? 19 : 22)
            p.drawText(r.x() + 16, y, sentence(5 + static_cast<int>(rng() % 9)));
        if (!terminal) {
            for (int b = 0; b < 2; ++b) {
                const QRect button(r.right() - 230 + 110 * b, r.bottom() - 48, 100, 34);
                p.setBrush(b ? QColor(53, 132, 228) : QColor(235, 235, 235));
                p.setPen(QColor(150, 150, 150));
                p.drawRoundedRect(button, 5, 5);
                p.setPen(b ? Qt::white : Qt::black);
                p.drawText(button, Qt::AlignCenter, b ? "OK" : "Cancel");
            }
        }
    }
    p.fillRect(QRect(0, h - 48, w, 48), QColor(20, 20, 24));
    p.setPen(Qt::white);
    p.setFont(QFont("Liberation Sans", 12));
    p.drawText(QRect(w - 200, h - 48, 180, 48), Qt::AlignCenter, "17:25  Tue 8 Dec");
    return img;
}
