// PNG files as pictures: the QImage side of the PNG reader and writer.
#pragma once

#include <QImage>
#include <string>
#include <vector>

// The file as the picture its rows make: indexed files as device-independent
// 8-bit pictures with their palette, files with transparency as ARGB32,
// others as RGB888. EPNGError as TPngRows gives it.
QImage DecodePng(const uint8_t* data, size_t size);
QImage LoadPngFile(const std::string& fileName);

// The file WritePng makes of Picture, in memory (the clipboard's image/png).
std::vector<uint8_t> EncodePng(const QImage& picture);
