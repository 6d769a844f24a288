#include "imaging/core/BmpRows.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "imaging/core/PixelPack.h"

namespace {

constexpr uint64_t MaxPixels = uint64_t{1} << 28;
constexpr uint32_t BiRgb = 0, BiRle8 = 1, BiRle4 = 2, BiBitfields = 3;

void Put16(std::vector<uint8_t>& o, uint32_t v) {
    o.push_back(static_cast<uint8_t>(v));
    o.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& o, uint32_t v) {
    Put16(o, v & 0xFFFF);
    Put16(o, v >> 16);
}

// Bounds-checked little-endian reads: every read past the end is an error.
class TReader {
public:
    TReader(const uint8_t* d, size_t n) : Data(d), Size(n) {}
    uint32_t U8(size_t at) const { return Need(at, 1), Data[at]; }
    uint32_t U16(size_t at) const { return Need(at, 2), Data[at] | (Data[at + 1] << 8); }
    uint32_t U32(size_t at) const {
        return Need(at, 4), Data[at] | (Data[at + 1] << 8) | (Data[at + 2] << 16) |
                                (static_cast<uint32_t>(Data[at + 3]) << 24);
    }
    void Need(size_t at, size_t n) const {
        if (at > Size || n > Size - at) throw EBitmapError("The bitmap file is truncated");
    }
    const uint8_t* Data;
    size_t Size;
};

[[noreturn]] void Bad(const char* why) {
    throw EBitmapError(std::string("Invalid bitmap file: ") + why);
}

// Value of a bit-field mask scaled to 0..255.
uint8_t Field(uint32_t pixel, uint32_t mask) {
    if (!mask) return 0;
    const int shift = std::countr_zero(mask);
    const uint32_t max = mask >> shift;
    return static_cast<uint8_t>(((pixel & mask) >> shift) * 255u / max);
}

} // namespace

void DecodeRle(const uint8_t* data, size_t size, const TBmpLayout& l, uint8_t* pixels,
               size_t stride) {
    const TReader r(data, size);
    size_t at = l.Offset;
    const int bpp = static_cast<int>(l.Bpp), w = l.Width;
    int x = 0, y = l.Height - 1; // RLE files are bottom-up
    auto put = [&](uint32_t idx) {
        if (x < w && y >= 0)
            pixels[static_cast<size_t>(y) * stride + x] = static_cast<uint8_t>(idx);
        ++x;
    };
    for (;;) {
        const uint32_t count = r.U8(at), code = r.U8(at + 1);
        at += 2;
        if (count) {
            for (uint32_t i = 0; i < count; ++i)
                put(bpp == 8 ? code : (i & 1 ? code & 0x0F : code >> 4));
        } else if (code == 0) {
            x = 0;
            --y;
        } else if (code == 1) {
            return;
        } else if (code == 2) {
            x += static_cast<int>(r.U8(at));
            y -= static_cast<int>(r.U8(at + 1));
            at += 2;
        } else {
            const size_t bytes = bpp == 8 ? code : (code + 1) / 2;
            r.Need(at, bytes);
            for (uint32_t i = 0; i < code; ++i)
                put(bpp == 8 ? r.Data[at + i]
                             : (i & 1 ? r.Data[at + i / 2] & 0x0F : r.Data[at + i / 2] >> 4));
            at += (bytes + 1) & ~size_t{1}; // runs are padded to a word
        }
        if (y < -1) Bad("run-length data outside the picture");
    }
}

