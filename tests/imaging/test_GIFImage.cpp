#include <gtest/gtest.h>
#include <random>

#include "ImagingSupport.h"
#include "TestSupport.h"
#include "imaging/qt/Bitmap.h"
#include "imaging/core/GIFImage.h"

namespace {

// The code stream of a one-frame file with a 256-entry local table, sub-block
// framing removed.
std::vector<uint8_t> CodeBytes(const std::vector<uint8_t>& file) {
    size_t at = 13 + 10 + 768;
    EXPECT_EQ(file[at], 8) << "minimum code size";
    ++at;
    std::vector<uint8_t> bytes;
    while (file.at(at) != 0) {
        const size_t n = file[at];
        EXPECT_LE(n, 255u);
        bytes.insert(bytes.end(), file.begin() + static_cast<long>(at) + 1,
                     file.begin() + static_cast<long>(at + 1 + n));
        at += 1 + n;
    }
    EXPECT_EQ(at + 2, file.size()) << "terminator, then trailer";
    EXPECT_EQ(file.back(), 0x3B);
    return bytes;
}

// Codes of a fixed width, least significant bit first.
std::vector<int> Codes(const std::vector<uint8_t>& bytes, int width, size_t count) {
    std::vector<int> codes;
    size_t bit = 0;
    for (size_t i = 0; i < count; ++i, bit += static_cast<size_t>(width)) {
        int c = 0;
        for (int b = 0; b < width; ++b)
            if (bytes.at((bit + b) / 8) >> ((bit + b) % 8) & 1) c |= 1 << b;
        codes.push_back(c);
    }
    return codes;
}

QImage IndexedDib(int w, int h, const std::vector<uint8_t>& indices, int colors = 256) {
    QImage img(w, h, QImage::Format_Indexed8);
    QList<QRgb> table;
    for (int i = 0; i < colors; ++i) table.push_back(qRgb(i, 255 - i, (i * 7) & 255));
    img.setColorTable(table);
    for (int y = 0; y < h; ++y)
        std::copy_n(&indices[static_cast<size_t>(y) * w], w, img.scanLine(y));
    SetDeviceIndependent(img);
    return img;
}

std::vector<uint8_t> Save(QImage& img) {
    TGIFImage gif;
    gif.Assign(img);
    return gif.SaveToBytes();
}

// Writes the file and checks that Pillow and giflib both decode exactly
// Indices (Pillow) and the matching colours (giflib's gif2rgb).
void ExpectDecodesTo(QImage& img, const std::vector<uint8_t>& indices) {
    TTempDir dir;
    const std::string gifFile = dir.File("x.gif");
    TGIFImage gif;
    gif.Assign(img);
    gif.SaveToFile(gifFile);
    const TDecoded d = PillowDecode(gifFile);
    ASSERT_EQ(d.Mode, "P");
    ASSERT_EQ(d.Width, img.width());
    EXPECT_TRUE(d.Pixels == indices) << "Pillow's indices differ";

    ASSERT_EQ(RunCommand({"gif2rgb", "-1", "-o", dir.File("rgb"), gifFile}), 0);
    const std::string rgb = ReadFile(dir.File("rgb"));
    const auto& colors = gif.Images[0].ColorMap.Colors;
    std::string want;
    for (uint8_t i : indices)
        want += {char(colors[i].Red), char(colors[i].Green), char(colors[i].Blue)};
    EXPECT_TRUE(rgb == want) << "giflib's colours differ";
}

} // namespace

TEST(GIFImage, CubeIndexUsesTheBiasedLevels) {
    EXPECT_EQ(CubeIndex(255, 255, 255), 215);
    EXPECT_EQ(CubeIndex(47, 47, 47), 0);
    EXPECT_EQ(CubeIndex(48, 48, 48), 43);
    // Level thresholds 48, 99, 150, 201, 252 in every channel.
    const int thresholds[] = {48, 99, 150, 201, 252};
    for (int v = 0; v < 256; ++v) {
        int level = 0;
        for (int t : thresholds) level += v >= t;
        ASSERT_EQ(CubeIndex(v, 0, 0), 36 * level);
        ASSERT_EQ(CubeIndex(0, v, 0), 6 * level);
        ASSERT_EQ(CubeIndex(0, 0, v), level);
    }
}

TEST(GIFImage, OnePixelFileHasTheExactLayout) {
    QImage img(1, 1, QImage::Format_RGB32);
    img.fill(qRgb(255, 255, 255));
    const std::vector<uint8_t> f = Save(img);
    ASSERT_EQ(f.size(), 799u);
    const std::vector<uint8_t> head{'G', 'I',  'F', '8', '7', 'a', 1, 0, 1, 0, 0x77, 0,
                                    0,   0x2C, 0,   0,   0,   0,   1, 0, 1, 0, 0x87};
    EXPECT_TRUE(std::equal(head.begin(), head.end(), f.begin()));
    // Cube entry 215 is white, entries 216 to 255 black.
    EXPECT_EQ(f[23 + 3 * 215], 255);
    EXPECT_EQ(f[23 + 3 * 43 + 1], 51);
    for (int i = 216 * 3; i < 768; ++i) ASSERT_EQ(f[23 + i], 0);
    EXPECT_EQ(Codes(CodeBytes(f), 9, 3), (std::vector<int>{256, 215, 257}));
    // The caller's picture is now 24 bits per pixel.
    EXPECT_EQ(img.format(), QImage::Format_RGB888);
    EXPECT_EQ(img.pixel(0, 0), qRgb(255, 255, 255));
}

