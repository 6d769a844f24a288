#include "imaging/core/PngReader.h"

#include <libdeflate.h>
#include <spng.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr uint64_t MaxPixels = uint64_t{1} << 28;
// Ancillary chunks (text, ICC profiles) are skipped past these sizes, so a
// small file cannot make the decoder inflate or keep much beside the rows.
constexpr size_t ChunkLimit = size_t{1} << 24, ChunkCache = size_t{1} << 26;

struct TFreeContext {
    void operator()(spng_ctx* c) const { spng_ctx_free(c); }
};

[[noreturn]] void Fail(int err) {
    if (err == SPNG_IO_EOF || err == SPNG_EOF) throw EPNGError("The PNG file is truncated");
    throw EPNGError(std::string("Invalid PNG file: ") + spng_strerror(err));
}

void Check(int err) {
    if (err) Fail(err);
}

uint32_t Get32(const uint8_t* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

// Every chunk whole and its CRC right, up to IEND: the decoder stops reading
// where the rows end, so a damaged end would otherwise pass unseen.
void CheckChunks(const uint8_t* data, size_t size) {
    for (size_t at = 8;;) {
        if (size - at < 12) throw EPNGError("The PNG file is truncated");
        const uint32_t length = Get32(data + at);
        if (length > 0x7FFFFFFF) throw EPNGError("Invalid PNG file: a chunk's length is too large");
        if (size - at - 12 < length) throw EPNGError("The PNG file is truncated");
        const uint8_t* type = data + at + 4;
        if (libdeflate_crc32(0, type, length + size_t{4}) != Get32(type + 4 + length))
            throw EPNGError("Invalid PNG file: the CRC of the " +
                            std::string(reinterpret_cast<const char*>(type), 4) +
                            " chunk does not match");
        if (std::memcmp(type, "IEND", 4) == 0) return;
        at += length + size_t{12};
    }
}

} // namespace

TPngRows::TPngRows(const std::string& fileName) {
    const TMappedFile file(fileName);
    file.Read([&] {
        Decode(file.Data(), file.Size());
        return 0;
    });
}

TPngRows::TPngRows(const uint8_t* data, size_t size) {
    Decode(data, size);
}

void TPngRows::Decode(const uint8_t* data, size_t size) {
    static constexpr uint8_t Signature[8] = {137, 'P', 'N', 'G', 13, 10, 26, 10};
    if (size == 0) throw EPNGError("The PNG file is empty");
    if (std::memcmp(data, Signature, std::min<size_t>(size, 8)) != 0)
        throw EPNGError("Invalid PNG file: no PNG signature");
    if (size < sizeof Signature) throw EPNGError("The PNG file is truncated");
    CheckChunks(data, size);
    const std::unique_ptr<spng_ctx, TFreeContext> owner(spng_ctx_new(0));
    spng_ctx* ctx = owner.get();
    if (!ctx) throw EPNGError("Not enough memory to read a PNG file");
    Check(spng_set_chunk_limits(ctx, ChunkLimit, ChunkCache));
    Check(spng_set_png_buffer(ctx, data, size));
    spng_ihdr ihdr{};
    Check(spng_get_ihdr(ctx, &ihdr));
    if (uint64_t{ihdr.width} * ihdr.height > MaxPixels) {
        char text[80];
        std::snprintf(text, sizeof text, "Invalid PNG file: picture too large (%u x %u)",
                      ihdr.width, ihdr.height);
        throw EPNGError(text);
    }
    Width = static_cast<int>(ihdr.width);
    Height = static_cast<int>(ihdr.height);
    const auto w = static_cast<size_t>(Width), h = static_cast<size_t>(Height);

    if (ihdr.color_type == SPNG_COLOR_TYPE_INDEXED) {
        spng_plte plte{};
        Check(spng_get_plte(ctx, &plte));
        spng_trns trns{};
        const bool alpha = spng_get_trns(ctx, &trns) == 0;
        for (uint32_t i = 0; i < plte.n_entries; ++i) {
            const spng_plte_entry& e = plte.entries[i];
            const uint32_t a = alpha && i < trns.n_type3_entries ? trns.type3_alpha[i] : 0xFF;
            ColorTable.push_back(a << 24 | uint32_t{e.red} << 16 | uint32_t{e.green} << 8 | e.blue);
        }
        // The file's own indexes, packed when fewer than 8 bits, spread one a byte.
        size_t packedSize = 0;
        Check(spng_decoded_image_size(ctx, SPNG_FMT_PNG, &packedSize));
        std::vector<uint8_t> packed(packedSize);
        Check(spng_decode_image(ctx, packed.data(), packed.size(), SPNG_FMT_PNG, 0));
        Format = TRowFormat::Index8;
        DeviceIndependent = true;
        Stride = w;
        if (ihdr.bit_depth == 8) {
            Pixels = std::move(packed);
            return;
        }
        Pixels.resize(w * h);
        const int bits = ihdr.bit_depth, perByte = 8 / bits, mask = (1 << bits) - 1;
        const size_t packedStride = packedSize / h;
        for (size_t y = 0; y < h; ++y) {
            const uint8_t* s = packed.data() + packedStride * y;
            uint8_t* d = Pixels.data() + w * y;
            for (size_t x = 0; x < w; ++x)
                d[x] = static_cast<uint8_t>(
                    s[x / perByte] >> (8 - bits * (static_cast<int>(x % perByte) + 1)) & mask);
        }
        return;
    }

    spng_trns trns{};
    const bool alpha = ihdr.color_type == SPNG_COLOR_TYPE_GRAYSCALE_ALPHA ||
                       ihdr.color_type == SPNG_COLOR_TYPE_TRUECOLOR_ALPHA ||
                       spng_get_trns(ctx, &trns) == 0;
    const int fmt = alpha ? SPNG_FMT_RGBA8 : SPNG_FMT_RGB8;
    size_t bytes = 0;
    Check(spng_decoded_image_size(ctx, fmt, &bytes));
    Pixels.resize(bytes);
    Check(spng_decode_image(ctx, Pixels.data(), Pixels.size(), fmt, alpha ? SPNG_DECODE_TRNS : 0));
    Stride = bytes / h;
    if (!alpha) {
        Format = TRowFormat::Rgb24;
        return;
    }
    // R, G, B, A into the B, G, R, A of a 32-bit picture with alpha.
    Format = TRowFormat::Bgra32;
    for (size_t i = 0; i < bytes; i += 4) std::swap(Pixels[i], Pixels[i + 2]);
}
