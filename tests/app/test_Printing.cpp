// Printing into PDF files at 300 dpi on Letter paper (2550 x 3300 dots),
// checked with poppler: pages, image placement, sharp enlarged pixels.
#include <QPainter>
#include <QPrinter>
#include <gtest/gtest.h>
#include <iterator>
#include <optional>
#include <sstream>

#include "AppSupport.h"
#include "ImagingSupport.h"
#include "TestSupport.h"
#include "app/Printing.h"

namespace {

class Printing : public testing::Test {
protected:
    void SetUp() override {
        auto dialogs = std::make_unique<TScriptedDialogs>(&Boxes);
        Dialogs = dialogs.get();
        Scope.emplace(std::move(dialogs));
        Picture = RandomImage(100, 100, QImage::Format_RGB32, 7);
    }
    void TearDown() override { Scope.reset(); }
    // The print dialog answers with a PDF file and Copies.
    void Answer(const std::string& file, int copies) {
        Dialogs->Print = [file, copies](QPrinter& printer, int& n) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(QString::fromStdString(file));
            printer.setResolution(300);
            printer.setPageSize(QPageSize(QPageSize::Letter));
            printer.setCopyCount(copies); // as a dialog leaves it: the program must not use it
            n = copies;
            return true;
        };
    }
    std::vector<TBox> Boxes;
    TScriptedDialogs* Dialogs = nullptr;
    std::optional<TServiceScope<TUserDialogs>> Scope;
    QImage Picture;
    TTempDir Dir;
};

// pdfimages -list rows: page, width, height, enc, interp, x-ppi.
std::vector<std::vector<std::string>> PdfImages(const std::string& pdf) {
    std::string out;
    RunCommand({"pdfimages", "-list", pdf}, &out);
    std::istringstream lines(out);
    std::string line;
    std::vector<std::vector<std::string>> rows;
    for (int i = 0; std::getline(lines, line); ++i) {
        if (i < 2) continue; // the heading and its rule
        std::istringstream f(line);
        std::vector<std::string> c{std::istream_iterator<std::string>(f), {}};
        if (c.size() >= 13) rows.push_back({c[0], c[3], c[4], c[8], c[9], c[12]});
    }
    return rows;
}

} // namespace

TEST(PrintTarget, MarginsAndWholeNumberFactors) {
    const QSize letter(2550, 3300);
    const std::tuple<QSize, TPrintFit, QRect> cases[] = {
        {{100, 100}, TPrintFit::PixelSize, {150, 150, 100, 100}},
        {{100, 100}, TPrintFit::FillPage, {150, 150, 2200, 2200}},
        {{300, 100}, TPrintFit::FillPage, {150, 150, 2100, 700}}, // the width decides
        {{100, 300}, TPrintFit::FillPage, {150, 150, 1000, 3000}},
        {{2250, 3000}, TPrintFit::FillPage, {150, 150, 2250, 3000}},
        {{4500, 1000}, TPrintFit::FillPage, {150, 150, 2250, 500}}, // shrunk, not blank
        {{3000, 3300}, TPrintFit::PixelSize, {150, 150, 3000, 3300}},
        {{3300, 2550}, TPrintFit::FillPage, {194, 115, 2912, 2250}}}; // landscape page
    for (auto [picture, fit, target] : cases) {
        const QSize page = picture == QSize(3300, 2550) ? letter.transposed() : letter;
        EXPECT_EQ(PrintTarget(picture, page, fit), target)
            << picture.width() << "x" << picture.height();
    }
}

