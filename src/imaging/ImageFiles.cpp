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

void WriteImageFile(TRowSource& rows, const std::string& fileName) {
    WriteImageFile(rows, fileName, ImageFileTypeOf(fileName));
}

void WriteImageFile(TRowSource& rows, const std::string& fileName, TImageFileType type) {
    if (type == TImageFileType::Unknown) throw EImageError("Unknown file type selected.");
    if (type == TImageFileType::Gif) {
        // The indexes first: a coding error never reaches the file.
        TGIFImage gif;
        gif.Settings.Compression = TGIFCompression::RLE;
        gif.Assign(rows);
        TFileWriter file(fileName);
        gif.Save(file.Sink());
        file.Commit();
        return;
    }
    TFileWriter file(fileName);
    if (type == TImageFileType::Bmp)
        WriteBmp(rows, file.Sink());
    else if (rows.Width > 0 && rows.Height > 0)
        WriteJpeg(rows, 100, false, false, file.Sink());
    file.Commit();
}

void SaveImageFile(QImage& picture, const std::string& fileName) {
    SaveImageFile(picture, fileName, ImageFileTypeOf(fileName));
}

void SaveImageFile(QImage& picture, const std::string& fileName, TImageFileType type) {
    if (type == TImageFileType::Gif) {
        GIFImageDefaults.Compression = TGIFCompression::RLE;
        // Reduced straight from 32-bit and 24-bit rows; the picture stays as it is.
        PrepareGIFPicture(picture);
    }
    TImageRows rows(picture);
    WriteImageFile(rows, fileName, type);
}

std::string ConvertImageFile(const std::string& in, const std::string& out) {
    const TImageFileType from = ImageFileTypeOf(in), to = ImageFileTypeOf(out);
    if (to == TImageFileType::Unknown ||
        (from != TImageFileType::Bmp && from != TImageFileType::Jpeg))
        throw EImageError("Unknown file type selected.");
    if (from == TImageFileType::Bmp) {
        TBmpRows rows(in);
        WriteImageFile(rows, out);
        return {};
    }
    if (to == TImageFileType::Bmp) {
        TJPEGImage jpeg;
        jpeg.LoadFromFile(in);
        TImageRows rows(jpeg.Bitmap());
        WriteImageFile(rows, out);
        return jpeg.Warning();
    }
    TJpegRows rows(in, JPEGScreenPaletted);
    WriteImageFile(rows, out);
    return rows.Warning();
}
