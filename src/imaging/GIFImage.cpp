#include "imaging/GIFImage.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "imaging/Bitmap.h"
#include "imaging/FileBytes.h"
#include "imaging/RLEEncoder.h"

TGIFDefaults GIFImageDefaults;

namespace {

constexpr int MaxDimension = 65535;
constexpr int CubeSize = 216;
constexpr int PaletteSize = 256;

void Put16(std::vector<uint8_t>& out, int v) {
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}

// Cube level of each channel value, pre-multiplied by the channel's weight.
struct TCubeLookup {
    std::array<uint8_t, 256> R{}, G{}, B{};
    constexpr TCubeLookup() {
        for (int v = 0; v < 256; ++v) {
            B[v] = static_cast<uint8_t>((v + 3) / 51);
            G[v] = static_cast<uint8_t>(6 * B[v]);
            R[v] = static_cast<uint8_t>(36 * B[v]);
        }
    }
};
constexpr TCubeLookup Cube;

void ReduceRow32(const uint32_t* src, uint8_t* dst, int width) {
    for (int x = 0; x < width; ++x) {
        const uint32_t c = src[x];
        dst[x] = static_cast<uint8_t>(Cube.R[(c >> 16) & 0xFF] + Cube.G[(c >> 8) & 0xFF] +
                                      Cube.B[c & 0xFF]);
    }
}

void ReduceRow24(const uint8_t* src, uint8_t* dst, int width) {
    for (int x = 0; x < width; ++x, src += 3)
        dst[x] = static_cast<uint8_t>(Cube.R[src[0]] + Cube.G[src[1]] + Cube.B[src[2]]);
}

void ReduceRowBGR(const uint8_t* src, uint8_t* dst, int width) {
    for (int x = 0; x < width; ++x, src += 3)
        dst[x] = static_cast<uint8_t>(Cube.R[src[2]] + Cube.G[src[1]] + Cube.B[src[0]]);
}

} // namespace

int TGIFColorMap::BitsPerPixel() const {
    if (Colors.empty()) return 0;
    int b = 1;
    while ((1 << b) < Count()) ++b;
    return b;
}

void TGIFColorMap::Write(std::vector<uint8_t>& out) const {
    for (const TGIFRGB& c : Colors) out.insert(out.end(), {c.Red, c.Green, c.Blue});
    for (int i = Count(); i < (1 << BitsPerPixel()); ++i) out.insert(out.end(), {0, 0, 0});
}

void TGIFSubImage::Assign(QImage& bitmap) {
    Width = Height = 0;
    Data.clear();
    ColorMap = {};
    if (bitmap.isNull() || bitmap.width() == 0 || bitmap.height() == 0) return;
    if (bitmap.width() > MaxDimension || bitmap.height() > MaxDimension)
        throw GIFException("Invalid image dimensions");
    const int w = bitmap.width(), h = bitmap.height();
    const bool paletted = bitmap.format() == QImage::Format_Indexed8 ||
                          bitmap.format() == QImage::Format_Mono ||
                          bitmap.format() == QImage::Format_MonoLSB;
    try {
        Data.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
    } catch (const std::bad_alloc&) {
        throw GIFException("Failed to allocate memory for GIF DIB");
    }
    if (paletted && IsDeviceIndependent(bitmap)) {
        // A bitmap file's own colour table is kept as it is.
        const QImage indexed = bitmap.format() == QImage::Format_Indexed8
                                   ? bitmap
                                   : bitmap.convertToFormat(QImage::Format_Indexed8);
        for (QRgb c : indexed.colorTable())
            ColorMap.Colors.push_back({static_cast<uint8_t>(qRed(c)),
                                       static_cast<uint8_t>(qGreen(c)),
                                       static_cast<uint8_t>(qBlue(c))});
        for (int y = 0; y < h; ++y)
            std::copy_n(indexed.constScanLine(y), w, &Data[static_cast<size_t>(y) * w]);
    } else {
        // Anything else goes to the colour cube; the caller's picture is left
        // at 24 bits per pixel.
        const bool x32 =
            bitmap.format() == QImage::Format_RGB32 || bitmap.format() == QImage::Format_ARGB32;
        const bool bgr = bitmap.format() == QImage::Format_BGR888; // a 24-bit bitmap file
        if (!x32 && !bgr) bitmap.convertTo(QImage::Format_RGB888);
        for (int y = 0; y < h; ++y) {
            uint8_t* dst = &Data[static_cast<size_t>(y) * w];
            if (x32)
                ReduceRow32(reinterpret_cast<const uint32_t*>(bitmap.constScanLine(y)), dst, w);
            else if (bgr)
                ReduceRowBGR(bitmap.constScanLine(y), dst, w);
            else
                ReduceRow24(bitmap.constScanLine(y), dst, w);
        }
        if (x32 || bgr) bitmap.convertTo(QImage::Format_RGB888);
        ColorMap.Colors.reserve(PaletteSize);
        for (int n = 0; n < CubeSize; ++n)
            ColorMap.Colors.push_back({static_cast<uint8_t>(51 * (n / 36)),
                                       static_cast<uint8_t>(51 * ((n / 6) % 6)),
                                       static_cast<uint8_t>(51 * (n % 6))});
        ColorMap.Colors.resize(PaletteSize, TGIFRGB{0, 0, 0});
    }
    Width = w;
    Height = h;
}

