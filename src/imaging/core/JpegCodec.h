// JPEG through libjpeg, without Qt: rows into baseline JFIF, and a file's
// rows out of the decoder. Library errors become exceptions; the library
// never ends the process.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/core/FileBytes.h"
#include "imaging/core/ImageError.h"
#include "imaging/core/Rows.h"

// Set once at start: the screen shows 8 bits per pixel or fewer, so decoded
// pictures are quantised to a palette.
extern bool JPEGScreenPaletted;

// Baseline JFIF of the rows at Quality, handed to Sink in pieces as the
// library makes them (the bytes TJPEGImage::Compress gives).
void WriteJpeg(TRowSource& rows, int quality, bool grey, bool progressive, const TByteSink& sink);

class TJpegDecoder;

// The rows of a JPEG file, decoded one at a time, in order: B, G, R, X, or
// 236-colour indexes when Paletted (a greyscale file always is). Only a
// library error raises (EJPEGError); a damaged file whose picture begins
// gives what decodes, and Warning() tells the first fault the library met.
class TJpegRows : public TRowSource {
public:
    // From the mapped file; Whole decodes every row at once, for writers
    // that want them in another order.
    TJpegRows(const std::string& fileName, bool paletted, bool whole = false);
    // From bytes that outlive the rows.
    TJpegRows(const uint8_t* data, size_t size, bool paletted, bool smoothing);
    ~TJpegRows() override;
    const uint8_t* Row(int y) override;
    std::string Warning() const;
    void CheckComplete() const override {
        if (File) File->CheckWhole();
    }

private:
    void Start(const uint8_t* data, size_t size, bool paletted, bool smoothing, bool whole);

    std::unique_ptr<TMappedFile> File;
    std::unique_ptr<TJpegDecoder> Decoder;
    std::vector<uint8_t> Line;
    int Next = 0;
};
