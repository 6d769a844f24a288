#include "imaging/GIFImage.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "imaging/Bitmap.h"
#include "imaging/FileBytes.h"

TGIFDefaults GIFImageDefaults;

namespace {

constexpr int MaxDimension = 65535;
constexpr int CubeSize = 216;
constexpr int PaletteSize = 256;

void Put16(std::vector<uint8_t>& out, int v) {
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}

// Run-length GIF code stream: runs of one index are sent as codes the decoder
// builds for itself (p, pp, ppp, ...), so no dictionary is kept or searched.
class TRunLengthCoder {
public:
    TRunLengthCoder(int minCodeSize, std::vector<uint8_t>& out)
        : ClearCode(1 << minCodeSize), EndCode(ClearCode + 1), RunBase(ClearCode + 2),
          InitBits(minCodeSize + 1), BumpInit(ClearCode - 1),
          ClearInit(minCodeSize <= 3 ? 9 : ClearCode - 2), MaxCodes(4095 - RunBase), Out(out) {
        Out.push_back(static_cast<uint8_t>(minCodeSize));
        Width = InitBits;
        Clear();
    }

    void Encode(const uint8_t* pixels, size_t count, int colorCount) {
        const bool check = colorCount < PaletteSize;
        const uint8_t* end = pixels + count;
        const uint8_t* p = pixels;
        while (p < end) {
            const uint8_t pixel = *p;
            if (check && pixel >= colorCount) throw GIFException("Color not in color table");
            const uint8_t* q = p + 1;
            while (q < end && *q == pixel) ++q;
            RunPixel = pixel;
            Flush(static_cast<int64_t>(q - p));
            p = q;
        }
        Emit(EndCode);
        EndStream();
        Out.push_back(0);
    }

private:
    // Codes are packed into Raw first and framed into sub-blocks at the end:
    // the per-code path is a shift and, every 32 bits, one store.
    void Emit(int code) {
        Acc |= static_cast<uint64_t>(code) << AccBits;
        AccBits += Width;
        if (AccBits >= 32) {
            if (RawLen + 8 > Raw.size()) Raw.resize(Raw.size() * 2 + 64);
            const uint32_t word = static_cast<uint32_t>(Acc);
            std::memcpy(&Raw[RawLen], &word, 4); // little-endian: least significant bits first
            RawLen += 4;
            Acc >>= 32;
            AccBits -= 32;
        }
    }
    void EndStream() {
        if (RawLen + 16 > Raw.size()) Raw.resize(RawLen + 16);
        while (AccBits > 0) {
            Raw[RawLen++] = static_cast<uint8_t>(Acc & 0xFF);
            Acc >>= 8;
            AccBits -= 8;
        }
        AccBits = 0;
        const size_t blocks = (RawLen + 254) / 255;
        const size_t start = Out.size();
        Out.resize(start + RawLen + blocks);
        uint8_t* o = &Out[start];
        for (size_t at = 0; at < RawLen; at += 255) {
            const size_t n = std::min<size_t>(255, RawLen - at);
            *o++ = static_cast<uint8_t>(n);
            std::memcpy(o, &Raw[at], n);
            o += n;
        }
    }
    void Clear() {
        BumpAt = BumpInit;
        ClearAt = ClearInit;
        Written = 0;
        RunTableMax = 0;
        JustCleared = true;
        Emit(ClearCode);
        Width = InitBits;
    }
    void EmitPlain(int code) {
        JustCleared = false;
        Emit(code);
        ++Written;
        if (Written >= BumpAt) {
            BumpAt += 1 << Width;
            ++Width;
        }
        if (Written >= ClearAt) Clear();
    }
    // Codes needed to send Count pixels with run codes growing one by one.
    static int64_t Triangle(int64_t count, int64_t limit) {
        const int64_t t = limit * (limit + 1) / 2;
        const int64_t rest = count % t;
        return limit * (count / t) + (rest ? TriangleRoot(rest) : 0);
    }
    // The smallest n with n (n + 1) / 2 >= Rest; short runs from a table.
    static int64_t TriangleRoot(int64_t rest) {
        static const auto table = [] {
            std::array<uint8_t, 4096> t{};
            for (int r = 1, n = 1; r < 4096; ++r) {
                while (n * (n + 1) / 2 < r) ++n;
                t[r] = static_cast<uint8_t>(n);
            }
            return t;
        }();
        if (rest < 4096) return table[rest];
        int64_t n = static_cast<int64_t>(std::sqrt(2.0 * static_cast<double>(rest)));
        while (n > 0 && (n - 1) * n / 2 >= rest) --n;
        while (n * (n + 1) / 2 < rest) ++n;
        return n;
    }
    void FlushFromClear(int64_t count) {
        ClearAt = MaxCodes;
        RunTablePixel = RunPixel;
        int n = 1;
        while (count > 0) {
            if (n == 1) {
                RunTableMax = 1;
                EmitPlain(RunPixel);
                count -= 1;
            } else if (count >= n) {
                RunTableMax = n;
                EmitPlain(RunBase + n - 2);
                count -= n;
            } else {
                RunTableMax += 1;
                EmitPlain(count == 1 ? RunPixel : RunBase + static_cast<int>(count) - 2);
                break;
            }
            n = Written == 0 ? 1 : n + 1;
        }
        ClearAt = ClearInit;
        if (Written >= ClearAt) Clear();
    }
    void FlushClearOrRepeat(int64_t count) {
        if (Triangle(count, MaxCodes) + 1 < count) {
            Clear();
            FlushFromClear(count);
        } else {
            for (int64_t i = 0; i < count; ++i) EmitPlain(RunPixel);
        }
    }
    void FlushWithTable(int64_t count) {
        int64_t reps = count / RunTableMax;
        int64_t rest = count % RunTableMax;
        int64_t restCost = rest > 0 ? 1 : 0;
        if (Written + reps + restCost > MaxCodes) {
            reps = MaxCodes - Written;
            rest = count - reps * RunTableMax;
            restCost = 1 + Triangle(rest, MaxCodes);
        }
        if (1 + Triangle(count, MaxCodes) < reps + restCost) {
            Clear();
            FlushFromClear(count);
            return;
        }
        ClearAt = MaxCodes;
        for (int64_t i = 0; i < reps; ++i) EmitPlain(RunBase + RunTableMax - 2);
        if (rest > 0) {
            if (JustCleared)
                FlushFromClear(rest);
            else if (rest == 1)
                EmitPlain(RunPixel);
            else
                EmitPlain(RunBase + static_cast<int>(rest) - 2);
        }
        ClearAt = ClearInit;
        if (Written >= ClearAt) Clear();
    }
    void Flush(int64_t count) {
        if (count == 1)
            EmitPlain(RunPixel);
        else if (JustCleared)
            FlushFromClear(count);
        else if (RunTableMax > 1 && RunTablePixel == RunPixel)
            FlushWithTable(count);
        else
            FlushClearOrRepeat(count);
    }

    const int ClearCode, EndCode, RunBase, InitBits, BumpInit, ClearInit, MaxCodes;
    std::vector<uint8_t>& Out;
    std::vector<uint8_t> Raw = std::vector<uint8_t>(1 << 16);
    size_t RawLen = 0;
    uint64_t Acc = 0;
    int AccBits = 0;
    int Width = 0, Written = 0, BumpAt = 0, ClearAt = 0;
    int RunTableMax = 0, RunTablePixel = -1, RunPixel = -1;
    bool JustCleared = false;
};

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

void TRLEEncoder(const uint8_t* pixels, size_t count, int colorCount, int minCodeSize,
                 std::vector<uint8_t>& out) {
    TRunLengthCoder coder(minCodeSize, out);
    coder.Encode(pixels, count, colorCount);
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
