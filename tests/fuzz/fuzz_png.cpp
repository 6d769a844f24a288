// libFuzzer target: any bytes through the PNG reader, and what it reads
// written again. Each input goes in twice: as it is, and with every chunk's
// CRC made right, so that mutations reach the decoder past the CRC check.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/core/ImageError.h"
#include "imaging/qt/PngFile.h"

namespace {
uint32_t Crc32(const uint8_t* p, size_t n) {
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    }
    return ~c;
}

std::vector<uint8_t> WithRightCrcs(const uint8_t* data, size_t size) {
    std::vector<uint8_t> d(data, data + size);
    for (size_t at = 8; size >= 8 && size - at >= 12;) {
        const uint32_t length = uint32_t{d[at]} << 24 | uint32_t{d[at + 1]} << 16 |
                                uint32_t{d[at + 2]} << 8 | d[at + 3];
        if (length > size - at - 12) break;
        const uint32_t crc = Crc32(d.data() + at + 4, length + size_t{4});
        for (int i = 0; i < 4; ++i)
            d[at + 8 + length + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
        at += length + size_t{12};
    }
    return d;
}

void Decode(const uint8_t* data, size_t size) {
    try {
        const QImage img = DecodePng(data, size);
        if (img.isNull()) __builtin_trap(); // a picture or an error, nothing between
        (void)EncodePng(img);
    } catch (const EPNGError&) {
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Decode(data, size);
    const std::vector<uint8_t> fixed = WithRightCrcs(data, size);
    Decode(fixed.data(), fixed.size());
    return 0;
}
