#include "imaging/core/PngWriter.h"

#include <libdeflate.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/core/PixelPack.h"

namespace {

constexpr uint8_t Signature[8] = {137, 'P', 'N', 'G', 13, 10, 26, 10};
constexpr uint32_t MaxDimension = 0x7FFFFFFF;
constexpr size_t IdatPiece = size_t{1} << 20;
enum : uint8_t { ColorRgb = 2, ColorIndexed = 3, ColorRgba = 6 };

void Put32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}

// A chunk: length, type, data, CRC of type and data.
void Chunk(const TByteSink& sink, const char* type, const uint8_t* data, size_t size) {
    uint8_t head[8];
    Put32(head, static_cast<uint32_t>(size));
    std::memcpy(head + 4, type, 4);
    sink(head, 8);
    if (size) sink(data, size);
    uint8_t crc[4];
    const uint32_t typeCrc = libdeflate_crc32(0, type, 4);
    Put32(crc, size ? libdeflate_crc32(typeCrc, data, size) : typeCrc);
    sink(crc, 4);
}

struct TFreeCompressor {
    void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};

// How the rows go into the file.
struct TPngLayout {
    uint8_t ColorType = ColorRgb;
    int Bits = 8;     // per sample (palette indexes may be 1, 2 or 4)
    int Channels = 3; // samples a pixel
    size_t RowBytes = 0;
    std::vector<uint32_t> Palette; // 0xAARRGGBB
};

bool AllOpaque(TRowSource& rows) {
    for (int y = 0; y < rows.Height; ++y) {
        const uint8_t* s = rows.Row(y);
        for (int x = 0; x < rows.Width; ++x)
            if (s[4 * x + 3] != 0xFF) return false;
    }
    return true;
}

// The indexes of every row, one a byte, kept for a second pass: the palette's
// size, and with it the bits a pixel, is known only once all rows are read.
// Indexes past the table's end are black, as the other writers make them; a
// decoder refuses an index that the palette lacks.
std::vector<uint8_t> ReadIndexes(TRowSource& rows, TPngLayout& l) {
    const auto w = static_cast<size_t>(rows.Width);
    std::vector<uint8_t> all(w * static_cast<size_t>(rows.Height));
    uint8_t most = 0;
    for (int y = 0; y < rows.Height; ++y) {
        uint8_t* d = all.data() + w * static_cast<size_t>(y);
        std::memcpy(d, rows.Row(y), w);
        most = std::max(most, *std::max_element(d, d + w));
    }
    const size_t table = std::min<size_t>(rows.ColorTable.size(), 256);
    l.Palette.assign(rows.ColorTable.begin(),
                     rows.ColorTable.begin() + static_cast<std::ptrdiff_t>(table));
    const size_t entries = std::max<size_t>(table, most + size_t{1});
    l.Palette.resize(entries, 0xFF000000u);
    l.Bits = entries <= 2 ? 1 : entries <= 4 ? 2 : entries <= 16 ? 4 : 8;
    l.RowBytes = (w * static_cast<size_t>(l.Bits) + 7) / 8;
    return all;
}

TPngLayout LayoutOf(TRowSource& rows) {
    TPngLayout l;
    if (rows.Format == TRowFormat::Index8) {
        l.ColorType = ColorIndexed;
        l.Channels = 1;
    } else if (rows.Format == TRowFormat::Bgra32 && !(rows.RandomAccess && AllOpaque(rows))) {
        l.ColorType = ColorRgba;
        l.Channels = 4;
    }
    l.RowBytes = static_cast<size_t>(rows.Width) * static_cast<size_t>(l.Channels);
    return l;
}

// One source row as the file's unfiltered bytes.
void RawRow(const TRowSource& rows, const TPngLayout& l, const uint8_t* s, uint8_t* d) {
    const int w = rows.Width;
    switch (rows.Format) {
    case TRowFormat::Index8:
        if (l.Bits == 8) {
            std::memcpy(d, s, static_cast<size_t>(w));
        } else {
            std::memset(d, 0, l.RowBytes);
            const int perByte = 8 / l.Bits;
            for (int x = 0; x < w; ++x)
                d[x / perByte] |= static_cast<uint8_t>(s[x] << (8 - l.Bits * (x % perByte + 1)));
        }
        break;
    case TRowFormat::Bgra32:
        if (l.Channels == 4) {
            for (int x = 0; x < w; ++x, s += 4, d += 4)
                d[0] = s[2], d[1] = s[1], d[2] = s[0], d[3] = s[3];
            break;
        }
        [[fallthrough]];
    case TRowFormat::Bgrx32:
        PackBgrxToRgb(s, d, w);
        break;
    case TRowFormat::Bgr24:
        for (int x = 0; x < w; ++x, s += 3, d += 3) d[0] = s[2], d[1] = s[1], d[2] = s[0];
        break;
    case TRowFormat::Rgb24:
        std::memcpy(d, s, static_cast<size_t>(w) * 3);
        break;
    }
}

