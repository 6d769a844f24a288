// Redacted areas whose output cannot be traced back to the pixels they hide:
// a solid box is its colour; a pixelated area's cells take colours from a
// keyed hash of the cell's place, never from the pixels under it.
#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <cstdint>

// The secret of one editing session: without it the cell colours cannot be
// predicted, with it they still say nothing about the picture.
struct TRedactionKey {
    uint64_t K0 = 0;
    uint64_t K1 = 0;
    static TRedactionKey NewKey(); // from the system's random source
};

// The colour of the cell in column CellX, row CellY (counted on the whole
// picture, so cells line up however the area is placed): Base with noise.
QRgb CellColor(const TRedactionKey& key, int cellX, int cellY, QRgb base);

// Covers Area of Canvas (a 32-bit picture) with cells of CellSize pixels,
// only where it meets Clip.
void PaintPixelation(QImage& canvas, QRect area, QRect clip, int cellSize, const TRedactionKey& key,
                     QRgb base);
// Covers Area with Color, made opaque, only where it meets Clip.
void PaintSolid(QImage& canvas, QRect area, QRect clip, QRgb color);