void WriteBmp(TRowSource& rows, const TByteSink& sink, const TFileCopy& copy) {
    const int bpp = rows.Format == TRowFormat::Index8   ? 8
                    : rows.Format == TRowFormat::Bgra32 ? 32
                                                        : 24;
    const uint32_t w = static_cast<uint32_t>(std::max(rows.Width, 0));
    const uint32_t h = static_cast<uint32_t>(std::max(rows.Height, 0));
    const uint32_t colors = bpp == 8 ? static_cast<uint32_t>(rows.ColorTable.size()) : 0;
    const uint32_t stride = ((w * static_cast<uint32_t>(bpp) + 31) / 32) * 4;
    const uint32_t offset = 14 + 40 + 4 * colors;
    const uint64_t fileSize = offset + uint64_t{stride} * h;
    if (fileSize > 0xFFFFFFFFu) throw EBitmapError("The picture is too large for a bitmap file");
    std::vector<uint8_t> o;
    o.reserve(offset);
    o.push_back('B');
    o.push_back('M');
    Put32(o, static_cast<uint32_t>(fileSize));
    Put32(o, 0);
    Put32(o, offset);
    Put32(o, 40);
    Put32(o, w);
    Put32(o, h);
    Put16(o, 1);
    Put16(o, static_cast<uint32_t>(bpp));
    Put32(o, BiRgb);
    Put32(o, stride * h);
    Put32(o, 3780); // 96 dpi
    Put32(o, 3780);
    Put32(o, colors);
    Put32(o, 0);
    for (const uint32_t c : rows.ColorTable) {
        if (bpp != 8) break;
        o.insert(o.end(), {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8),
                           static_cast<uint8_t>(c >> 16), 0});
    }
    sink(o.data(), o.size());
    if (rows.Format == TRowFormat::Bgr24 && rows.StableRows && stride == w * 3) {
        // The rows are the file's rows already (a 24-bit bitmap file, mapped):
        // handed on as they are, neighbours in memory in one piece.
        // From a file, the kernel copies them.
        auto hand = [&](const uint8_t* from, const uint8_t* to) {
            int fd = -1;
            uint64_t at = 0;
            if (copy && rows.FileOffsetOf(from, fd, at))
                copy(fd, at, static_cast<size_t>(to - from));
            else
                sink(from, static_cast<size_t>(to - from));
        };
        const uint8_t *run = nullptr, *end = nullptr;
        for (int y = static_cast<int>(h) - 1; y >= 0; --y) {
            const uint8_t* row = rows.Row(y);
            if (row != end && run) hand(run, end);
            if (row != end) run = row;
            end = row + stride;
        }
        if (run) hand(run, end);
        return;
    }
    // Rows bottom-up, gathered into blocks of about 1 MB for the sink.
    const uint32_t rowsPerBlock = std::max<uint32_t>(1, (1u << 20) / std::max<uint32_t>(stride, 1));
    std::vector<uint8_t> block(static_cast<size_t>(stride) *
                               std::min(rowsPerBlock, std::max(h, 1u)));
    uint32_t inBlock = 0;
    for (int y = static_cast<int>(h) - 1; y >= 0; --y) {
        const uint8_t* s = rows.Row(y);
        uint8_t* d = block.data() + static_cast<size_t>(inBlock) * stride;
        std::memset(d, 0, stride);
        switch (rows.Format) {
        case TRowFormat::Index8:
            std::memcpy(d, s, w);
            break;
        case TRowFormat::Bgr24:
            std::memcpy(d, s, static_cast<size_t>(w) * 3);
            break;
        case TRowFormat::Rgb24:
            for (uint32_t x = 0; x < w; ++x, s += 3, d += 3) d[0] = s[2], d[1] = s[1], d[2] = s[0];
            break;
        case TRowFormat::Bgrx32:
            PackBgrxToBgr(s, d, int(w));
            break;
        case TRowFormat::Bgra32:
            std::memcpy(d, s, static_cast<size_t>(w) * 4);
            break;
        }
        if (++inBlock == rowsPerBlock || y == 0) {
            sink(block.data(), static_cast<size_t>(inBlock) * stride);
            inBlock = 0;
        }
    }
}

TBmpLayout ParseBmp(const uint8_t* data, size_t size) {
    const TReader r(data, size);
    if (size < 2 || data[0] != 'B' || data[1] != 'M') Bad("no BM signature");
    TBmpLayout l;
    l.Offset = r.U32(10);
    const uint32_t infoSize = r.U32(14);
    int64_t w, h;
    uint32_t colorsUsed = 0;
    size_t paletteAt = 14 + infoSize, entry = 4;
    if (infoSize == 12) {
        w = r.U16(18);
        h = static_cast<int16_t>(r.U16(20));
        l.Bpp = r.U16(24);
        entry = 3;
    } else if (infoSize >= 40 && infoSize <= 4096) {
        w = static_cast<int32_t>(r.U32(18));
        h = static_cast<int32_t>(r.U32(22));
        l.Bpp = r.U16(28);
        l.Compression = r.U32(30);
        colorsUsed = r.U32(46);
        if (l.Compression == BiBitfields) {
            const size_t at = 54; // after the 40-byte header, also inside V4/V5 ones
            for (int i = 0; i < 3; ++i) l.Masks[i] = r.U32(at + 4 * static_cast<size_t>(i));
            if (infoSize == 40) paletteAt += 12;
        } else if (l.Bpp == 16) {
            l.Masks[0] = 0x7C00, l.Masks[1] = 0x03E0, l.Masks[2] = 0x001F;
        }
    } else {
        Bad("unknown header size");
    }
    const uint32_t bpp = l.Bpp, compression = l.Compression;
    l.TopDown = h < 0;
    h = l.TopDown ? -h : h;
    if (w <= 0 || h <= 0) Bad("zero or negative size");
    if (static_cast<uint64_t>(w) * static_cast<uint64_t>(h) > MaxPixels) Bad("picture too large");
    l.Rle = compression == BiRle8 || compression == BiRle4;
    if (!(compression == BiRgb || (compression == BiRle8 && bpp == 8) ||
          (compression == BiRle4 && bpp == 4) ||
          (compression == BiBitfields && (bpp == 16 || bpp == 32))))
        Bad("unsupported compression");
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        Bad("unsupported bits per pixel");
    if (l.Rle && l.TopDown) Bad("top-down run-length data");
    l.Width = static_cast<int>(w);
    l.Height = static_cast<int>(h);
    // Check that the pixels are there before making room for them.
    l.Stride = ((static_cast<uint64_t>(w) * bpp + 31) / 32) * 4;
    if (!l.Rle)
        r.Need(l.Offset, static_cast<size_t>(l.Stride * static_cast<uint64_t>(h)));
    else if (l.Offset >= size ||
             static_cast<uint64_t>(w) * static_cast<uint64_t>(h) / 65025 > size - l.Offset)
        throw EBitmapError("The bitmap file is truncated"); // more than even deltas could skip
    if (bpp <= 8) {
        const uint32_t max = 1u << bpp;
        const uint32_t n = colorsUsed && colorsUsed < max ? colorsUsed : max;
        r.Need(paletteAt, n * entry);
        for (uint32_t i = 0; i < max; ++i) {
            const size_t at = paletteAt + i * entry;
            l.Table.push_back(0xFF000000u |
                              (i < n ? data[at + 2] << 16 | data[at + 1] << 8 | data[at] : 0));
        }
    }
    return l;
}

