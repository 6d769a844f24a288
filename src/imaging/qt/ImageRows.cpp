#include "imaging/qt/ImageRows.h"

#include <cstdint>
#include <cstring>

#include "imaging/qt/Bitmap.h"

TImageRows::TImageRows(const QImage& picture) : Picture(picture) {
    // A grab is a shared segment the server just filled.
    MapForReading(picture.constBits(), static_cast<size_t>(picture.sizeInBytes()));
    Width = picture.isNull() ? 0 : picture.width();
    Height = picture.isNull() ? 0 : picture.height();
    DeviceIndependent = IsDeviceIndependent(picture);
    switch (picture.format()) {
    case QImage::Format_RGB32:
        Format = TRowFormat::Bgrx32;
        break;
    case QImage::Format_ARGB32:
        Format = TRowFormat::Bgra32;
        break;
    case QImage::Format_BGR888:
        Format = TRowFormat::Bgr24;
        break;
    case QImage::Format_RGB888:
        Format = TRowFormat::Rgb24;
        break;
    case QImage::Format_RGB16: // a 16-bit screen's grab
        Format = TRowFormat::Rgb24;
        Convert = Expand565 = true;
        StableRows = false;
        Scratch.resize(static_cast<size_t>(Width) * 3);
        break;
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
        // A few bits a pixel: one byte each costs little, and the rows are
        // then colour-table indexes like an 8-bit picture's.
        Picture = picture.convertToFormat(QImage::Format_Indexed8);
        [[fallthrough]];
    case QImage::Format_Indexed8:
        Format = TRowFormat::Index8;
        {
            const QList<QRgb> table = Picture.colorTable();
            ColorTable.assign(table.begin(), table.end());
        }
        break;
    default:
        Format = TRowFormat::Rgb24;
        Convert = true;
        StableRows = false;
        Scratch.resize(static_cast<size_t>(Width) * 3);
        break;
    }
}

const uint8_t* TImageRows::Row(int y) {
    if (!Convert) return Picture.constScanLine(y);
    if (Expand565) {
        ExpandRgb565Row(Picture.constScanLine(y), Width, Scratch.data());
        return Scratch.data();
    }
    const QImage line = Picture.copy(0, y, Width, 1).convertToFormat(QImage::Format_RGB888);
    std::memcpy(Scratch.data(), line.constScanLine(0), Scratch.size());
    return Scratch.data();
}