TEST_F(Printing, CopiesArePagesAndPixelsLandSharpAtTheMargin) {
    // Fit, copies, drawn size in dots, x-ppi pdfimages reports.
    const std::tuple<TPrintFit, int, int, std::string> cases[] = {
        {TPrintFit::PixelSize, 1, 100, "300"}, {TPrintFit::FillPage, 3, 2200, "14"}};
    for (auto [fit, copies, size, ppi] : cases) {
        const std::string pdf = Dir.File("out" + std::to_string(copies) + ".pdf");
        Answer(pdf, copies);
        ASSERT_EQ(PrintPicture(nullptr, Picture, fit), TPrintResult::Printed);
        const auto images = PdfImages(pdf);
        ASSERT_EQ(images.size(), size_t(copies)) << "exactly one picture on each page";
        for (int i = 0; i < copies; ++i)
            EXPECT_EQ(images[i], std::vector<std::string>(
                                     {std::to_string(i + 1), "100", "100", "image", "no", ppi}));
        // The picture in the file is exactly the picture.
        ASSERT_EQ(RunCommand({"pdfimages", "-png", "-f", "1", "-l", "1", pdf, Dir.File("img")}), 0);
        EXPECT_EQ(PillowDecode(Dir.File("img-000.png"), "RGB").Pixels, RgbBytes(Picture));
        std::string info;
        RunCommand({"pdfinfo", pdf}, &info);
        EXPECT_NE(info.find("Page size:       612 x 792 pts (letter)"), std::string::npos) << info;
        // The page around the picture, rendered at whole dots per picture pixel (4 at pixel
        // size, 1200 dpi), so each pixel is a block whose inside must be exactly its colour.
        const int dpi = size == 100 ? 1200 : 300, k = dpi / 300, f = size * k / 100;
        const int left = 150 * k - 2, extent = size * k + 4;
        const std::string crop[] = {std::to_string(left), std::to_string(extent)};
        ASSERT_EQ(RunCommand({"pdftoppm", "-r", std::to_string(dpi), "-f", "1", "-l", "1", "-x",
                              crop[0], "-y", crop[0], "-W", crop[1], "-H", crop[1], "-singlefile",
                              "-png", pdf, Dir.File("page")}),
                  0);
        const TDecoded page = PillowDecode(Dir.File("page.png"), "RGB");
        ASSERT_EQ(page.Width, extent);
        const auto at = [&](int x, int y) { // in page dots at the rendered resolution
            const uint8_t* p = &page.Pixels[(size_t(y - left) * extent + size_t(x - left)) * 3];
            return qRgb(p[0], p[1], p[2]);
        };
        int wrong = 0;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 100; ++x)
                for (int d : {1, f - 2}) // inside each block, off its edges
                    wrong += at(left + 2 + x * f + d, left + 2 + y * f + d) !=
                             (Picture.pixel(x, y) | 0xFF000000);
        EXPECT_EQ(wrong, 0);
        EXPECT_EQ(at(left, left), qRgb(255, 255, 255)) << "nothing before the margin";
        EXPECT_EQ(at(left + extent - 1, left + extent - 1), qRgb(255, 255, 255));
    }
    EXPECT_TRUE(Boxes.empty());
}

TEST_F(Printing, CancelBusyAndAFailedStartPrintNothing) {
    EXPECT_EQ(PrintPicture(nullptr, Picture, TPrintFit::PixelSize), TPrintResult::Cancelled);
    EXPECT_TRUE(Boxes.empty());

    Answer("/nonexistent/folder/out.pdf", 1);
    EXPECT_EQ(PrintPicture(nullptr, Picture, TPrintFit::PixelSize), TPrintResult::Failed);
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Title, "Error");

    // A document of this program still open on the printer.
    ThePrinter().setOutputFormat(QPrinter::PdfFormat);
    ThePrinter().setOutputFileName(QString::fromStdString(Dir.File("busy.pdf")));
    QPainter busy(&ThePrinter());
    Answer(Dir.File("second.pdf"), 1);
    const int dialogs = Dialogs->PrintDialogs;
    EXPECT_EQ(PrintPicture(nullptr, Picture, TPrintFit::FillPage), TPrintResult::Failed);
    busy.end();
    ASSERT_EQ(Boxes.size(), 2u);
    EXPECT_EQ(Boxes[1].Text, "Other print job currently in progress.");
    EXPECT_EQ(Boxes[1].Title, "Error");
    EXPECT_EQ(Dialogs->PrintDialogs, dialogs) << "no dialog while busy";
    EXPECT_FALSE(FileExists(Dir.File("second.pdf")));
}
