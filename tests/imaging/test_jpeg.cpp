#include <gtest/gtest.h>

#include "ImagingSupport.h"
#include "TestSupport.h"
#include "imaging/core/FileBytes.h"
#include "imaging/qt/jpeg.h"

namespace {

std::vector<uint8_t> Compress(const QImage& img) {
    TJPEGImage jpeg;
    jpeg.Assign(img);
    jpeg.CompressionQuality = 100;
    jpeg.Compress();
    return jpeg.Data();
}

void WritePpm(const QImage& img, const std::string& file) {
    const std::vector<uint8_t> rgb = RgbBytes(img);
    std::string text =
        "P6\n" + std::to_string(img.width()) + " " + std::to_string(img.height()) + "\n255\n";
    text.append(rgb.begin(), rgb.end());
    WriteFile(file, text);
}

} // namespace

TEST(JPEGImage, SameBytesAsCjpegAtQualityHundred) {
    // Both are libjpeg-turbo with its defaults: equal bytes prove that nothing
    // else is set, and that the rows go in with their true colours.
    TTempDir dir;
    for (QImage::Format format :
         {QImage::Format_RGB32, QImage::Format_RGB888, QImage::Format_BGR888, QImage::Format_RGB16,
          QImage::Format_Indexed8}) {
        const QImage img = RandomImage(173, 61, format, 11);
        WritePpm(img, dir.File("in.ppm"));
        ASSERT_EQ(RunCommand({"cjpeg", "-quality", "100", "-baseline", "-outfile",
                              dir.File("ref.jpg"), dir.File("in.ppm")}),
                  0);
        const std::string ref = ReadFile(dir.File("ref.jpg"));
        const std::vector<uint8_t> ours = Compress(img);
        EXPECT_TRUE(std::string(ours.begin(), ours.end()) == ref) << "format " << format;
    }
}

TEST(JPEGImage, RedStaysRedAndOnePixelWorks) {
    TTempDir dir;
    QImage red(1, 1, QImage::Format_RGB32);
    red.fill(qRgb(255, 0, 0));
    TJPEGImage jpeg;
    jpeg.Assign(red);
    jpeg.CompressionQuality = 100;
    jpeg.Compress();
    jpeg.SaveToFile(dir.File("red.jpg"));
    EXPECT_EQ(ReadFileBytes(dir.File("red.jpg")), jpeg.Data()) << "exactly the compressed bytes";
    ASSERT_EQ(RunCommand({"djpeg", "-outfile", dir.File("red.ppm"), dir.File("red.jpg")}), 0);
    const std::string ppm = ReadFile(dir.File("red.ppm"));
    ASSERT_GE(ppm.size(), 3u);
    EXPECT_GE(static_cast<uint8_t>(ppm[ppm.size() - 3]), 250);
    EXPECT_LE(static_cast<uint8_t>(ppm[ppm.size() - 1]), 5);
    // Saving twice gives the same file.
    jpeg.Compress();
    EXPECT_EQ(ReadFileBytes(dir.File("red.jpg")), jpeg.Data());
}

TEST(JPEGImage, ZeroSizeGivesNoDataAndNoError) {
    TJPEGImage jpeg;
    jpeg.Assign(QImage());
    EXPECT_NO_THROW(jpeg.Compress());
    EXPECT_TRUE(jpeg.Data().empty());
}

TEST(JPEGImage, ReadsTrueColourAndQuantisesWhenAsked) {
    TTempDir dir;
    QImage img(64, 32, QImage::Format_RGB32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x) img.setPixel(x, y, qRgb(x * 4, y * 8, 128));
    const std::vector<uint8_t> data = Compress(img);
    WriteFileBytes(dir.File("a.jpg"), data.data(), data.size());

    TJPEGImage reader;
    reader.LoadFromFile(dir.File("a.jpg"));
    const QImage& back = reader.Bitmap();
    ASSERT_EQ(back.size(), img.size());
    EXPECT_EQ(back.format(), QImage::Format_RGB32);
    EXPECT_LE(std::abs(qRed(back.pixel(40, 20)) - 160), 3);
    EXPECT_LE(std::abs(qGreen(back.pixel(40, 20)) - 160), 3);

    TJPEGImage paletted;
    paletted.PixelFormat = TJPEGPixelFormat::Format8Bit;
    paletted.LoadFromFile(dir.File("a.jpg"));
    EXPECT_EQ(paletted.Bitmap().format(), QImage::Format_Indexed8);
    EXPECT_LE(paletted.Bitmap().colorCount(), 236);

    // A greyscale file is always quantised.
    WritePpm(img, dir.File("a.ppm"));
    ASSERT_EQ(RunCommand({"cjpeg", "-grayscale", "-outfile", dir.File("g.jpg"), dir.File("a.ppm")}),
              0);
    TJPEGImage grey;
    grey.LoadFromFile(dir.File("g.jpg"));
    EXPECT_EQ(grey.Bitmap().format(), QImage::Format_Indexed8);
    const QRgb g = grey.Bitmap().pixel(10, 10);
    EXPECT_TRUE(qRed(g) == qGreen(g) && qGreen(g) == qBlue(g));
}

