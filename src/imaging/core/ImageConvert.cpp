#include "imaging/core/ImageConvert.h"

#include <cctype>
#include <new>

#include "imaging/core/BmpRows.h"
#include "imaging/core/GIFImage.h"
#include "imaging/core/JpegCodec.h"
#include "imaging/core/PngReader.h"
#include "imaging/core/PngWriter.h"

TImageFileType ImageFileTypeOf(const std::string& fileName) {
    // The last dot of the file's own name on: a dot in a folder name is none.
    const size_t dot = fileName.find_last_of("./");
    std::string ext = dot == std::string::npos ? std::string() : fileName.substr(dot);
    for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (ext == ".BMP") return TImageFileType::Bmp;
    if (ext == ".GIF") return TImageFileType::Gif;
    if (ext == ".JPG" || ext == ".JPEG") return TImageFileType::Jpeg;
    if (ext == ".PNG") return TImageFileType::Png;
    return TImageFileType::Unknown;
}

bool IsReadableImageFile(TImageFileType type) {
    return type == TImageFileType::Bmp || type == TImageFileType::Jpeg ||
           type == TImageFileType::Png;
}

void WriteImageFile(TRowSource& rows, const std::string& fileName) {
    WriteImageFile(rows, fileName, ImageFileTypeOf(fileName));
}

namespace {
void WriteRows(TRowSource& rows, const std::string& fileName, TImageFileType type) {
    if (type == TImageFileType::Gif) {
        // The indexes first: a coding error never reaches the file.
        TGIFImage gif;
        gif.Assign(rows);
        TFileWriter file(fileName);
        gif.Save(file.Sink());
        rows.CheckComplete();
        file.Commit();
        return;
    }
    TFileWriter file(fileName);
    if (type == TImageFileType::Bmp)
        WriteBmp(rows, file.Sink(),
                 [&](int fd, uint64_t at, size_t n) { file.CopyFrom(fd, at, n); });
    else if (type == TImageFileType::Png)
        WritePng(rows, file.Sink());
    else if (rows.Width > 0 && rows.Height > 0)
        WriteJpeg(rows, 100, false, false, file.Sink());
    rows.CheckComplete();
    file.Commit();
}
} // namespace

void WriteImageFile(TRowSource& rows, const std::string& fileName, TImageFileType type) {
    if (type == TImageFileType::Unknown) throw EImageError("Unknown file type selected.");
    try {
        WriteRows(rows, fileName, type);
    } catch (...) {
        rows.CheckComplete(); // a source that lost its bytes is the cause, whatever broke
        throw;
    }
}

std::string ConvertImageFile(const std::string& in, const std::string& out) {
    const TImageFileType from = ImageFileTypeOf(in), to = ImageFileTypeOf(out);
    if (to == TImageFileType::Unknown || !IsReadableImageFile(from))
        throw EImageError("Unknown file type selected.");
    try {
        if (from == TImageFileType::Bmp) {
            TBmpRows rows(in);
            WriteImageFile(rows, out);
            return {};
        }
        if (from == TImageFileType::Png) {
            TPngRows rows(in);
            WriteImageFile(rows, out);
            return {};
        }
        // Bitmap files take their rows bottom-up: the decoder's rows are kept whole for them.
        TJpegRows rows(in, JPEGScreenPaletted, to == TImageFileType::Bmp);
        WriteImageFile(rows, out);
        return rows.Warning();
    } catch (const std::bad_alloc&) {
        throw EImageError("Not enough memory to convert " + in);
    }
}
