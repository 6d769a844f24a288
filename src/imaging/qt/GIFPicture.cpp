// The GIF writer's side that takes a QImage.
#include <QImage>

#include "imaging/qt/Bitmap.h"
#include "imaging/qt/GIFPicture.h"
#include "imaging/core/GIFImage.h"
#include "imaging/qt/ImageRows.h"

namespace {
constexpr int MaxDimension = 65535;
}

bool PrepareGIFPicture(QImage& bitmap) {
    if (bitmap.width() > MaxDimension || bitmap.height() > MaxDimension)
        throw GIFException("Invalid image dimensions");
    const bool direct = bitmap.format() == QImage::Format_RGB32 ||
                        bitmap.format() == QImage::Format_ARGB32 ||
                        bitmap.format() == QImage::Format_BGR888;
    const bool kept =
        (bitmap.format() == QImage::Format_Indexed8 || bitmap.format() == QImage::Format_Mono ||
         bitmap.format() == QImage::Format_MonoLSB) &&
        IsDeviceIndependent(bitmap);
    if (!bitmap.isNull() && !direct && !kept) bitmap.convertTo(QImage::Format_RGB888);
    return direct;
}

void TGIFSubImage::Assign(QImage& bitmap) {
    const bool direct = PrepareGIFPicture(bitmap);
    TImageRows rows(bitmap);
    Assign(rows);
    if (direct && !Empty()) bitmap.convertTo(QImage::Format_RGB888);
}

void TGIFImage::Assign(QImage& bitmap) {
    TGIFSubImage frame;
    frame.Assign(bitmap);
    SetFrame(std::move(frame));
}
