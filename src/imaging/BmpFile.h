// Windows bitmap files: written at the picture's own depth, read from any
// well-formed file and refused with a clear error otherwise.
#pragma once

#include <QImage>
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/FileBytes.h"
#include "imaging/ImageError.h"
#include "imaging/Rows.h"

class EBitmapError : public EImageError {
public:
    using EImageError::EImageError;
};

// File header, info header, colour table (paletted pictures), rows bottom-up
// padded to 4 bytes. 8-bit pictures stay 8-bit, 24-bit ones 24-bit; an
// X screen's 32-bit RGB (depth 24) is written as 24 bits per pixel.
// Rows go to Sink bottom-up as they are made: no second whole picture.
void WriteBmp(TRowSource& rows, const TByteSink& sink);
std::vector<uint8_t> EncodeBmp(const QImage& picture);
void SaveBmpFile(const QImage& picture, const std::string& fileName);

// 1, 4, 8, 16, 24 and 32 bits per pixel, bottom-up or top-down, RLE4/RLE8,
// bit fields. Paletted files come back as device-independent 8-bit pictures
// with their colour table; others as 24- or 32-bit RGB.
QImage DecodeBmp(const uint8_t* data, size_t size);
QImage LoadBmpFile(const std::string& fileName);

// Where a bitmap file keeps its pixels, as its headers say (checked).
struct TBmpLayout {
    int Width = 0, Height = 0;
    bool TopDown = false, Rle = false;
    uint32_t Bpp = 0, Compression = 0;
    uint64_t Stride = 0;
    size_t Offset = 0;
    uint32_t Masks[3] = {0x00FF0000, 0x0000FF00, 0x000000FF};
    QList<QRgb> Table; // 1 << Bpp entries for paletted files
};

// The rows of a bitmap file mapped into memory: 8- and 24-bit rows are the
// file's own bytes, other depths are unpacked a row at a time, and only
// run-length files are decoded whole. EBitmapError as DecodeBmp gives it.
class TBmpRows : public TRowSource {
public:
    explicit TBmpRows(const std::string& fileName);
    const uint8_t* Row(int y) override;

private:
    TMappedFile File;
    TBmpLayout Layout;
    QImage Decoded;
    std::vector<uint8_t> Scratch;
};
