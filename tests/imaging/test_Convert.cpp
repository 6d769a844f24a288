// snaprio --convert as a real process.
#include <gtest/gtest.h>

#include "ImagingSupport.h"
#include "TestSupport.h"
#include "imaging/BmpFile.h"

namespace {
struct TResult {
    int Status;
    std::string Out, Err;
};
TResult Convert(const std::string& in, const std::string& out) {
    TProcess p({SNAPRIO_BINARY, "--convert", in, out}, {"DISPLAY="});
    const int status = p.Wait();
    return {status, p.Stdout(), p.Stderr()};
}
} // namespace

TEST(Convert, WritesEveryFormatByItsExtension) {
    TTempDir dir;
    const QImage img = RandomImage(41, 29, QImage::Format_RGB888, 6);
    SaveBmpFile(img, dir.File("in.Bmp"));
    for (const char* out : {"a.gif", "b.JPG", "c.bmp", "d.GiF"}) {
        const TResult r = Convert(dir.File("in.Bmp"), dir.File(out));
        EXPECT_EQ(r.Status, 0) << r.Err;
        EXPECT_EQ(r.Out + r.Err, "");
        const TDecoded d = PillowDecode(dir.File(out), "RGB");
        EXPECT_EQ(d.Width, 41) << out;
    }
    EXPECT_TRUE(PillowDecode(dir.File("c.bmp"), "RGB").Pixels == RgbBytes(img));
    // And back from the JPEG.
    EXPECT_EQ(Convert(dir.File("b.JPG"), dir.File("e.bmp")).Status, 0);
    EXPECT_EQ(PillowDecode(dir.File("e.bmp")).Height, 29);
}

TEST(Convert, BadNamesAndBadFilesAreRefused) {
    TTempDir dir;
    SaveBmpFile(RandomImage(4, 4, QImage::Format_RGB888, 1), dir.File("in.bmp"));
    TResult r = Convert(dir.File("in.png"), dir.File("out.gif"));
    EXPECT_EQ(r.Status, 2);
    EXPECT_NE(r.Err.find("Unknown file type selected."), std::string::npos);
    r = Convert(dir.File("in.bmp"), dir.File("out.jpeg")); // five letters: not recognised
    EXPECT_EQ(r.Status, 2);
    EXPECT_EQ(Convert(dir.File("in.bmp"), dir.File("in.gif")).Status, 0);
    EXPECT_EQ(Convert(dir.File("in.gif"), dir.File("x.bmp")).Status, 2) << "GIF is not read";

    const std::string bmp = ReadFile(dir.File("in.bmp"));
    WriteFile(dir.File("cut.bmp"), bmp.substr(0, bmp.size() - 5));
    r = Convert(dir.File("cut.bmp"), dir.File("out.gif"));
    EXPECT_EQ(r.Status, 1);
    EXPECT_NE(r.Err.find("truncated"), std::string::npos) << r.Err;
    EXPECT_FALSE(FileExists(dir.File("out.gif")));
    r = Convert(dir.File("missing.jpg"), dir.File("out.gif"));
    EXPECT_EQ(r.Status, 1);
    EXPECT_FALSE(FileExists(dir.File("out.gif")));
    r = Convert(dir.File("in.bmp"), dir.File("no/such/folder/out.gif"));
    EXPECT_EQ(r.Status, 1);
    EXPECT_NE(r.Err.find("Cannot create"), std::string::npos) << r.Err;
}
