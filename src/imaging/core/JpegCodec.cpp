#include "imaging/core/JpegCodec.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "imaging/core/FileBytes.h"

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

// The file's bytes leave through the sink each time the library fills its
// buffer. A failing sink (a full disk) ends the compression as a library
// error would, and its own exception is what the caller sees.
struct TSinkDestination {
    jpeg_destination_mgr Pub;
    const TByteSink* Sink;
    uint8_t* Buffer;
    size_t Size;
    std::exception_ptr Failure;
};

void Hand(j_compress_ptr cinfo, size_t n) {
    auto* dest = reinterpret_cast<TSinkDestination*>(cinfo->dest);
    try {
        (*dest->Sink)(dest->Buffer, n);
    } catch (...) {
        dest->Failure = std::current_exception();
    }
    if (dest->Failure) {
        cinfo->err->msg_code = JERR_FILE_WRITE;
        (*cinfo->err->error_exit)(reinterpret_cast<j_common_ptr>(cinfo));
    }
    dest->Pub.next_output_byte = dest->Buffer;
    dest->Pub.free_in_buffer = dest->Size;
}

void InitDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<TSinkDestination*>(cinfo->dest);
    dest->Pub.next_output_byte = dest->Buffer;
    dest->Pub.free_in_buffer = dest->Size;
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
    Hand(cinfo, reinterpret_cast<TSinkDestination*>(cinfo->dest)->Size);
    return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<TSinkDestination*>(cinfo->dest);
    Hand(cinfo, dest->Size - dest->Pub.free_in_buffer);
}

// One compression, row by row; like the decoder below, every call into the
// library sets its own return point for the library's errors.
class TJpegEncoder {
public:
    TJpegEncoder(const TRowSource& rows, int quality, bool grey, bool progressive,
                 const TByteSink& sink)
        : Buffer(OutputBuffer) {
        Info.err = &InitErrors(Err)->Pub;
        jpeg_create_compress(&Info);
        Dest.Pub.init_destination = InitDestination;
        Dest.Pub.empty_output_buffer = EmptyOutputBuffer;
        Dest.Pub.term_destination = TermDestination;
        Dest.Sink = &sink;
        Dest.Buffer = Buffer.data();
        Dest.Size = Buffer.size();
        Info.dest = &Dest.Pub;
        if (setjmp(Err.Jump)) Fail();
        Info.image_width = static_cast<JDIMENSION>(rows.Width);
        Info.image_height = static_cast<JDIMENSION>(rows.Height);
        // Rows go in as the source holds them: X RGB32 is B, G, R, X in memory.
        const bool x32 = rows.Format == TRowFormat::Bgrx32 || rows.Format == TRowFormat::Bgra32;
        Info.input_components = x32 ? 4 : 3;
        Info.in_color_space = x32                                ? JCS_EXT_BGRX
                              : rows.Format == TRowFormat::Bgr24 ? JCS_EXT_BGR
                                                                 : JCS_RGB;
        jpeg_set_defaults(&Info);
        jpeg_set_quality(&Info, quality, TRUE);
        if (grey) jpeg_set_colorspace(&Info, JCS_GRAYSCALE);
        if (progressive) jpeg_simple_progression(&Info);
        jpeg_start_compress(&Info, TRUE);
    }
    ~TJpegEncoder() {
        if (Alive) jpeg_destroy_compress(&Info);
    }
    TJpegEncoder(const TJpegEncoder&) = delete;
    TJpegEncoder& operator=(const TJpegEncoder&) = delete;

    void WriteRow(const uint8_t* row) {
        if (setjmp(Err.Jump)) Fail();
        JSAMPROW r = const_cast<JSAMPROW>(row);
        jpeg_write_scanlines(&Info, &r, 1);
    }
    void Finish() {
        if (setjmp(Err.Jump)) Fail();
        jpeg_finish_compress(&Info);
    }

private:
    static constexpr size_t OutputBuffer = size_t{1} << 18;

    [[noreturn]] void Fail() {
        jpeg_destroy_compress(&Info);
        Alive = false;
        if (Dest.Failure) std::rethrow_exception(Dest.Failure);
        throw EJPEGError(Err.Message);
    }

    std::vector<uint8_t> Buffer;
    jpeg_compress_struct Info{};
    TErrorManager Err{};
    TSinkDestination Dest{};
    bool Alive = true;
};

} // namespace

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
                Table.push_back(0xFF000000u | r << 16 | g << 8 | b);
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
    std::vector<uint32_t> Table;

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

void WriteJpeg(TRowSource& rows, int quality, bool grey, bool progressive, const TByteSink& sink) {
    TJpegEncoder encoder(rows, quality, grey, progressive, sink);
    std::vector<uint8_t> rgb(rows.Format == TRowFormat::Index8 ? size_t(rows.Width) * 3 : 0);
    for (int y = 0; y < rows.Height; ++y) {
        const uint8_t* row = rows.Row(y);
        if (rows.Format == TRowFormat::Index8) {
            ExpandIndexRow(row, rows.Width, rows.ColorTable, rgb.data());
            row = rgb.data();
        }
        encoder.WriteRow(row);
    }
    encoder.Finish();
}

TJpegRows::TJpegRows(const std::string& fileName, bool paletted, bool whole)
    : File(std::make_unique<TMappedFile>(fileName)) {
    File->Read([&] {
        Start(File->Data(), File->Size(), paletted, true, whole);
        return 0;
    });
}

TJpegRows::TJpegRows(const uint8_t* data, size_t size, bool paletted, bool smoothing) {
    Start(data, size, paletted, smoothing, false);
}

void TJpegRows::Start(const uint8_t* data, size_t size, bool paletted, bool smoothing, bool whole) {
    Decoder = std::make_unique<TJpegDecoder>(data, size, paletted, smoothing);
    Width = Decoder->Width;
    Height = Decoder->Height;
    Format = Decoder->Paletted ? TRowFormat::Index8 : TRowFormat::Bgrx32;
    ColorTable = Decoder->Table;
    const size_t rowBytes = static_cast<size_t>(Width) * (Decoder->Paletted ? 1 : 4);
    if (!whole) {
        RandomAccess = StableRows = false;
        Line.resize(rowBytes);
        return;
    }
    // For writers that need the rows in another order: decoded whole.
    Line.resize(rowBytes * static_cast<size_t>(Height));
    for (int y = 0; y < Height; ++y)
        Decoder->ReadRow(Line.data() + rowBytes * static_cast<size_t>(y));
    Decoder->Finish();
    Next = Height;
}

TJpegRows::~TJpegRows() = default;

const uint8_t* TJpegRows::Row(int y) {
    if (RandomAccess)
        return Line.data() + Line.size() / static_cast<size_t>(Height) * static_cast<size_t>(y);
    if (y != Next) throw EJPEGError("JPEG rows are read in order");
    Decoder->ReadRow(Line.data());
    if (++Next == Height) Decoder->Finish();
    return Line.data();
}

std::string TJpegRows::Warning() const {
    return Decoder->Warning();
}
