// Test helpers for the image files: real decoders and pixel comparisons.
#pragma once

#include <QImage>
#include <cstdint>
#include <string>
#include <vector>

struct TDecoded {
    std::string Mode; // "P", "RGB" or "L"
    int Width = 0, Height = 0;
    std::vector<uint8_t> Pixels;
    std::vector<uint8_t> Palette;
};

// Decodes FileName with Pillow (/usr/bin/python3); Mode forces a conversion.
TDecoded PillowDecode(const std::string& fileName, const std::string& mode = "");

// The picture's pixels as R, G, B bytes, rows top to bottom.
std::vector<uint8_t> RgbBytes(const QImage& image);

// A picture of random bytes in the given format (random palette for Indexed8).
QImage RandomImage(int w, int h, QImage::Format format, uint32_t seed);
