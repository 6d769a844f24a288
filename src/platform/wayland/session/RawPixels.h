// The raw pictures KWin writes into a pipe: rows of a QImage format, read
// here without QtGui into 0xffRRGGBB pixels (TRowFormat::Bgrx32).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The QImage::Format numbers KWin sends (its own pictures are 32-bit).
enum class TRawFormat : uint32_t {
    RGB32 = 4,               // 0xffRRGGBB words
    ARGB32 = 5,              // 0xAARRGGBB words
    ARGB32Premultiplied = 6, // the same, colours already times alpha
    RGBX8888 = 16,           // bytes R, G, B, 255
    RGBA8888 = 17,           // bytes R, G, B, A
    RGBA8888Premultiplied = 18,
};

struct TRawPicture {
    int Width = 0, Height = 0;
    size_t Stride = 0; // bytes a row, at least Width * 4
    uint32_t Format = 0;
    std::vector<uint8_t> Bytes;
};

// The picture's pixels, translucent ones over black (as the screen shows
// what no window covers); an empty vector with Why for a format it does not
// know or too few bytes.
std::vector<uint32_t> RawToBgrx(const TRawPicture& raw, std::string& why);
