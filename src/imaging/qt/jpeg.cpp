#include "imaging/qt/jpeg.h"

#include <cstring>

#include "imaging/qt/ImageRows.h"

TJPEGImage::TJPEGImage()
    : PixelFormat(JPEGScreenPaletted ? TJPEGPixelFormat::Format8Bit
                                     : TJPEGPixelFormat::Format24Bit) {}

void TJPEGImage::Assign(const QImage& bitmap) {
    FData.clear();
    FBitmap = bitmap;
}

void TJPEGImage::Compress() {
    FData.clear();
    if (FBitmap.isNull() || FBitmap.width() == 0 || FBitmap.height() == 0) return;
    TImageRows rows(FBitmap);
    WriteJpeg(rows, CompressionQuality, Grayscale, ProgressiveEncoding,
              [this](const uint8_t* d, size_t n) { FData.insert(FData.end(), d, d + n); });
}

void TJPEGImage::SaveToFile(const std::string& fileName) const {
    WriteFileBytes(fileName, FData.data(), FData.size());
}

void TJPEGImage::LoadFromFile(const std::string& fileName) {
    LoadFromBytes(ReadFileBytes(fileName));
}

void TJPEGImage::LoadFromBytes(std::vector<uint8_t> bytes) {
    FData = std::move(bytes);
    FBitmap = QImage();
    FWarning.clear();
    TJpegRows rows(FData.data(), FData.size(), PixelFormat == TJPEGPixelFormat::Format8Bit,
                   Smoothing);
    const bool paletted = rows.Format == TRowFormat::Index8;
    QImage decoded(rows.Width, rows.Height,
                   paletted ? QImage::Format_Indexed8 : QImage::Format_RGB32);
    if (decoded.isNull()) throw EJPEGError("Not enough memory for the picture");
    if (paletted)
        decoded.setColorTable(QList<QRgb>(rows.ColorTable.begin(), rows.ColorTable.end()));
    const size_t rowBytes = static_cast<size_t>(rows.Width) * (paletted ? 1 : 4);
    for (int y = 0; y < rows.Height; ++y) std::memcpy(decoded.scanLine(y), rows.Row(y), rowBytes);
    FBitmap = std::move(decoded);
    FWarning = rows.Warning();
}
