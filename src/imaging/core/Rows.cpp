#include "imaging/core/Rows.h"

#include <sys/mman.h>

void ExpandIndexRow(const uint8_t* src, int width, const std::vector<uint32_t>& table,
                    uint8_t* rgb) {
    const size_t n = table.size();
    for (int x = 0; x < width; ++x, rgb += 3) {
        const uint32_t c = src[x] < n ? table[src[x]] : 0;
        rgb[0] = static_cast<uint8_t>(c >> 16);
        rgb[1] = static_cast<uint8_t>(c >> 8);
        rgb[2] = static_cast<uint8_t>(c);
    }
}

void ExpandRgb565Row(const uint8_t* src, int width, uint8_t* rgb) {
    for (int x = 0; x < width; ++x, src += 2, rgb += 3) {
        const unsigned p = src[0] | unsigned(src[1]) << 8;
        const unsigned r = p >> 11, g = (p >> 5) & 0x3F, b = p & 0x1F;
        rgb[0] = static_cast<uint8_t>(r << 3 | r >> 2);
        rgb[1] = static_cast<uint8_t>(g << 2 | g >> 4);
        rgb[2] = static_cast<uint8_t>(b << 3 | b >> 2);
    }
}

void MapForReading(const void* data, size_t size) {
    if (size < (size_t{1} << 22)) return;
    const auto start = reinterpret_cast<uintptr_t>(data) & ~uintptr_t{4095};
    const auto end = reinterpret_cast<uintptr_t>(data) + size;
    (void)madvise(reinterpret_cast<void*>(start), end - start, MADV_POPULATE_READ);
}
