#include <gtest/gtest.h>

#include "ImagingSupport.h"
#include "TestSupport.h"
#include "imaging/qt/Bitmap.h"
#include "imaging/qt/BmpFile.h"
#include "imaging/core/FileBytes.h"
#include "imaging/core/GIFImage.h"

namespace {

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// Pillow writes the reference files of each depth.
std::string PillowWrite(const std::string& dir, const std::string& mode,
                        const std::string& extra = "") {
    const std::string file = dir + "/" + mode + ".bmp";
    const std::string script = "from PIL import Image\nimport random\nrandom.seed(4)\n"
                               "im = Image.new('RGB', (37, 23))\n"
                               "im.putdata([(random.randrange(256), random.randrange(256), "
                               "random.randrange(256)) for _ in range(37*23)])\n"
                               "im = im.convert('" +
                               mode + "')\n" + extra + "im.save('" + file + "')\n";
    EXPECT_EQ(RunCommand({"/usr/bin/python3", "-c", script}), 0);
    return file;
}

} // namespace

TEST(BmpFile, WritesOwnDepthAndPillowAgrees) {
    TTempDir dir;
    for (QImage::Format format :
         {QImage::Format_Indexed8, QImage::Format_RGB888, QImage::Format_RGB32}) {
        const QImage img = RandomImage(33, 17, format, 21); // odd width: row padding
        SaveBmpFile(img, dir.File("out.bmp"));
        const std::vector<uint8_t> f = ReadFileBytes(dir.File("out.bmp"));
        EXPECT_EQ(f[28], format == QImage::Format_Indexed8 ? 8 : 24) << "bits per pixel";
        const TDecoded d = PillowDecode(dir.File("out.bmp"), "RGB");
        EXPECT_EQ(d.Width, 33);
        EXPECT_TRUE(d.Pixels == RgbBytes(img)) << "format " << format;
        const QImage back = LoadBmpFile(dir.File("out.bmp"));
        EXPECT_TRUE(RgbBytes(back) == RgbBytes(img));
        if (format == QImage::Format_Indexed8) {
            EXPECT_EQ(back.format(), QImage::Format_Indexed8);
            EXPECT_TRUE(IsDeviceIndependent(back));
        }
    }
    // After a GIF save the picture is 24-bit, and so is its next BMP file.
    QImage grab = RandomImage(8, 8, QImage::Format_RGB32, 1);
    TGIFImage gif;
    gif.Assign(grab);
    EXPECT_EQ(EncodeBmp(grab)[28], 24);
}

TEST(BmpFile, ReadsEveryDepthPillowWrites) {
    TTempDir dir;
    const std::pair<const char*, const char*> kinds[] = {
        {"1", ""},   {"P", ""},    {"L", ""},
        {"RGB", ""}, {"RGBA", ""}, {"P", "im = im.quantize(16)\n"}, // 4 bits per pixel
    };
    for (auto [mode, extra] : kinds) {
        const std::string file = PillowWrite(dir.Path(), mode, extra);
        const TDecoded want = PillowDecode(file, "RGB");
        const QImage got = LoadBmpFile(file);
        EXPECT_TRUE(RgbBytes(got) == want.Pixels) << mode << " " << extra;
    }
}

TEST(BmpFile, ReadsTopDownAndRunLengthFiles) {
    // An 8-bit bottom-up file turned top-down by hand: same picture.
    TTempDir dir;
    const QImage img = RandomImage(5, 3, QImage::Format_Indexed8, 8);
    std::vector<uint8_t> f = EncodeBmp(img);
    const size_t off = f[10] | (f[11] << 8);
    const size_t stride = 8;
    std::vector<uint8_t> flipped(f.begin(), f.begin() + static_cast<long>(off));
    for (int r = 2; r >= 0; --r)
        flipped.insert(flipped.end(), f.begin() + static_cast<long>(off + r * stride),
                       f.begin() + static_cast<long>(off + (r + 1) * stride));
    Put32(flipped, 22, static_cast<uint32_t>(-3));
    EXPECT_TRUE(RgbBytes(DecodeBmp(flipped.data(), flipped.size())) == RgbBytes(img));

    // RLE8: rows bottom-up: a run, a literal, end of line; a delta; end.
    std::vector<uint8_t> rle(f.begin(), f.begin() + static_cast<long>(off));
    Put32(rle, 30, 1);
    const std::vector<uint8_t> data{
        3, 7, 0, 3, 1, 2, 9, 0, 0, 0,  // row 2: 7 7 7 then 1 2 (5 wide: 7 7 7 1 2)
        2, 4, 0, 2, 1, 1, 1, 5, 0, 1}; // row 1: 4 4, then a delta (1, 1) to (3, 0): 5
    rle.insert(rle.end(), data.begin(), data.end());
    const QImage got = DecodeBmp(rle.data(), rle.size());
    ASSERT_EQ(got.format(), QImage::Format_Indexed8);
    auto row = [&](int y) {
        return std::vector<uint8_t>(got.constScanLine(y), got.constScanLine(y) + 5);
    };
    EXPECT_EQ(row(2), (std::vector<uint8_t>{7, 7, 7, 1, 2}));
    EXPECT_EQ(row(1), (std::vector<uint8_t>{4, 4, 0, 0, 0}));
    EXPECT_EQ(row(0), (std::vector<uint8_t>{0, 0, 0, 5, 0}));
}

TEST(BmpFile, DamagedFilesAreErrors) {
    const std::vector<uint8_t> good = EncodeBmp(RandomImage(9, 7, QImage::Format_RGB32, 4));
    // Every truncation is an error, never a picture or a read past the end.
    for (size_t n = 0; n < good.size(); ++n)
        EXPECT_THROW(DecodeBmp(good.data(), n), EBitmapError) << "length " << n;
    EXPECT_NO_THROW(DecodeBmp(good.data(), good.size()));

    auto damaged = [&](size_t at, uint32_t v) {
        std::vector<uint8_t> f = good;
        Put32(f, at, v);
        return f;
    };
    for (const auto& f :
         {damaged(10, 0xFFFFFFF0u), damaged(14, 7), damaged(18, 0), damaged(18, 0x80000000u),
          damaged(18, 100000), damaged(30, 9), damaged(28, 0x00010013)}) {
        EXPECT_THROW(DecodeBmp(f.data(), f.size()), EBitmapError);
    }
    std::vector<uint8_t> rleForever = EncodeBmp(RandomImage(4, 4, QImage::Format_Indexed8, 1));
    Put32(rleForever, 30, 1); // RLE8 without an end marker runs off the data
    EXPECT_THROW(DecodeBmp(rleForever.data(), rleForever.size()), EBitmapError);
    try {
        DecodeBmp(good.data(), 40);
    } catch (const EBitmapError& e) {
        EXPECT_STREQ(e.what(), "The bitmap file is truncated");
    }
}
