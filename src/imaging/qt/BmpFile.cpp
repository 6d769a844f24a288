#include "imaging/qt/BmpFile.h"

#include <cstring>

#include "imaging/qt/Bitmap.h"
#include "imaging/qt/ImageRows.h"

std::vector<uint8_t> EncodeBmp(const QImage& picture) {
    std::vector<uint8_t> out;
    TImageRows rows(picture);
    WriteBmp(rows, [&](const uint8_t* d, size_t n) { out.insert(out.end(), d, d + n); });
    return out;
}

void SaveBmpFile(const QImage& picture, const std::string& fileName) {
    TImageRows rows(picture);
    TFileWriter file(fileName);
    WriteBmp(rows, file.Sink());
    file.Commit();
}

QImage DecodeBmp(const uint8_t* data, size_t size) {
    const TBmpLayout l = ParseBmp(data, size);
    QImage img;
    if (l.Bpp <= 8) {
        img = QImage(l.Width, l.Height, QImage::Format_Indexed8);
        if (img.isNull()) throw EBitmapError("Invalid bitmap file: not enough memory");
        img.setColorTable(QList<QRgb>(l.Table.begin(), l.Table.end()));
        SetDeviceIndependent(img);
    } else {
        // 24-bit rows are blue, green, red as the file has them: copied as they are.
        img = QImage(l.Width, l.Height, l.Bpp == 24 ? QImage::Format_BGR888 : QImage::Format_RGB32);
        if (img.isNull()) throw EBitmapError("Invalid bitmap file: not enough memory");
    }
    if (l.Rle) {
        img.fill(0);
        DecodeRle(data, size, l, img.bits(), static_cast<size_t>(img.bytesPerLine()));
        return img;
    }
    const size_t rowBytes = static_cast<size_t>(l.Width) * (l.Bpp <= 8 ? 1 : l.Bpp == 24 ? 3 : 4);
    for (int y = 0; y < l.Height; ++y) {
        uint8_t* d = img.scanLine(y);
        const uint8_t* s = BmpRow(l, data, y, d);
        if (s != d) std::memcpy(d, s, rowBytes);
    }
    return img;
}

QImage LoadBmpFile(const std::string& fileName) {
    const TMappedFile file(fileName);
    return file.Read([&] { return DecodeBmp(file.Data(), file.Size()); });
}
