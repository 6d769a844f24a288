// PNG files: decoded again by Pillow and checked by pngcheck; damaged files
// refused with words.
#include <gtest/gtest.h>

#include "ImagingSupport.h"
#include "TestSupport.h"
#include "imaging/qt/ImageFiles.h"
#include "imaging/qt/PngFile.h"
#include "imaging/core/PngReader.h"

namespace {
// Colour type and bit depth, as the file's header says.
std::pair<int, int> TypeAndDepth(const std::string& png) {
    return {static_cast<uint8_t>(png[25]), static_cast<uint8_t>(png[24])};
}

uint32_t Crc32(const std::string& data) {
    uint32_t c = 0xFFFFFFFFu;
    for (const char ch : data) {
        c ^= static_cast<uint8_t>(ch);
        for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    }
    return ~c;
}

QImage Paletted(int colors, uint32_t seed) {
    QImage img = RandomImage(37, 23, QImage::Format_Indexed8, seed);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) img.scanLine(y)[x] %= colors;
    img.setColorCount(colors);
    return img;
}
} // namespace

TEST(PngFile, EveryDepthDecodesBitExactInPillowAndPngcheck) {
    QImage opaque = RandomImage(37, 23, QImage::Format_ARGB32, 4);
    for (int y = 0; y < opaque.height(); ++y)
        for (int x = 0; x < opaque.width(); ++x)
            opaque.setPixel(x, y, opaque.pixel(x, y) | 0xFF000000u);
    QImage clear = opaque;
    clear.setPixel(3, 4, qRgba(1, 2, 3, 0x80));
    // Picture, the colour type and bit depth written, Pillow's mode.
    const std::tuple<const char*, QImage, int, int, const char*> cases[] = {
        {"8-bit palette", Paletted(256, 1), 3, 8, "P"},
        {"16 colours", Paletted(16, 2), 3, 4, "P"},
        {"2 colours", Paletted(2, 3), 3, 1, "P"},
        {"16-bit screen", RandomImage(37, 23, QImage::Format_RGB16, 5), 2, 8, "RGB"},
        {"24-bit screen", RandomImage(37, 23, QImage::Format_RGB32, 6), 2, 8, "RGB"},
        {"24-bit file", RandomImage(37, 23, QImage::Format_BGR888, 7), 2, 8, "RGB"},
        {"opaque alpha", opaque, 2, 8, "RGB"},
        {"alpha", clear, 6, 8, "RGBA"}};
    TTempDir dir;
    for (auto [what, picture, type, depth, mode] : cases) {
        SCOPED_TRACE(what);
        const std::string file = dir.File("x.png");
        QImage saved = picture;
        SaveImageFile(saved, file);
        const std::string bytes = ReadFile(file);
        EXPECT_EQ(TypeAndDepth(bytes), std::make_pair(type, depth));
        EXPECT_EQ(RunCommand({"pngcheck", "-q", file}), 0);
        const TDecoded d = PillowDecode(file, mode == std::string("P") ? "" : mode);
        ASSERT_EQ(d.Mode, mode);
        if (d.Mode == "P") {
            std::vector<uint8_t> indexes;
            for (int y = 0; y < picture.height(); ++y)
                indexes.insert(indexes.end(), picture.constScanLine(y),
                               picture.constScanLine(y) + picture.width());
            EXPECT_EQ(d.Pixels, indexes);
            for (int i = 0; i < picture.colorCount(); ++i)
                EXPECT_EQ(qRgb(d.Palette[3 * i], d.Palette[3 * i + 1], d.Palette[3 * i + 2]),
                          picture.color(i) | 0xFF000000u);
        } else if (d.Mode == "RGB") {
            EXPECT_EQ(d.Pixels, RgbBytes(picture));
        } else {
            EXPECT_EQ(d.Pixels.size(), size_t(37 * 23 * 4));
            EXPECT_EQ(d.Pixels[(4 * 37 + 3) * 4 + 3], 0x80);
        }
        // And read back by our own reader, the same pixels.
        const QImage back = LoadImageFile(file);
        EXPECT_EQ(RgbBytes(back), RgbBytes(picture));
        if (type == 3) {
            EXPECT_EQ(back.colorTable(), picture.colorTable());
        }
    }
}

TEST(PngFile, DamagedFilesAreRefusedWithWords) {
    TTempDir dir;
    QImage picture = RandomImage(64, 40, QImage::Format_RGB32, 8);
    const std::vector<uint8_t> good = EncodePng(picture);
    auto bytes = [&](size_t from, size_t n) {
        return std::string(good.begin() + from, good.begin() + from + n);
    };
    std::string wrongCrc(good.begin(), good.end());
    wrongCrc[50] ^= 0x10; // inside the IDAT
    std::string endCrc(good.begin(), good.end());
    endCrc.back() ^= 1;
    const std::string noEnd = bytes(0, good.size() - 12);
    std::string huge(good.begin(), good.end());
    // 100000 x 100000 in the header, its CRC made to match: refused before any memory is taken.
    const char dims[] = {0, 1, '\x86', '\xA0', 0, 1, '\x86', '\xA0'};
    huge.replace(16, 8, dims, 8);
    const std::string ihdr = huge.substr(12, 17);
    const uint32_t crc = Crc32(ihdr);
    for (int i = 0; i < 4; ++i) huge[29 + i] = static_cast<char>(crc >> (24 - 8 * i));
    const std::pair<std::string, std::string> cases[] = {
        {"", "The PNG file is empty"},
        {"GIF89a", "Invalid PNG file: no PNG signature"},
        {bytes(0, 3), "The PNG file is truncated"},
        {bytes(0, 20), "The PNG file is truncated"},
        {bytes(0, good.size() / 2), "The PNG file is truncated"},
        {wrongCrc, "Invalid PNG file: the CRC of the IDAT chunk does not match"},
        {endCrc, "Invalid PNG file: the CRC of the IEND chunk does not match"},
        {noEnd, "The PNG file is truncated"},
        {huge, "Invalid PNG file: picture too large (100000 x 100000)"}};
    for (const auto& [data, text] : cases) {
        try {
            TPngRows rows(reinterpret_cast<const uint8_t*>(data.data()), data.size());
            ADD_FAILURE() << text << ": read";
        } catch (const EImageError& e) {
            EXPECT_EQ(e.what(), text);
        }
    }
}
