#include "imaging/qt/ImageFiles.h"

#include <new>

#include "imaging/qt/BmpFile.h"
#include "imaging/core/GIFImage.h"
#include "imaging/qt/GIFPicture.h"
#include "imaging/qt/ImageRows.h"
#include "imaging/qt/PngFile.h"
#include "imaging/qt/jpeg.h"

QImage LoadImageFile(const std::string& fileName) {
    try {
        switch (ImageFileTypeOf(fileName)) {
        case TImageFileType::Bmp:
            return LoadBmpFile(fileName);
        case TImageFileType::Jpeg: {
            TJPEGImage jpeg;
            jpeg.LoadFromFile(fileName);
            return jpeg.Bitmap();
        }
        case TImageFileType::Png:
            return LoadPngFile(fileName);
        default:
            throw EImageError("Unknown file type selected.");
        }
    } catch (const std::bad_alloc&) {
        throw EImageError("Not enough memory to open " + fileName);
    }
}

void SaveImageFile(QImage& picture, const std::string& fileName) {
    SaveImageFile(picture, fileName, ImageFileTypeOf(fileName));
}

void SaveImageFile(QImage& picture, const std::string& fileName, TImageFileType type) {
    if (type == TImageFileType::Gif) {
        // Reduced straight from 32-bit and 24-bit rows; the picture stays as it is.
        PrepareGIFPicture(picture);
    }
    TImageRows rows(picture);
    WriteImageFile(rows, fileName, type);
}
