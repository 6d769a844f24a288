// JPEG files through libjpeg: baseline JFIF at the object's quality for
// writing, and decoding for opening a file. Library errors become exceptions;
// the library never ends the process.
#pragma once

#include <QImage>
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/core/JpegCodec.h"

enum class TJPEGPixelFormat { Format24Bit, Format8Bit };

class TJPEGImage {
public:
    TJPEGImage();

    int CompressionQuality = 90; // 1 to 100
    bool Grayscale = false;
    bool ProgressiveEncoding = false;
    TJPEGPixelFormat PixelFormat;
    bool Smoothing = true;

    // Keeps its own copy of Bitmap and drops any JPEG data.
    void Assign(const QImage& bitmap);
    // Codes the bitmap; a missing or zero-size bitmap gives no data, no error.
    void Compress();
    const std::vector<uint8_t>& Data() const { return FData; }
    // The compressed bytes, exactly, into a created or truncated file.
    void SaveToFile(const std::string& fileName) const;

    // Reading: takes the whole file and decodes it into Bitmap(). Only a
    // library error raises; a damaged file whose picture begins gives what
    // decodes, and Warning() tells the first fault the library met.
    void LoadFromFile(const std::string& fileName);
    void LoadFromBytes(std::vector<uint8_t> bytes);
    const QImage& Bitmap() const { return FBitmap; }
    const std::string& Warning() const { return FWarning; }

private:
    QImage FBitmap;
    std::vector<uint8_t> FData;
    std::string FWarning;
};
