// Pictures and comparisons for the editor model's tests.
#pragma once

#include <QImage>
#include <QRect>
#include <cstdint>
#include <random>

#include "editor/model/EditorItem.h"

// A picture of noise, different for each seed: any pixel a redaction let
// through, or an edit left behind, shows.
inline QImage NoisePicture(int w, int h, uint32_t seed) {
    QImage img(w, h, QImage::Format_RGB32);
    std::mt19937 random(seed);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x) line[x] = random() | 0xFF000000u;
    }
    return img;
}

// The box around every pixel where A and B differ (same size); empty when none.
inline QRect Difference(const QImage& a, const QImage& b) {
    QRect box;
    for (int y = 0; y < a.height(); ++y) {
        const auto* la = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* lb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x)
            if (la[x] != lb[x]) box |= QRect(x, y, 1, 1);
    }
    return box;
}

inline TEditorItem Item(TItemKind kind, QList<QPointF> points, TItemStyle style = {},
                        QString text = {}) {
    return TEditorItem{kind, std::move(points), style, std::move(text)};
}
