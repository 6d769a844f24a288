#include "editor/model/Redaction.h"

#include <algorithm>
#include <random>

namespace {

// A keyed mix of the cell's place (two rounds of a 64-bit finaliser, the
// key folded in before each): cheap, and no pixel of the picture goes in.
uint64_t Mix(uint64_t x) {
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    x *= 0xc4ceb9fe1a85ec53ULL;
    x ^= x >> 33;
    return x;
}

int Noisy(int base, int noise) {
    // Half the base, half the noise: the area keeps the chosen hue.
    return std::clamp(base / 2 + noise / 2, 0, 255);
}

} // namespace

TRedactionKey TRedactionKey::NewKey() {
    std::random_device source;
    auto word = [&source] { return (uint64_t(source()) << 32) ^ source(); };
    return {word(), word()};
}

QRgb CellColor(const TRedactionKey& key, int cellX, int cellY, QRgb base) {
    const uint64_t place = (uint64_t(uint32_t(cellX)) << 32) | uint32_t(cellY);
    const uint64_t h = Mix(Mix(place ^ key.K0) ^ key.K1);
    // One grey level for the cell, with a little colour of its own.
    const int grey = int(h & 0xFF);
    const int r = Noisy(qRed(base), grey + int((h >> 8) & 0x1F) - 16);
    const int g = Noisy(qGreen(base), grey + int((h >> 16) & 0x1F) - 16);
    const int b = Noisy(qBlue(base), grey + int((h >> 24) & 0x1F) - 16);
    return qRgb(r, g, b);
}

void PaintPixelation(QImage& canvas, QRect area, QRect clip, int cellSize, const TRedactionKey& key,
                     QRgb base) {
    const QRect r = area & clip & canvas.rect();
    if (r.isEmpty()) return;
    cellSize = std::max(cellSize, 1);
    for (int y = r.top(); y <= r.bottom(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(canvas.scanLine(y));
        const int cellY = y / cellSize;
        for (int x = r.left(); x <= r.right();) {
            const int cellX = x / cellSize;
            const int end = std::min(r.right() + 1, (cellX + 1) * cellSize);
            std::fill(line + x, line + end, CellColor(key, cellX, cellY, base));
            x = end;
        }
    }
}

void PaintSolid(QImage& canvas, QRect area, QRect clip, QRgb color) {
    const QRect r = area & clip & canvas.rect();
    color |= 0xFF000000u;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(canvas.scanLine(y));
        std::fill(line + r.left(), line + r.right() + 1, color);
    }
}