void TGIFSubImage::Write(std::vector<uint8_t>& out, TGIFCompression) const {
    out.push_back(0x2C);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, Width);
    Put16(out, Height);
    const int bits = ColorMap.BitsPerPixel();
    out.push_back(bits ? static_cast<uint8_t>(0x80 | (ColorMap.Sorted ? 0x20 : 0) | (bits - 1))
                       : 0);
    ColorMap.Write(out);
    // Only the run-length coder is built; it is what every caller selects.
    TRLEEncoder(Data.data(), Data.size(), ColorMap.Count(), std::max(2, bits ? bits : 8), out);
}

TGIFImage::TGIFImage() : Settings(GIFImageDefaults) {}

void TGIFImage::Assign(QImage& bitmap) {
    Images.clear();
    ScreenWidth = ScreenHeight = 0;
    TGIFSubImage frame;
    frame.Assign(bitmap);
    ScreenWidth = std::max(ScreenWidth, frame.Width);
    ScreenHeight = std::max(ScreenHeight, frame.Height);
    Images.push_back(std::move(frame));
}

std::vector<uint8_t> TGIFImage::SaveToBytes() const {
    if (Images.empty()) throw GIFException("Unsupported GIF version");
    int version = 1, resolution = GlobalColorMap.BitsPerPixel() - 1, depth = resolution;
    for (const TGIFSubImage& f : Images) {
        version = std::max(version, f.Version());
        resolution = std::max(resolution, f.ColorMap.BitsPerPixel() - 1);
        depth = std::max(depth, f.ColorMap.BitsPerPixel() - 1);
    }
    std::vector<uint8_t> out;
    size_t pixels = 0;
    for (const TGIFSubImage& f : Images) pixels += f.Data.size();
    out.reserve(800 + pixels / 4);
    const char* sig = version == 1 ? "GIF87a" : "GIF89a";
    out.insert(out.end(), sig, sig + 6);
    Put16(out, ScreenWidth);
    Put16(out, ScreenHeight);
    uint8_t packed = static_cast<uint8_t>((std::max(resolution, 0) << 4) | std::max(depth, 0));
    if (GlobalColorMap.Count()) packed |= 0x80 | (GlobalColorMap.Sorted ? 0x08 : 0);
    out.push_back(packed);
    out.push_back(Background);
    out.push_back(AspectRatio);
    if (GlobalColorMap.Count()) GlobalColorMap.Write(out);
    for (const TGIFSubImage& f : Images)
        if (!f.Empty()) f.Write(out, Settings.Compression);
    out.push_back(0x3B);
    return out;
}

void TGIFImage::SaveToFile(const std::string& fileName) const {
    // Coded in memory first: a coding error never leaves a half-written file.
    const std::vector<uint8_t> bytes = SaveToBytes();
    WriteFileBytes(fileName, bytes.data(), bytes.size());
}
