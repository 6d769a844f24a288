// Single-frame GIF files from a bitmap: the picture reduced to the 216-colour
// cube (or kept with its own colour table when it is a 1-, 4- or 8-bit
// device-independent bitmap) and coded with the run-length encoder, whose
// code stream every GIF decoder reads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/core/ImageError.h"
#include "imaging/core/RLEEncoder.h"
#include "imaging/core/Rows.h"

// The methods that take a QImage are built with the Qt side (imaging/qt).
class QImage;

enum class TColorReduction { Netscape };
enum class TDitherMode { Nearest };

// Process-wide defaults copied into every new TGIFImage.
struct TGIFDefaults {
    TColorReduction ColorReduction = TColorReduction::Netscape;
    TDitherMode DitherMode = TDitherMode::Nearest;
    int ReductionBits = 8;
};
extern TGIFDefaults GIFImageDefaults;

struct TGIFRGB {
    uint8_t Red, Green, Blue;
};

class TGIFColorMap {
public:
    std::vector<TGIFRGB> Colors;
    bool Sorted = false;
    int Count() const { return static_cast<int>(Colors.size()); }
    // 0 for an empty table, else the smallest b >= 1 with 2^b >= Count.
    int BitsPerPixel() const;
    // The entries, then black up to 2^BitsPerPixel entries.
    void Write(std::vector<uint8_t>& out) const;
};
using TGIFGlobalColorMap = TGIFColorMap;
using TGIFLocalColorMap = TGIFColorMap;

class TGIFSubImage {
public:
    int Width = 0, Height = 0;
    TGIFLocalColorMap ColorMap;
    std::vector<uint8_t> Data; // one index per pixel, rows top to bottom
    bool Empty() const { return Width == 0 || Height == 0; }
    int Version() const { return ColorMap.Sorted ? 2 : 1; }
    // Builds the frame from Bitmap; a picture that is reduced is converted to
    // 24 bits per pixel in place, as the callers' picture stays afterwards.
    void Assign(QImage& bitmap);
    // The same frame from rows, which are left as they are.
    void Assign(TRowSource& rows);
    void Write(std::vector<uint8_t>& out) const;
    void Write(const TByteSink& sink) const;
};

class TGIFImage {
public:
    TGIFImage();
    TGIFDefaults Settings;
    // Logical screen descriptor: all zero when created.
    int ScreenWidth = 0, ScreenHeight = 0;
    uint8_t Background = 0, AspectRatio = 0;
    TGIFGlobalColorMap GlobalColorMap;
    std::vector<TGIFSubImage> Images;

    void Assign(QImage& bitmap);
    void Assign(TRowSource& rows);
    // The file to Sink in pieces as it is coded.
    void Save(const TByteSink& sink) const;
    // The whole file in memory.
    std::vector<uint8_t> SaveToBytes() const;
    // Writes the file through TFileWriter; EImageError on failure.
    void SaveToFile(const std::string& fileName) const;

private:
    void SetFrame(TGIFSubImage frame);
};

// Cube index of a colour: 36 (R+3) div 51 + 6 (G+3) div 51 + (B+3) div 51.
constexpr int CubeIndex(int r, int g, int b) {
    return 36 * ((r + 3) / 51) + 6 * ((g + 3) / 51) + (b + 3) / 51;
}