uint8_t PaethPredictor(int a, int b, int c) {
    const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
    return static_cast<uint8_t>(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// Row RAW filtered by F against the row above (zeros for the first), into
// OUT. Each byte depends on unfiltered bytes only, so the loops vectorise.
void FilterRow(TPngFilter f, const uint8_t* raw, const uint8_t* prev, uint8_t* out, size_t n,
               size_t bpp) {
    const size_t lead = std::min(bpp, n);
    switch (f) {
    case TPngFilter::None:
    case TPngFilter::Adaptive:
    case TPngFilter::Auto:
        std::memcpy(out, raw, n);
        return;
    case TPngFilter::Sub:
        std::memcpy(out, raw, lead);
        for (size_t i = lead; i < n; ++i) out[i] = static_cast<uint8_t>(raw[i] - raw[i - bpp]);
        return;
    case TPngFilter::Up:
        for (size_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(raw[i] - prev[i]);
        return;
    case TPngFilter::Average:
        for (size_t i = 0; i < lead; ++i) out[i] = static_cast<uint8_t>(raw[i] - (prev[i] >> 1));
        for (size_t i = lead; i < n; ++i)
            out[i] = static_cast<uint8_t>(raw[i] - ((raw[i - bpp] + prev[i]) >> 1));
        return;
    case TPngFilter::Paeth:
        for (size_t i = 0; i < lead; ++i) out[i] = static_cast<uint8_t>(raw[i] - prev[i]);
        for (size_t i = lead; i < n; ++i)
            out[i] =
                static_cast<uint8_t>(raw[i] - PaethPredictor(raw[i - bpp], prev[i], prev[i - bpp]));
        return;
    }
}

size_t Cost(const uint8_t* p, size_t n) {
    size_t sum = 0;
    for (size_t i = 0; i < n; ++i) sum += static_cast<size_t>(std::abs(static_cast<int8_t>(p[i])));
    return sum;
}

// The filter of the five whose bytes have the smallest sum of absolute
// values, already applied in OUT.
uint8_t AdaptiveRow(const uint8_t* raw, const uint8_t* prev, uint8_t* out, size_t n, size_t bpp,
                    std::vector<uint8_t>& trial) {
    trial.resize(n);
    uint8_t best = 0;
    size_t bestCost = SIZE_MAX;
    for (uint8_t f = 0; f <= 4; ++f) {
        FilterRow(static_cast<TPngFilter>(f), raw, prev, trial.data(), n, bpp);
        const size_t cost = Cost(trial.data(), n);
        if (cost < bestCost) {
            bestCost = cost;
            best = f;
            std::memcpy(out, trial.data(), n);
        }
    }
    return best;
}

// Auto: how many pixels of a row equal their left neighbour. A screen's
// pictures are mostly flat (windows, text on a plain ground); a photograph's
// pixels almost never repeat.
void CountRepeats(const uint8_t* raw, size_t n, size_t bpp, uint64_t& same, uint64_t& all) {
    for (size_t i = bpp; i + bpp <= n; i += bpp, ++all)
        same += std::memcmp(raw + i, raw + i - bpp, bpp) == 0;
}

// Unfiltered rows (each after its type byte) filtered Up where they lie, the
// bottom row first, so that the row above is still unfiltered when it is
// taken away.
void UpInPlace(uint8_t* rows, size_t n, int height) {
    for (int y = height - 1; y >= 0; --y) {
        uint8_t* row = rows + (n + 1) * static_cast<size_t>(y);
        row[0] = static_cast<uint8_t>(TPngFilter::Up);
        if (y == 0) break;
        const uint8_t* above = row - (n + 1) + 1;
        for (size_t i = 0; i < n; ++i) row[1 + i] = static_cast<uint8_t>(row[1 + i] - above[i]);
    }
}

} // namespace

void WritePng(TRowSource& rows, const TByteSink& sink, const TPngTuning& tuning) {
    if (rows.Width <= 0 || rows.Height <= 0)
        throw EPNGError("A PNG file cannot hold an empty picture");
    if (static_cast<uint32_t>(rows.Width) > MaxDimension ||
        static_cast<uint32_t>(rows.Height) > MaxDimension)
        throw EPNGError("The picture is too large for a PNG file");
    TPngLayout l = LayoutOf(rows);
    const bool palette = l.ColorType == ColorIndexed;
    std::vector<uint8_t> indexes;
    if (palette) indexes = ReadIndexes(rows, l);
    // Row Y as the source gives it (palette rows from the indexes kept).
    auto row = [&](int y) {
        return palette ? indexes.data() + static_cast<size_t>(rows.Width) * static_cast<size_t>(y)
                       : rows.Row(y);
    };
    const size_t n = l.RowBytes,
                 bpp = std::max<size_t>(1, static_cast<size_t>(l.Channels * l.Bits / 8));
    std::vector<uint8_t> raw(n), prev(n, 0), trial;
    // Auto reads the rows once, in order (a screen's strips as they come):
    // unfiltered first, then filtered Up in place if they turn out a photograph's.
    const bool chosenAfter = !palette && tuning.Filter == TPngFilter::Auto;
    const TPngFilter filter = palette || chosenAfter ? TPngFilter::None : tuning.Filter;
    uint64_t same = 0, all = 0;

    // The filtered rows, each after its filter type byte, as the stream holds them.
    // Neither buffer is cleared first: every byte of the one is written, and of
    // the other only what the compressor makes is touched.
    const size_t filteredSize = (n + 1) * static_cast<size_t>(rows.Height);
    auto filtered = std::make_unique_for_overwrite<uint8_t[]>(filteredSize);
    for (int y = 0; y < rows.Height; ++y) {
        uint8_t* out = filtered.get() + (n + 1) * static_cast<size_t>(y);
        if (filter == TPngFilter::None) {
            out[0] = 0;
            RawRow(rows, l, row(y), out + 1);
            if (chosenAfter && y % 8 == 0) CountRepeats(out + 1, n, bpp, same, all);
            continue;
        }
        RawRow(rows, l, row(y), raw.data());
        if (filter == TPngFilter::Adaptive) {
            out[0] = AdaptiveRow(raw.data(), prev.data(), out + 1, n, bpp, trial);
        } else {
            out[0] = static_cast<uint8_t>(filter);
            FilterRow(filter, raw.data(), prev.data(), out + 1, n, bpp);
        }
        raw.swap(prev);
    }
    if (chosenAfter && same * 2 <= all) UpInPlace(filtered.get(), n, rows.Height);

    const std::unique_ptr<libdeflate_compressor, TFreeCompressor> compressor(
        libdeflate_alloc_compressor(tuning.Level));
    if (!compressor) throw EPNGError("Not enough memory to write a PNG file");
    const size_t bound = libdeflate_zlib_compress_bound(compressor.get(), filteredSize);
    const auto z = std::make_unique_for_overwrite<uint8_t[]>(bound);
    const size_t zSize =
        libdeflate_zlib_compress(compressor.get(), filtered.get(), filteredSize, z.get(), bound);
    if (zSize == 0) throw EPNGError("The picture could not be compressed");
    filtered.reset();

    sink(Signature, sizeof Signature);
    uint8_t ihdr[13];
    Put32(ihdr, static_cast<uint32_t>(rows.Width));
    Put32(ihdr + 4, static_cast<uint32_t>(rows.Height));
    ihdr[8] = static_cast<uint8_t>(l.Bits);
    ihdr[9] = l.ColorType;
    ihdr[10] = ihdr[11] = ihdr[12] = 0; // deflate, adaptive filtering, no interlace
    Chunk(sink, "IHDR", ihdr, sizeof ihdr);
    if (palette) {
        std::vector<uint8_t> plte, trns;
        for (const uint32_t c : l.Palette) {
            plte.insert(plte.end(), {static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8),
                                     static_cast<uint8_t>(c)});
            trns.push_back(static_cast<uint8_t>(c >> 24));
        }
        Chunk(sink, "PLTE", plte.data(), plte.size());
        // Only up to the last entry that is not opaque; none when all are.
        while (!trns.empty() && trns.back() == 0xFF) trns.pop_back();
        if (!trns.empty()) Chunk(sink, "tRNS", trns.data(), trns.size());
    }
    for (size_t at = 0; at < zSize; at += IdatPiece)
        Chunk(sink, "IDAT", z.get() + at, std::min(IdatPiece, zSize - at));
    Chunk(sink, "IEND", nullptr, 0);
}
