// Pixel rows handed to the writers one at a time, top to bottom: from a
// picture in memory, a mapped bitmap file or the JPEG decoder. The writers
// take what they need row by row, so no one holds a second whole picture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Bytes of one pixel in memory, as the rows hold them.
enum class TRowFormat {
    Bgrx32, // X11's 32-bit RGB (QImage RGB32)
    Bgra32, // with alpha (QImage ARGB32): kept in 32-bit bitmap files
    Bgr24,  // a 24-bit bitmap file's rows
    Rgb24,
    Index8, // indexes into ColorTable
};

class TRowSource {
public:
    virtual ~TRowSource() = default;
    // Row Y (0 is the top). Sources that are not RandomAccess give their rows
    // only in order. The pointer is good until the next call, or for as long
    // as the source lives when StableRows.
    virtual const uint8_t* Row(int y) = 0;
    // Where bytes at P (within stable rows) lie in an open file, when they are
    // that file's bytes; writers may then copy them file to file.
    virtual bool FileOffsetOf(const uint8_t* /*p*/, int& /*fd*/, uint64_t& /*offset*/) const {
        return false;
    }
    // Raises when the rows handed out were not the source's own bytes (a
    // mapped file that shrank meanwhile); asked before a written file is kept.
    virtual void CheckComplete() const {}

    int Width = 0, Height = 0;
    TRowFormat Format = TRowFormat::Bgrx32;
    std::vector<uint32_t> ColorTable; // Index8: 0xAARRGGBB, as many entries as the picture has
    bool DeviceIndependent = false;   // Index8 rows of a bitmap file: GIF keeps their table
    bool RandomAccess = true;
    bool StableRows = true;
};

// An Index8 row through a colour table into R, G, B bytes; indexes past the
// table's end are black.
void ExpandIndexRow(const uint8_t* src, int width, const std::vector<uint32_t>& table,
                    uint8_t* rgb);

// A 16-bit 5-6-5 row (least significant byte first, as X11 and QImage RGB16
// hold it) into R, G, B bytes, each channel widened by repeating its top bits.
void ExpandRgb565Row(const uint8_t* src, int width, uint8_t* rgb);

// Maps the pages of a large buffer that another process just filled (a
// grab's shared segment) in one call, rather than faulting them in one by
// one while the rows are read. Small buffers are left alone.
void MapForReading(const void* data, size_t size);