TEST(JPEGImage, DamagedFilesShowWhatDecodesAsDjpegDoes) {
    // Warnings leave a picture, as djpeg shows it; files with no picture in
    // them, and what is not JPEG at all, are errors.
    TTempDir dir;
    const std::vector<uint8_t> good = Compress(RandomImage(50, 50, QImage::Format_RGB32, 2));
    size_t sos = 0; // just past the scan header: the first byte of picture data
    for (size_t i = 0; i + 4 < good.size() && !sos; ++i)
        if (good[i] == 0xFF && good[i + 1] == 0xDA) sos = i + 2 + (good[i + 2] << 8 | good[i + 3]);
    auto cut = [&](size_t n) { return std::vector<uint8_t>(good.begin(), good.begin() + long(n)); };
    std::vector<uint8_t> stray = good, early = good;
    stray.insert(stray.end() - 2, {1, 2, 3, 4}); // stray bytes before the end marker
    early.insert(early.begin() + long(sos) + 100, {0xFF, 0xD9}); // an end marker mid-data
    const struct {
        const char* Name;
        std::vector<uint8_t> Bytes;
        bool Error;
    } cases[] = {
        {"half", cut(good.size() / 2), false},
        {"no end marker", cut(good.size() - 2), false},
        {"stray bytes", stray, false},
        {"early end", early, false},
        {"empty", {}, true},
        {"start marker only", cut(2), true},
        {"within the headers", cut(20), true},
        {"headers only", cut(sos), true},
        {"not a JPEG", {'B', 'M', 0, 0, 0}, true},
    };
    for (const auto& c : cases) {
        WriteFileBytes(dir.File("d.jpg"), c.Bytes.data(), c.Bytes.size());
        TJPEGImage jpeg;
        if (c.Error) {
            EXPECT_THROW(jpeg.LoadFromFile(dir.File("d.jpg")), EJPEGError) << c.Name;
            EXPECT_TRUE(jpeg.Bitmap().isNull()) << c.Name;
            continue;
        }
        ASSERT_NO_THROW(jpeg.LoadFromFile(dir.File("d.jpg"))) << c.Name;
        EXPECT_FALSE(jpeg.Warning().empty()) << c.Name;
        EXPECT_EQ(RunCommand({"djpeg", "-outfile", dir.File("d.ppm"), dir.File("d.jpg")}), 2)
            << c.Name << ": djpeg warns too";
        EXPECT_TRUE(PillowDecode(dir.File("d.ppm"), "RGB").Pixels == RgbBytes(jpeg.Bitmap()))
            << c.Name;
    }
    TJPEGImage jpeg;
    EXPECT_THROW(jpeg.LoadFromFile("/nonexistent/x.jpg"), EImageError);
}

TEST(JPEGImage, PaletteScreenGetsTheColoursDjpegChooses) {
    // On an 8-bit screen every opened JPEG is quantised to 236 colours, as
    // djpeg -colors 236 quantises it.
    TTempDir dir;
    QImage img(96, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 96; ++x) img.setPixel(x, y, qRgb(x * 2, y * 4, (x * y) & 255));
    const std::vector<uint8_t> data = Compress(img);
    WriteFileBytes(dir.File("a.jpg"), data.data(), data.size());
    ASSERT_EQ(
        RunCommand({"djpeg", "-colors", "236", "-outfile", dir.File("a.ppm"), dir.File("a.jpg")}),
        0);
    JPEGScreenPaletted = true;
    TJPEGImage jpeg;
    JPEGScreenPaletted = false;
    EXPECT_EQ(jpeg.PixelFormat, TJPEGPixelFormat::Format8Bit);
    jpeg.LoadFromFile(dir.File("a.jpg"));
    EXPECT_EQ(jpeg.Bitmap().format(), QImage::Format_Indexed8);
    EXPECT_LE(jpeg.Bitmap().colorCount(), 236);
    EXPECT_GT(jpeg.Bitmap().colorCount(), 100);
    EXPECT_TRUE(PillowDecode(dir.File("a.ppm"), "RGB").Pixels == RgbBytes(jpeg.Bitmap()));
    EXPECT_EQ(TJPEGImage().PixelFormat, TJPEGPixelFormat::Format24Bit);
}
