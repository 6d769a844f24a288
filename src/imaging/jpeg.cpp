#include "imaging/jpeg.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "imaging/FileBytes.h"

#include <jerror.h>
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
    char Warning[JMSG_LENGTH_MAX]; // the first warning, as djpeg would print it
    bool InputEnded;               // the data ran out (the library went on with an end marker)
};

void ErrorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<TErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->Message);
    std::longjmp(err->Jump, 1);
}

// A warning (stray bytes, corrupt data, a missing end) leaves what decodes:
// the picture is shown as far as it goes, as every viewer shows it.
void EmitMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return; // trace messages
    auto* err = reinterpret_cast<TErrorManager*>(cinfo->err);
    if (err->Pub.num_warnings++ == 0) (*cinfo->err->format_message)(cinfo, err->Warning);
    if (err->Pub.msg_code == JWRN_JPEG_EOF) err->InputEnded = true;
}

void Silent(j_common_ptr) {}

TErrorManager* InitErrors(TErrorManager& err) {
    jpeg_std_error(&err.Pub);
    err.Pub.error_exit = ErrorExit;
    err.Pub.output_message = Silent;
    err.Pub.emit_message = EmitMessage;
    err.Message[0] = 0;
    err.Warning[0] = 0;
    err.InputEnded = false;
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

// One decompression, row by row. Each call that enters the library sets its
// own return point: a library error comes back there and leaves as EJPEGError.
class TJpegDecoder {
public:
    TJpegDecoder(const uint8_t* data, size_t size, bool quantize, bool smoothing) {
        if (size == 0) throw EJPEGError("Empty input file");
        Info.err = &InitErrors(Err)->Pub;
        jpeg_create_decompress(&Info);
        if (setjmp(Err.Jump)) Fail();
        jpeg_mem_src(&Info, data, static_cast<unsigned long>(size));
        jpeg_read_header(&Info, TRUE);
        // A file that ends within its headers, or right after them, holds no
        // picture at all.
        if (Err.InputEnded || Info.src->bytes_in_buffer == 0) ERREXIT(&Info, JERR_NO_IMAGE);
        Info.scale_num = 1;
        Info.scale_denom = 1;
        Info.do_block_smoothing = smoothing ? TRUE : FALSE;
        Paletted = quantize || Info.jpeg_color_space == JCS_GRAYSCALE;
        if (Paletted) {
            Info.quantize_colors = TRUE;
            Info.desired_number_of_colors = QuantizedColors;
        } else {
            Info.out_color_space = JCS_EXT_BGRX;
        }
        jpeg_calc_output_dimensions(&Info);
        if (static_cast<uint64_t>(Info.output_width) * Info.output_height > MaxPixels) {
            std::snprintf(Err.Message, sizeof Err.Message, "Image is too large (%u x %u)",
                          Info.output_width, Info.output_height);
            Fail();
        }
        jpeg_start_decompress(&Info);
        Width = static_cast<int>(Info.output_width);
        Height = static_cast<int>(Info.output_height);
        if (Paletted) {
            for (int i = 0; i < Info.actual_number_of_colors; ++i) {
                const int r = Info.colormap[0][i];
                const int g = Info.out_color_components == 3 ? Info.colormap[1][i] : r;
                const int b = Info.out_color_components == 3 ? Info.colormap[2][i] : r;
                Table.push_back(qRgb(r, g, b));
            }
        }
    }
    ~TJpegDecoder() {
        if (Alive) jpeg_destroy_decompress(&Info);
    }
    TJpegDecoder(const TJpegDecoder&) = delete;
    TJpegDecoder& operator=(const TJpegDecoder&) = delete;

    // The next row: one byte a pixel when paletted, else B, G, R, X.
    void ReadRow(uint8_t* row) {
        if (setjmp(Err.Jump)) Fail();
        JSAMPROW r = row;
        jpeg_read_scanlines(&Info, &r, 1);
    }
    void Finish() {
        if (setjmp(Err.Jump)) Fail();
        jpeg_finish_decompress(&Info);
    }
    std::string Warning() const { return Err.Warning; }

    int Width = 0, Height = 0;
    bool Paletted = false;
    QList<QRgb> Table;

private:
    [[noreturn]] void Fail() {
        jpeg_destroy_decompress(&Info);
        Alive = false;
        throw EJPEGError(Err.Message);
    }

    jpeg_decompress_struct Info{};
    TErrorManager Err{};
    bool Alive = true;
};

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
    FWarning.clear();
    TJpegDecoder decoder(FData.data(), FData.size(), PixelFormat == TJPEGPixelFormat::Format8Bit,
                         Smoothing);
    QImage decoded(decoder.Width, decoder.Height,
                   decoder.Paletted ? QImage::Format_Indexed8 : QImage::Format_RGB32);
    if (decoded.isNull()) throw EJPEGError("Not enough memory for the picture");
    if (decoder.Paletted) decoded.setColorTable(decoder.Table);
    for (int y = 0; y < decoder.Height; ++y) decoder.ReadRow(decoded.scanLine(y));
    decoder.Finish();
    FBitmap = std::move(decoded);
    FWarning = decoder.Warning();
}
