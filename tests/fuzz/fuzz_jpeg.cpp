// libFuzzer target: any bytes through the JPEG reader, both pixel formats.
#include <cstddef>
#include <cstdint>

#include "imaging/qt/jpeg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (TJPEGPixelFormat format : {TJPEGPixelFormat::Format24Bit, TJPEGPixelFormat::Format8Bit}) {
        TJPEGImage jpeg;
        jpeg.PixelFormat = format;
        try {
            jpeg.LoadFromBytes(std::vector<uint8_t>(data, data + size));
            if (jpeg.Bitmap().isNull()) __builtin_trap();
        } catch (const EJPEGError&) {
        }
    }
    return 0;
}
