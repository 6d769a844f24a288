#include "imaging/BmpFile.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <functional>

#include "imaging/Bitmap.h"
#include "imaging/FileBytes.h"

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

void DecodeRle(const TReader& r, size_t at, int bpp, QImage& img, int w, int h) {
    int x = 0, y = h - 1; // RLE files are bottom-up
    auto put = [&](uint32_t idx) {
        if (x < w && y >= 0) img.scanLine(y)[x] = static_cast<uint8_t>(idx);
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

} // namespace

namespace {

// Writes the file through Sink, one row at a time: no second full-size copy.
void WriteBmp(const QImage& picture, const std::function<void(const uint8_t*, size_t)>& sink) {
    QImage img = picture;
    int bpp;
    switch (img.format()) {
    case QImage::Format_Indexed8:
        bpp = 8;
        break;
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
        img = img.convertToFormat(QImage::Format_Indexed8);
        bpp = 8;
        break;
    case QImage::Format_ARGB32:
        bpp = 32;
        break;
    case QImage::Format_RGB32:
    case QImage::Format_RGB888:
        bpp = 24;
        break;
    default:
        img = img.convertToFormat(QImage::Format_RGB888);
        bpp = 24;
        break;
    }
    const uint32_t w = static_cast<uint32_t>(std::max(img.width(), 0));
    const uint32_t h = static_cast<uint32_t>(std::max(img.height(), 0));
    const uint32_t colors = bpp == 8 ? static_cast<uint32_t>(img.colorCount()) : 0;
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
    for (uint32_t i = 0; i < colors; ++i) {
        const QRgb c = img.color(static_cast<int>(i));
        o.insert(o.end(), {static_cast<uint8_t>(qBlue(c)), static_cast<uint8_t>(qGreen(c)),
                           static_cast<uint8_t>(qRed(c)), 0});
    }
    sink(o.data(), o.size());
    // Rows bottom-up, gathered into blocks of about 1 MB for the sink.
    const uint32_t rowsPerBlock = std::max<uint32_t>(1, (1u << 20) / std::max<uint32_t>(stride, 1));
    std::vector<uint8_t> block(static_cast<size_t>(stride) *
                               std::min(rowsPerBlock, std::max(h, 1u)));
    uint32_t inBlock = 0;
    for (int y = static_cast<int>(h) - 1; y >= 0; --y) {
        const uint8_t* s = img.constScanLine(y);
        uint8_t* d = block.data() + static_cast<size_t>(inBlock) * stride;
        std::memset(d, 0, stride);
        if (bpp == 8) {
            std::memcpy(d, s, w);
        } else if (img.format() == QImage::Format_BGR888) {
            std::memcpy(d, s, static_cast<size_t>(w) * 3);
        } else if (img.format() == QImage::Format_RGB888) {
            for (uint32_t x = 0; x < w; ++x, s += 3, d += 3) d[0] = s[2], d[1] = s[1], d[2] = s[0];
        } else if (bpp == 24) {
            // RGB32 is B, G, R, X in memory on this little-endian machine.
            for (uint32_t x = 0; x < w; ++x, s += 4, d += 3) d[0] = s[0], d[1] = s[1], d[2] = s[2];
        } else {
            std::memcpy(d, s, static_cast<size_t>(w) * 4);
        }
        if (++inBlock == rowsPerBlock || y == 0) {
            sink(block.data(), static_cast<size_t>(inBlock) * stride);
            inBlock = 0;
        }
    }
}

} // namespace

std::vector<uint8_t> EncodeBmp(const QImage& picture) {
    std::vector<uint8_t> out;
    WriteBmp(picture, [&](const uint8_t* d, size_t n) { out.insert(out.end(), d, d + n); });
    return out;
}

void SaveBmpFile(const QImage& picture, const std::string& fileName) {
    // Streamed to the file; a failure leaves no half-written picture behind.
    TFileWriter file(fileName);
    WriteBmp(picture, [&](const uint8_t* d, size_t n) { file.Write(d, n); });
    file.Commit();
}

QImage DecodeBmp(const uint8_t* data, size_t size) {
    const TReader r(data, size);
    if (size < 2 || data[0] != 'B' || data[1] != 'M') Bad("no BM signature");
    const uint32_t offset = r.U32(10);
    const uint32_t infoSize = r.U32(14);
    int64_t w, h;
    uint32_t bpp, compression = BiRgb, colorsUsed = 0;
    size_t paletteAt = 14 + infoSize, entry = 4;
    uint32_t masks[3] = {0x00FF0000, 0x0000FF00, 0x000000FF};
    if (infoSize == 12) {
        w = r.U16(18);
        h = static_cast<int16_t>(r.U16(20));
        bpp = r.U16(24);
        entry = 3;
    } else if (infoSize >= 40 && infoSize <= 4096) {
        w = static_cast<int32_t>(r.U32(18));
        h = static_cast<int32_t>(r.U32(22));
        bpp = r.U16(28);
        compression = r.U32(30);
        colorsUsed = r.U32(46);
        if (compression == BiBitfields) {
            const size_t at = 54; // after the 40-byte header, also inside V4/V5 ones
            for (int i = 0; i < 3; ++i) masks[i] = r.U32(at + 4 * static_cast<size_t>(i));
            if (infoSize == 40) paletteAt += 12;
        } else if (bpp == 16) {
            masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
        }
    } else {
        Bad("unknown header size");
    }
    const bool topDown = h < 0;
    h = topDown ? -h : h;
    if (w <= 0 || h <= 0) Bad("zero or negative size");
    if (static_cast<uint64_t>(w) * static_cast<uint64_t>(h) > MaxPixels) Bad("picture too large");
    const bool rle = compression == BiRle8 || compression == BiRle4;
    if (!(compression == BiRgb || (compression == BiRle8 && bpp == 8) ||
          (compression == BiRle4 && bpp == 4) ||
          (compression == BiBitfields && (bpp == 16 || bpp == 32))))
        Bad("unsupported compression");
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        Bad("unsupported bits per pixel");
    if (rle && topDown) Bad("top-down run-length data");
    const int iw = static_cast<int>(w), ih = static_cast<int>(h);
    // Check that the pixels are there before making room for them.
    const uint64_t stride = ((static_cast<uint64_t>(w) * bpp + 31) / 32) * 4;
    if (!rle)
        r.Need(offset, static_cast<size_t>(stride * static_cast<uint64_t>(h)));
    else if (offset >= size ||
             static_cast<uint64_t>(w) * static_cast<uint64_t>(h) / 65025 > size - offset)
        throw EBitmapError("The bitmap file is truncated"); // more than even deltas could skip

    QImage img;
    if (bpp <= 8) {
        const uint32_t max = 1u << bpp;
        const uint32_t n = colorsUsed && colorsUsed < max ? colorsUsed : max;
        r.Need(paletteAt, n * entry);
        QList<QRgb> table;
        for (uint32_t i = 0; i < max; ++i) {
            const size_t at = paletteAt + i * entry;
            table.push_back(i < n ? qRgb(data[at + 2], data[at + 1], data[at]) : qRgb(0, 0, 0));
        }
        img = QImage(iw, ih, QImage::Format_Indexed8);
        if (img.isNull()) Bad("not enough memory");
        img.setColorTable(table);
        SetDeviceIndependent(img);
    } else {
        // 24-bit rows are blue, green, red as the file has them: copied as they are.
        img = QImage(iw, ih, bpp == 24 ? QImage::Format_BGR888 : QImage::Format_RGB32);
        if (img.isNull()) Bad("not enough memory");
    }
    if (rle) {
        img.fill(0);
        DecodeRle(r, offset, static_cast<int>(bpp), img, iw, ih);
        return img;
    }
    for (int y = 0; y < ih; ++y) {
        const uint8_t* s = data + offset + stride * static_cast<uint64_t>(topDown ? y : ih - 1 - y);
        uint8_t* d = img.scanLine(y);
        switch (bpp) {
        case 1:
        case 4:
            for (int x = 0; x < iw; ++x) {
                const int bit = x * static_cast<int>(bpp);
                d[x] = static_cast<uint8_t>((s[bit / 8] >> (8 - bpp - bit % 8)) & ((1 << bpp) - 1));
            }
            break;
        case 8:
            std::copy_n(s, iw, d);
            break;
        case 24:
            std::memcpy(d, s, static_cast<size_t>(iw) * 3);
            break;
        default: {
            auto* out = reinterpret_cast<QRgb*>(d);
            for (int x = 0; x < iw; ++x) {
                const uint32_t p = bpp == 16
                                       ? (s[2 * x] | (s[2 * x + 1] << 8))
                                       : (s[4 * x] | (s[4 * x + 1] << 8) | (s[4 * x + 2] << 16) |
                                          (static_cast<uint32_t>(s[4 * x + 3]) << 24));
                out[x] = qRgb(Field(p, masks[0]), Field(p, masks[1]), Field(p, masks[2]));
            }
        }
        }
    }
    return img;
}

QImage LoadBmpFile(const std::string& fileName) {
    const TMappedFile file(fileName);
    return DecodeBmp(file.Data(), file.Size());
}
