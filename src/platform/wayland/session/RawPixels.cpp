#include "platform/wayland/session/RawPixels.h"

#include <cstring>

namespace {

uint32_t Pack(uint32_t r, uint32_t g, uint32_t b) {
    return 0xff000000u | r << 16 | g << 8 | b;
}

// A colour with straight alpha over black.
uint32_t Over(uint32_t c, uint32_t a) {
    return (c * a + 127) / 255;
}

uint32_t Word(const uint8_t* p) {
    uint32_t w;
    std::memcpy(&w, p, 4); // QImage's 32-bit formats are words in the machine's order
    return w;
}

} // namespace

std::vector<uint32_t> RawToBgrx(const TRawPicture& raw, std::string& why) {
    std::vector<uint32_t> out;
    if (raw.Width <= 0 || raw.Height <= 0 || raw.Stride < size_t(raw.Width) * 4) {
        why = "a picture of " + std::to_string(raw.Width) + " x " + std::to_string(raw.Height) +
              " pixels with " + std::to_string(raw.Stride) + " bytes a row";
        return out;
    }
    if (raw.Bytes.size() < raw.Stride * size_t(raw.Height - 1) + size_t(raw.Width) * 4) {
        why = "a picture cut short (" + std::to_string(raw.Bytes.size()) + " bytes)";
        return out;
    }
    const auto format = TRawFormat(raw.Format);
    switch (format) {
    case TRawFormat::RGB32:
    case TRawFormat::ARGB32:
    case TRawFormat::ARGB32Premultiplied:
    case TRawFormat::RGBX8888:
    case TRawFormat::RGBA8888:
    case TRawFormat::RGBA8888Premultiplied:
        break;
    default:
        why = "a picture in QImage format " + std::to_string(raw.Format) + ", unknown here";
        return out;
    }
    out.resize(size_t(raw.Width) * size_t(raw.Height));
    for (int y = 0; y < raw.Height; ++y) {
        const uint8_t* s = raw.Bytes.data() + raw.Stride * size_t(y);
        uint32_t* d = out.data() + size_t(y) * size_t(raw.Width);
        for (int x = 0; x < raw.Width; ++x, s += 4) {
            switch (format) {
            case TRawFormat::RGB32:
            case TRawFormat::ARGB32Premultiplied:
                d[x] = 0xff000000u | Word(s);
                break;
            case TRawFormat::ARGB32: {
                const uint32_t w = Word(s), a = w >> 24;
                d[x] = Pack(Over((w >> 16) & 0xff, a), Over((w >> 8) & 0xff, a), Over(w & 0xff, a));
                break;
            }
            case TRawFormat::RGBX8888:
            case TRawFormat::RGBA8888Premultiplied:
                d[x] = Pack(s[0], s[1], s[2]);
                break;
            case TRawFormat::RGBA8888:
                d[x] = Pack(Over(s[0], s[3]), Over(s[1], s[3]), Over(s[2], s[3]));
                break;
            }
        }
    }
    return out;
}