TEST(GIFImage, RunsAndAlternationGiveTheDocumentedCodes) {
    QImage run = IndexedDib(10, 1, std::vector<uint8_t>(10, 77));
    EXPECT_EQ(Codes(CodeBytes(Save(run)), 9, 6), (std::vector<int>{256, 77, 258, 259, 260, 257}));

    std::vector<uint8_t> alt(600);
    for (size_t i = 0; i < alt.size(); ++i) alt[i] = i % 2 ? 9 : 4;
    QImage img = IndexedDib(600, 1, alt);
    const std::vector<int> codes = Codes(CodeBytes(Save(img)), 9, 600 + 4);
    std::vector<int> want{256};
    for (size_t i = 0; i < alt.size(); ++i) {
        want.push_back(alt[i]);
        if ((i + 1) % 254 == 0) want.push_back(256);
    }
    want.push_back(257);
    EXPECT_EQ(codes, want);
}

TEST(GIFImage, EmptyPictureGivesTheFourteenByteFile) {
    QImage empty;
    const std::vector<uint8_t> f = Save(empty);
    EXPECT_EQ(f, (std::vector<uint8_t>{'G', 'I', 'F', '8', '7', 'a', 0, 0, 0, 0, 0, 0, 0, 0x3B}));
    TGIFImage none;
    EXPECT_THROW(none.SaveToBytes(), GIFException);
    try {
        none.SaveToBytes();
    } catch (const GIFException& e) {
        EXPECT_STREQ(e.what(), "Unsupported GIF version");
    }
}

TEST(GIFImage, RefusesOversizeAndForeignIndices) {
    QImage wide(65536, 1, QImage::Format_RGB32);
    wide.fill(0);
    TGIFImage gif;
    try {
        gif.Assign(wide);
        FAIL() << "no exception";
    } catch (const GIFException& e) {
        EXPECT_STREQ(e.what(), "Invalid image dimensions");
    }
    // A 16-colour file table with an index beyond it.
    QImage img = IndexedDib(4, 1, {1, 2, 3, 200}, 16);
    gif.Assign(img);
    try {
        gif.SaveToBytes();
        FAIL() << "no exception";
    } catch (const GIFException& e) {
        EXPECT_STREQ(e.what(), "Color not in color table");
    }
}

TEST(GIFImage, SmallTablesGiveSmallCodeSizes) {
    // Two colours: bit depth 1, minimum code size 2, table of 2 entries.
    QImage img = IndexedDib(37, 5, std::vector<uint8_t>(185, 1), 2);
    for (int x = 0; x < 37; x += 3) img.scanLine(2)[x] = 0;
    std::vector<uint8_t> indices;
    for (int y = 0; y < 5; ++y)
        indices.insert(indices.end(), img.constScanLine(y), img.constScanLine(y) + 37);
    const std::vector<uint8_t> f = Save(img);
    EXPECT_EQ(f[10], 0x00);
    EXPECT_EQ(f[22], 0x80);
    EXPECT_EQ(f[23 + 6], 2);
    ExpectDecodesTo(img, indices);
}

TEST(GIFImage, RealDecodersReadLongRunsAndNoise) {
    std::mt19937 rng(1234);
    struct TCase {
        int W, H, MaxRun, Colors;
    };
    // Long runs reach 12-bit codes and cross clears; short ones exercise the
    // plain codes; a few colours make repeated run tables.
    for (TCase c : {TCase{4000, 3, 1, 256}, TCase{997, 211, 1, 256}, TCase{3001, 7, 9000, 3},
                    TCase{1920, 40, 400, 256}, TCase{640, 480, 12, 4}, TCase{50000, 1, 50000, 1},
                    TCase{123, 457, 3000, 2}}) {
        std::vector<uint8_t> idx;
        const size_t total = static_cast<size_t>(c.W) * c.H;
        while (idx.size() < total) {
            const size_t len = 1 + rng() % c.MaxRun;
            idx.insert(idx.end(), std::min(len, total - idx.size()),
                       static_cast<uint8_t>(rng() % c.Colors));
        }
        QImage img = IndexedDib(c.W, c.H, idx);
        SCOPED_TRACE(testing::Message() << c.W << "x" << c.H << " runs " << c.MaxRun);
        ExpectDecodesTo(img, idx);
    }
}

TEST(GIFImage, ScreenPicturesAreReducedToTheCube) {
    for (QImage::Format format : {QImage::Format_RGB32, QImage::Format_RGB888,
                                  QImage::Format_BGR888, QImage::Format_RGB16}) {
        QImage img = RandomImage(301, 77, format, 5);
        const std::vector<uint8_t> before = RgbBytes(img);
        std::vector<uint8_t> want;
        for (size_t i = 0; i < before.size(); i += 3)
            want.push_back(
                static_cast<uint8_t>(CubeIndex(before[i], before[i + 1], before[i + 2])));
        ExpectDecodesTo(img, want);
        EXPECT_EQ(img.format(), QImage::Format_RGB888);
        EXPECT_EQ(RgbBytes(img), before) << "the picture looks the same afterwards";
    }
    // A palette-display grab is device-dependent: reduced too.
    QImage grab = RandomImage(64, 64, QImage::Format_Indexed8, 9);
    const std::vector<uint8_t> rgb = RgbBytes(grab);
    TGIFImage gif;
    gif.Assign(grab);
    EXPECT_EQ(gif.Images[0].Data[0], CubeIndex(rgb[0], rgb[1], rgb[2]));
}

TEST(GIFImage, SavingTwiceGivesIdenticalFiles) {
    QImage img = RandomImage(200, 100, QImage::Format_RGB32, 3);
    QImage copy = img.copy();
    EXPECT_EQ(Save(img), Save(copy));
    EXPECT_EQ(Save(img), Save(copy)); // and again from the converted pictures
}
