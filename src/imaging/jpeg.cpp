#include "imaging/jpeg.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "imaging/FileBytes.h"

#include <jpeglib.h>

bool JPEGScreenPaletted = false;

namespace {

constexpr int QuantizedColors = 236;
constexpr uint64_t MaxPixels = uint64_t{1} << 28; // 1 GB at 4 bytes a pixel

// libjpeg reports errors through error_exit, which must not return: jump back
// to the caller's setjmp with the library's message kept.
struct TErrorManager {
    jpeg_error_mgr Pub;
    std::jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX];
};

void ErrorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<TErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->Message);
    std::longjmp(err->Jump, 1);
}

// A warning while decoding (premature end, corrupt data) means a damaged file:
// it is an error, not a grey patch in the picture.
void EmitMessage(j_common_ptr cinfo, int level) {
    if (level < 0) ErrorExit(cinfo);
}

void Silent(j_common_ptr) {}

TErrorManager* InitErrors(TErrorManager& err) {
    jpeg_std_error(&err.Pub);
    err.Pub.error_exit = ErrorExit;
    err.Pub.output_message = Silent;
    err.Message[0] = 0;
    return &err;
}

// The library calls of one compression. Only trivially destructible locals
// live here, since an error leaves by longjmp. False on a library error.
bool CompressRows(const QImage& src, int quality, bool grey, bool progressive, TErrorManager& err,
                  unsigned char** out, unsigned long* outSize, unsigned char* rowBuf) {
    jpeg_compress_struct cinfo;
    cinfo.err = &InitErrors(err)->Pub;
    if (setjmp(err.Jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, out, outSize);
    cinfo.image_width = static_cast<JDIMENSION>(src.width());
    cinfo.image_height = static_cast<JDIMENSION>(src.height());
    // Rows go in as the picture holds them: X RGB32 is B, G, R, X in memory.
    const bool x32 = src.format() == QImage::Format_RGB32 || src.format() == QImage::Format_ARGB32;
    const bool bgr = src.format() == QImage::Format_BGR888;
    cinfo.input_components = x32 ? 4 : 3;
    cinfo.in_color_space = x32 ? JCS_EXT_BGRX : bgr ? JCS_EXT_BGR : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (grey) jpeg_set_colorspace(&cinfo, JCS_GRAYSCALE);
    if (progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    const bool direct = x32 || bgr || src.format() == QImage::Format_RGB888;
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = static_cast<int>(cinfo.next_scanline);
        JSAMPROW row;
        if (direct) {
            row = const_cast<JSAMPROW>(src.constScanLine(y));
        } else {
            // Other formats one row at a time, never a second full picture.
            const QImage line =
                src.copy(0, y, src.width(), 1).convertToFormat(QImage::Format_RGB888);
            std::memcpy(rowBuf, line.constScanLine(0), static_cast<size_t>(src.width()) * 3);
            row = rowBuf;
        }
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

// The library calls of one decompression into Target (allocated here once the
// size is known). False on a library error or a picture too large to hold.
bool DecompressRows(const std::vector<uint8_t>& bytes, bool quantize, bool smoothing,
                    TErrorManager& err, QImage& target) {
    jpeg_decompress_struct cinfo;
    cinfo.err = &InitErrors(err)->Pub;
    cinfo.err->emit_message = EmitMessage;
    if (setjmp(err.Jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.scale_num = 1;
    cinfo.scale_denom = 1;
    cinfo.do_block_smoothing = smoothing ? TRUE : FALSE;
    const bool paletted = quantize || cinfo.jpeg_color_space == JCS_GRAYSCALE;
    if (paletted) {
        cinfo.quantize_colors = TRUE;
        cinfo.desired_number_of_colors = QuantizedColors;
    } else {
        cinfo.out_color_space = JCS_EXT_BGRX;
    }
    jpeg_calc_output_dimensions(&cinfo);
    if (static_cast<uint64_t>(cinfo.output_width) * cinfo.output_height > MaxPixels) {
        std::snprintf(err.Message, sizeof err.Message, "Image is too large (%u x %u)",
                      cinfo.output_width, cinfo.output_height);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_start_decompress(&cinfo);
    target = QImage(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height),
                    paletted ? QImage::Format_Indexed8 : QImage::Format_RGB32);
    if (target.isNull()) {
        std::snprintf(err.Message, sizeof err.Message, "Not enough memory for the picture");
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    if (paletted) {
        QList<QRgb> table;
        for (int i = 0; i < cinfo.actual_number_of_colors; ++i) {
            const int r = cinfo.colormap[0][i];
            const int g = cinfo.out_color_components == 3 ? cinfo.colormap[1][i] : r;
            const int b = cinfo.out_color_components == 3 ? cinfo.colormap[2][i] : r;
            table.push_back(qRgb(r, g, b));
        }
        target.setColorTable(table);
    }
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = target.scanLine(static_cast<int>(cinfo.output_scanline));
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

} // namespace

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
    TErrorManager err;
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    std::vector<unsigned char> rowBuf(static_cast<size_t>(FBitmap.width()) * 3);
    const bool ok = CompressRows(FBitmap, CompressionQuality, Grayscale, ProgressiveEncoding, err,
                                 &out, &outSize, rowBuf.data());
    if (ok) FData.assign(out, out + outSize);
    std::free(out);
    if (!ok) throw EJPEGError(err.Message);
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
    if (FData.empty()) throw EJPEGError("Empty input file");
    TErrorManager err;
    QImage decoded;
    if (!DecompressRows(FData, PixelFormat == TJPEGPixelFormat::Format8Bit, Smoothing, err,
                        decoded))
        throw EJPEGError(err.Message);
    FBitmap = std::move(decoded);
}
