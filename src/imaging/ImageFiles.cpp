#include "imaging/ImageFiles.h"

#include <cctype>

#include "imaging/BmpFile.h"
#include "imaging/GIFImage.h"
#include "imaging/jpeg.h"

TImageFileType ImageFileTypeOf(const std::string& fileName) {
    if (fileName.size() < 4) return TImageFileType::Unknown;
    std::string ext = fileName.substr(fileName.size() - 4);
    for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (ext == ".BMP") return TImageFileType::Bmp;
    if (ext == ".GIF") return TImageFileType::Gif;
    if (ext == ".JPG") return TImageFileType::Jpeg;
    return TImageFileType::Unknown;
}

QImage LoadImageFile(const std::string& fileName) {
    switch (ImageFileTypeOf(fileName)) {
    case TImageFileType::Bmp:
        return LoadBmpFile(fileName);
    case TImageFileType::Jpeg: {
        TJPEGImage jpeg;
        jpeg.LoadFromFile(fileName);
        return jpeg.Bitmap();
    }
    default:
        throw EImageError("Unknown file type selected.");
    }
}

void SaveImageFile(QImage& picture, const std::string& fileName) {
    switch (ImageFileTypeOf(fileName)) {
    case TImageFileType::Bmp:
        SaveBmpFile(picture, fileName);
        break;
    case TImageFileType::Gif: {
        GIFImageDefaults.Compression = TGIFCompression::RLE;
        TGIFImage gif;
        gif.Assign(picture);
        gif.SaveToFile(fileName);
        break;
    }
    case TImageFileType::Jpeg: {
        TJPEGImage jpeg;
        jpeg.Assign(picture);
        jpeg.CompressionQuality = 100;
        jpeg.Compress();
        jpeg.SaveToFile(fileName);
        break;
    }
    default:
        throw EImageError("Unknown file type selected.");
    }
}
