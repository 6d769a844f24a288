#include "imaging/qt/PngFile.h"

#include <cstring>

#include "imaging/qt/Bitmap.h"
#include "imaging/qt/ImageRows.h"
#include "imaging/core/PngReader.h"
#include "imaging/core/PngWriter.h"

namespace {
QImage PictureOf(TPngRows& rows) {
    const QImage::Format format = rows.Format == TRowFormat::Index8   ? QImage::Format_Indexed8
                                  : rows.Format == TRowFormat::Bgra32 ? QImage::Format_ARGB32
                                                                      : QImage::Format_RGB888;
    QImage img(rows.Width, rows.Height, format);
    if (img.isNull()) throw EPNGError("Not enough memory to read a PNG file");
    const size_t bytes = static_cast<size_t>(rows.Width) * (format == QImage::Format_Indexed8 ? 1
                                                            : format == QImage::Format_ARGB32 ? 4
                                                                                              : 3);
    for (int y = 0; y < rows.Height; ++y) std::memcpy(img.scanLine(y), rows.Row(y), bytes);
    if (format == QImage::Format_Indexed8) {
        img.setColorTable(QList<QRgb>(rows.ColorTable.begin(), rows.ColorTable.end()));
        SetDeviceIndependent(img);
    }
    return img;
}
} // namespace

QImage DecodePng(const uint8_t* data, size_t size) {
    TPngRows rows(data, size);
    return PictureOf(rows);
}

QImage LoadPngFile(const std::string& fileName) {
    TPngRows rows(fileName);
    return PictureOf(rows);
}

std::vector<uint8_t> EncodePng(const QImage& picture) {
    std::vector<uint8_t> out;
    TImageRows rows(picture);
    WritePng(rows, [&](const uint8_t* d, size_t n) { out.insert(out.end(), d, d + n); });
    return out;
}
