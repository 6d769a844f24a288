#include "imaging/Rows.h"

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
