// libFuzzer target: any bytes through the bitmap-file reader.
#include <cstddef>
#include <cstdint>

#include "imaging/qt/BmpFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        const QImage img = DecodeBmp(data, size);
        if (img.isNull()) __builtin_trap(); // a picture or an error, nothing between
        (void)EncodeBmp(img);
    } catch (const EBitmapError&) {
    }
    return 0;
}
