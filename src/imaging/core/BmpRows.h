// Windows bitmap files as rows, without Qt: the checked layout of a file, its
// rows straight from the mapping, and the writer of rows.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "imaging/core/FileBytes.h"
#include "imaging/core/ImageError.h"
#include "imaging/core/Rows.h"

// File header, info header, colour table (Index8 rows), rows bottom-up padded
// to 4 bytes, handed to Sink as they are made: Index8 rows as 8 bits per
// pixel, Bgra32 as 32, all others as 24.
// Copy, when given, takes the runs of rows that are an open file's bytes.
using TFileCopy = std::function<void(int fd, uint64_t offset, size_t size)>;
void WriteBmp(TRowSource& rows, const TByteSink& sink, const TFileCopy& copy = {});

// Where a bitmap file keeps its pixels, as its headers say (checked).
struct TBmpLayout {
    int Width = 0, Height = 0;
    bool TopDown = false, Rle = false;
    uint32_t Bpp = 0, Compression = 0;
    uint64_t Stride = 0;
    size_t Offset = 0;
    uint32_t Masks[3] = {0x00FF0000, 0x0000FF00, 0x000000FF};
    std::vector<uint32_t> Table; // 0xFFRRGGBB, 1 << Bpp entries for paletted files
};

// The rows of a bitmap file mapped into memory: 8- and 24-bit rows are the
// file's own bytes, other depths are unpacked a row at a time, and only
// run-length files are decoded whole. EBitmapError as DecodeBmp gives it.
class TBmpRows : public TRowSource {
public:
    explicit TBmpRows(const std::string& fileName);
    const uint8_t* Row(int y) override;
    bool FileOffsetOf(const uint8_t* p, int& fd, uint64_t& offset) const override;
    void CheckComplete() const override { File.CheckWhole(); }

private:
    TMappedFile File;
    TBmpLayout Layout;
    std::vector<uint8_t> Decoded;
    std::vector<uint8_t> Scratch;
};

// The layout of a well-formed file; EBitmapError for anything else.
TBmpLayout ParseBmp(const uint8_t* data, size_t size);
// Row Y (0 is the top) of an uncompressed file: 8- and 24-bit rows as the file
// has them, others unpacked into Scratch (one byte a pixel up to 8 bits,
// else 0xFFRRGGBB words).
const uint8_t* BmpRow(const TBmpLayout& layout, const uint8_t* data, int y, uint8_t* scratch);
// Run-length data into one byte a pixel, rows Stride apart; Pixels zeroed.
void DecodeRle(const uint8_t* data, size_t size, const TBmpLayout& layout, uint8_t* pixels,
               size_t stride);
