// PNG files as rows, through libspng, without Qt.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/core/FileBytes.h"
#include "imaging/core/ImageError.h"
#include "imaging/core/Rows.h"

// The rows of a PNG file, decoded whole: indexed files as Index8 with their
// palette (tRNS as the entries' alpha), files with transparency as Bgra32,
// all others (grey, 16-bit samples scaled) as Rgb24. Every chunk's CRC is
// checked. EPNGError for a damaged file (truncated, a bad CRC, a stream that
// does not inflate to the rows) or a picture over 2^28 pixels, before any
// memory is taken for it.
class TPngRows : public TRowSource {
public:
    explicit TPngRows(const std::string& fileName);
    // From bytes that need not outlive the rows.
    TPngRows(const uint8_t* data, size_t size);
    const uint8_t* Row(int y) override { return Pixels.data() + Stride * static_cast<size_t>(y); }

private:
    void Decode(const uint8_t* data, size_t size);

    std::vector<uint8_t> Pixels;
    size_t Stride = 0;
};
