// A frame copied by the compositor into shared memory read as an output's
// picture: the four 32-bit formats, rows bottom up, turned outputs.
#include <gtest/gtest.h>
#include <vector>

#include "platform/wayland/screen/FramePixels.h"

namespace {

// A 3x2 frame of six colours, each row padded to 16 bytes, in Format.
std::vector<uint8_t> FrameBytes(TShmFormat format, const uint32_t (&rgb)[6]) {
    std::vector<uint8_t> bytes(32, 0xee);
    const bool redFirst = format == TShmFormat::Abgr8888 || format == TShmFormat::Xbgr8888;
    for (int i = 0; i < 6; ++i) {
        uint8_t* p = &bytes[size_t(i / 3) * 16 + size_t(i % 3) * 4];
        const uint8_t r = rgb[i] >> 16, g = rgb[i] >> 8, b = rgb[i];
        p[0] = redFirst ? r : b;
        p[1] = g;
        p[2] = redFirst ? b : r;
        p[3] = 0x00; // alpha or padding: the picture is opaque either way
    }
    return bytes;
}

} // namespace

TEST(FramePixels, FormatsRowOrderAndTurns) {
    const uint32_t rgb[6] = {0x102030, 0x405060, 0x708090, 0xa0b0c0, 0xd0e0f0, 0x010203};
    const auto px = [&](int i) { return 0xff000000u | rgb[i]; };
    // Frame pixels as the output shows them: 0 1 2 over 3 4 5.
    const struct {
        TOutputTransform Transform;
        bool YInvert;
        int Width, Height;
        std::vector<int> Order; // frame pixel of each picture pixel, row by row
    } cases[] = {
        {TOutputTransform::Normal, false, 3, 2, {0, 1, 2, 3, 4, 5}},
        {TOutputTransform::Normal, true, 3, 2, {3, 4, 5, 0, 1, 2}},
        {TOutputTransform::Turn90, false, 2, 3, {3, 0, 4, 1, 5, 2}},
        {TOutputTransform::Turn180, false, 3, 2, {5, 4, 3, 2, 1, 0}},
        {TOutputTransform::Turn270, false, 2, 3, {2, 5, 1, 4, 0, 3}},
        {TOutputTransform::Flipped, false, 3, 2, {2, 1, 0, 5, 4, 3}},
        {TOutputTransform::Flipped90, false, 2, 3, {0, 3, 1, 4, 2, 5}},
        {TOutputTransform::Flipped180, false, 3, 2, {3, 4, 5, 0, 1, 2}},
        {TOutputTransform::Flipped270, false, 2, 3, {5, 2, 4, 1, 3, 0}},
        {TOutputTransform::Turn90, true, 2, 3, {0, 3, 1, 4, 2, 5}},
    };
    for (TShmFormat format :
         {TShmFormat::Xrgb8888, TShmFormat::Argb8888, TShmFormat::Xbgr8888, TShmFormat::Abgr8888}) {
        ASSERT_TRUE(Readable(uint32_t(format)));
        const auto bytes = FrameBytes(format, rgb);
        for (const auto& c : cases) {
            TFrame f{uint32_t(format), 3, 2, 16, c.YInvert, c.Transform, bytes.data()};
            TOutputPicture p;
            FrameToPicture(f, p);
            std::vector<uint32_t> want;
            for (int i : c.Order) want.push_back(px(i));
            EXPECT_EQ(p.Width, c.Width);
            EXPECT_EQ(p.Height, c.Height);
            EXPECT_EQ(p.Pixels, want) << "format " << uint32_t(format) << " transform "
                                      << int(c.Transform) << " y-invert " << c.YInvert;
        }
    }
    EXPECT_FALSE(Readable(0x36314752)) << "RGB565 is not read";
}
