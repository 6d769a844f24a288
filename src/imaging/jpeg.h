// JPEG files through libjpeg: baseline JFIF at the object's quality for
// writing, and decoding for opening a file. Library errors become exceptions;
// the library never ends the process.
#pragma once

#include <QImage>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/FileBytes.h"
#include "imaging/ImageError.h"
#include "imaging/Rows.h"

class EJPEGError : public EImageError {
public:
    using EImageError::EImageError;
};

enum class TJPEGPerformance { BestQuality, BestSpeed };
enum class TJPEGPixelFormat { Format24Bit, Format8Bit };
enum class TJPEGScale { FullSize, Half, Quarter, Eighth };

// Set once at start: the screen shows 8 bits per pixel or fewer, so decoded
// pictures are quantised to a palette.
extern bool JPEGScreenPaletted;

class TJPEGImage {
public:
    TJPEGImage();

    int CompressionQuality = 90; // 1 to 100
    bool Grayscale = false;
    bool ProgressiveEncoding = false;
    TJPEGPerformance Performance = TJPEGPerformance::BestQuality;
    TJPEGPixelFormat PixelFormat;
    bool ProgressiveDisplay = false;
    TJPEGScale Scale = TJPEGScale::FullSize;
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

// Baseline JFIF of the rows at Quality, handed to Sink in pieces as the
// library makes them (the bytes TJPEGImage::Compress gives).
void WriteJpeg(TRowSource& rows, int quality, bool grey, bool progressive, const TByteSink& sink);

class TJpegDecoder;

// The rows of a JPEG file, decoded one at a time from the mapped file, in
// order: B, G, R, X, or 236-colour indexes when Paletted. The same faults
// raise as in TJPEGImage::LoadFromFile.
class TJpegRows : public TRowSource {
public:
    TJpegRows(const std::string& fileName, bool paletted);
    ~TJpegRows() override;
    const uint8_t* Row(int y) override;
    std::string Warning() const;

private:
    TMappedFile File;
    std::unique_ptr<TJpegDecoder> Decoder;
    std::vector<uint8_t> Line;
    int Next = 0;
};
