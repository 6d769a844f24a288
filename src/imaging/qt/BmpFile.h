// Windows bitmap files: written at the picture's own depth, read from any
// well-formed file and refused with a clear error otherwise.
#pragma once

#include <QImage>
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/core/BmpRows.h"

// File header, info header, colour table (paletted pictures), rows bottom-up
// padded to 4 bytes. 8-bit pictures stay 8-bit, 24-bit ones 24-bit; an
// X screen's 32-bit RGB (depth 24) is written as 24 bits per pixel.
std::vector<uint8_t> EncodeBmp(const QImage& picture);
void SaveBmpFile(const QImage& picture, const std::string& fileName);

// 1, 4, 8, 16, 24 and 32 bits per pixel, bottom-up or top-down, RLE4/RLE8,
// bit fields. Paletted files come back as device-independent 8-bit pictures
// with their colour table; others as 24- or 32-bit RGB.
QImage DecodeBmp(const uint8_t* data, size_t size);
QImage LoadBmpFile(const std::string& fileName);
