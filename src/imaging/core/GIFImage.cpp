#include "imaging/core/GIFImage.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "imaging/core/FileBytes.h"
#include "imaging/core/RLEEncoder.h"

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

void TGIFSubImage::Assign(TRowSource& rows) {
    Width = Height = 0;
    Data.clear();
    ColorMap = {};
    const int w = rows.Width, h = rows.Height;
    if (w <= 0 || h <= 0) return;
    if (w > MaxDimension || h > MaxDimension) throw GIFException("Invalid image dimensions");
    try {
        Data.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
    } catch (const std::bad_alloc&) {
        throw GIFException("Failed to allocate memory for GIF DIB");
    }
    if (rows.Format == TRowFormat::Index8 && rows.DeviceIndependent) {
        // A bitmap file's own colour table is kept as it is.
        for (const uint32_t c : rows.ColorTable)
            ColorMap.Colors.push_back({static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8),
                                       static_cast<uint8_t>(c)});
        for (int y = 0; y < h; ++y) std::copy_n(rows.Row(y), w, &Data[static_cast<size_t>(y) * w]);
    } else {
        // Anything else goes to the colour cube.
        std::vector<uint8_t> rgb(rows.Format == TRowFormat::Index8 ? size_t(w) * 3 : 0);
        for (int y = 0; y < h; ++y) {
            const uint8_t* src = rows.Row(y);
            uint8_t* dst = &Data[static_cast<size_t>(y) * w];
            switch (rows.Format) {
            case TRowFormat::Bgrx32:
            case TRowFormat::Bgra32:
                ReduceRow32(reinterpret_cast<const uint32_t*>(src), dst, w);
                break;
            case TRowFormat::Bgr24:
                ReduceRowBGR(src, dst, w);
                break;
            case TRowFormat::Index8:
                ExpandIndexRow(src, w, rows.ColorTable, rgb.data());
                ReduceRow24(rgb.data(), dst, w);
                break;
            case TRowFormat::Rgb24:
                ReduceRow24(src, dst, w);
                break;
            }
        }
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

void TGIFSubImage::Write(std::vector<uint8_t>& out) const {
    Write([&](const uint8_t* d, size_t n) { out.insert(out.end(), d, d + n); });
}

void TGIFSubImage::Write(const TByteSink& sink) const {
    std::vector<uint8_t> head;
    head.push_back(0x2C);
    Put16(head, 0);
    Put16(head, 0);
    Put16(head, Width);
    Put16(head, Height);
    const int bits = ColorMap.BitsPerPixel();
    head.push_back(bits ? static_cast<uint8_t>(0x80 | (ColorMap.Sorted ? 0x20 : 0) | (bits - 1))
                        : 0);
    ColorMap.Write(head);
    sink(head.data(), head.size());
    // Only the run-length coder is built; it is what every caller selects.
    TRLEEncoder(Data.data(), Data.size(), ColorMap.Count(), std::max(2, bits ? bits : 8), sink);
}

TGIFImage::TGIFImage() : Settings(GIFImageDefaults) {}

void TGIFImage::Assign(TRowSource& rows) {
    TGIFSubImage frame;
    frame.Assign(rows);
    SetFrame(std::move(frame));
}

void TGIFImage::SetFrame(TGIFSubImage frame) {
    Images.clear();
    ScreenWidth = std::max(0, frame.Width);
    ScreenHeight = std::max(0, frame.Height);
    Images.push_back(std::move(frame));
}

std::vector<uint8_t> TGIFImage::SaveToBytes() const {
    std::vector<uint8_t> out;
    Save([&](const uint8_t* d, size_t n) { out.insert(out.end(), d, d + n); });
    return out;
}

void TGIFImage::Save(const TByteSink& sink) const {
    if (Images.empty()) throw GIFException("Unsupported GIF version");
    int version = 1, resolution = GlobalColorMap.BitsPerPixel() - 1, depth = resolution;
    for (const TGIFSubImage& f : Images) {
        version = std::max(version, f.Version());
        resolution = std::max(resolution, f.ColorMap.BitsPerPixel() - 1);
        depth = std::max(depth, f.ColorMap.BitsPerPixel() - 1);
    }
    const char* sig = version == 1 ? "GIF87a" : "GIF89a";
    std::vector<uint8_t> head(sig, sig + 6);
    Put16(head, ScreenWidth);
    Put16(head, ScreenHeight);
    uint8_t packed = static_cast<uint8_t>((std::max(resolution, 0) << 4) | std::max(depth, 0));
    if (GlobalColorMap.Count()) packed |= 0x80 | (GlobalColorMap.Sorted ? 0x08 : 0);
    head.push_back(packed);
    head.push_back(Background);
    head.push_back(AspectRatio);
    if (GlobalColorMap.Count()) GlobalColorMap.Write(head);
    sink(head.data(), head.size());
    for (const TGIFSubImage& f : Images)
        if (!f.Empty()) f.Write(sink);
    const uint8_t trailer = 0x3B;
    sink(&trailer, 1);
}

void TGIFImage::SaveToFile(const std::string& fileName) const {
    TFileWriter file(fileName);
    Save(file.Sink());
    file.Commit();
}