const uint8_t* BmpRow(const TBmpLayout& l, const uint8_t* data, int y, uint8_t* scratch) {
    const uint8_t* s =
        data + l.Offset + l.Stride * static_cast<uint64_t>(l.TopDown ? y : l.Height - 1 - y);
    const int w = l.Width;
    switch (l.Bpp) {
    case 8:
    case 24:
        return s; // as the file has them
    case 1:
    case 4: {
        const int bpp = static_cast<int>(l.Bpp);
        for (int x = 0; x < w; ++x) {
            const int bit = x * bpp;
            scratch[x] =
                static_cast<uint8_t>((s[bit / 8] >> (8 - bpp - bit % 8)) & ((1 << bpp) - 1));
        }
        return scratch;
    }
    default: {
        auto* out = reinterpret_cast<uint32_t*>(scratch);
        for (int x = 0; x < w; ++x) {
            const uint32_t p = l.Bpp == 16
                                   ? (s[2 * x] | (s[2 * x + 1] << 8))
                                   : (s[4 * x] | (s[4 * x + 1] << 8) | (s[4 * x + 2] << 16) |
                                      (static_cast<uint32_t>(s[4 * x + 3]) << 24));
            out[x] = 0xFF000000u | Field(p, l.Masks[0]) << 16 | Field(p, l.Masks[1]) << 8 |
                     Field(p, l.Masks[2]);
        }
        return scratch;
    }
    }
}

TBmpRows::TBmpRows(const std::string& fileName) : File(fileName) {
    Layout = File.Read([&] { return ParseBmp(File.Data(), File.Size()); });
    Width = Layout.Width;
    Height = Layout.Height;
    if (Layout.Rle) {
        // Runs cross rows: decoded whole, one byte a pixel.
        Decoded.assign(static_cast<size_t>(Width) * static_cast<size_t>(Height), 0);
        File.Read([&] {
            DecodeRle(File.Data(), File.Size(), Layout, Decoded.data(), static_cast<size_t>(Width));
            return 0;
        });
        Format = TRowFormat::Index8;
    } else {
        Format = Layout.Bpp <= 8    ? TRowFormat::Index8
                 : Layout.Bpp == 24 ? TRowFormat::Bgr24
                                    : TRowFormat::Bgrx32;
        StableRows = Layout.Bpp == 8 || Layout.Bpp == 24;
        if (!StableRows) Scratch.resize(static_cast<size_t>(Width) * 4);
    }
    if (Format == TRowFormat::Index8) {
        ColorTable = Layout.Table;
        DeviceIndependent = true;
    }
}

bool TBmpRows::FileOffsetOf(const uint8_t* p, int& fd, uint64_t& offset) const {
    if (File.Fd() < 0 || p < File.Data() || p >= File.Data() + File.Size()) return false;
    fd = File.Fd();
    offset = static_cast<uint64_t>(p - File.Data());
    return true;
}

const uint8_t* TBmpRows::Row(int y) {
    if (Layout.Rle) return Decoded.data() + static_cast<size_t>(y) * static_cast<size_t>(Width);
    return BmpRow(Layout, File.Data(), y, Scratch.data());
}
