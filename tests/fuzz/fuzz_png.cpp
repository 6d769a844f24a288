// libFuzzer target: any bytes through the PNG reader, and what it reads
// written again.
#include <cstddef>
#include <cstdint>

#include "imaging/PngFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        const QImage img = DecodePng(data, size);
        if (img.isNull()) __builtin_trap(); // a picture or an error, nothing between
        (void)EncodePng(img);
    } catch (const EPNGError&) {
    }
    return 0;
}
