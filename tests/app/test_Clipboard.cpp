// The picture on the X11 clipboard, pasted by another program (xclip) as
// image/bmp and image/png and decoded by Pillow.
#include <csignal>
#include <gtest/gtest.h>

#include "ImagingSupport.h"
#include "TestSupport.h"
#include "app/ClipboardImage.h"

namespace {

// What xclip pastes for Target; this process serves it meanwhile.
std::string Paste(const std::string& target) {
    TProcess xclip({"xclip", "-selection", "clipboard", "-t", target, "-o"});
    EXPECT_EQ(xclip.Wait(std::chrono::seconds(120)), 0) << target << xclip.Stderr();
    return xclip.Stdout();
}

} // namespace

TEST(Clipboard, AnotherProgramPastesThePictureAsBmpAndPng) {
    QImage wide(3840, 2160, QImage::Format_RGB32); // more than one X request: an INCR transfer
    for (int y = 0; y < wide.height(); ++y)
        for (int x = 0; x < wide.width(); ++x)
            wide.setPixel(x, y, qRgb(x & 255, y & 255, (x * 7 + y * 3) & 255));
    for (const QImage& picture : {RandomImage(33, 17, QImage::Format_RGB32, 3), wide}) {
        CopyToClip(picture);
        const std::string targets = Paste("TARGETS");
        EXPECT_NE(targets.find("image/png"), std::string::npos) << targets;
        EXPECT_NE(targets.find("image/bmp"), std::string::npos) << targets;
        const std::vector<uint8_t> expected = RgbBytes(picture);
        for (const char* type : {"image/bmp", "image/png"}) {
            TTempDir dir;
            WriteFile(dir.File("pasted"), Paste(type));
            const TDecoded d = PillowDecode(dir.File("pasted"), "RGB");
            EXPECT_EQ(d.Width, picture.width()) << type;
            EXPECT_EQ(d.Height, picture.height()) << type;
            EXPECT_TRUE(d.Pixels == expected) << type << " " << picture.width();
        }
    }
}

TEST(Clipboard, AReaderThatDiesMidTransferAndANewOwnerAreTakenInStride) {
    QImage picture(2000, 1500, QImage::Format_RGB32);
    picture.fill(qRgb(1, 2, 3));
    CopyToClip(picture);
    {
        TProcess dying({"xclip", "-selection", "clipboard", "-t", "image/bmp", "-o"});
        WaitFor([] { return false; }, std::chrono::milliseconds(30));
        dying.Signal(SIGKILL);
        dying.Wait();
    }
    TTempDir dir;
    WriteFile(dir.File("pasted"), Paste("image/bmp"));
    EXPECT_EQ(PillowDecode(dir.File("pasted"), "RGB").Pixels, RgbBytes(picture));

    // Another program copies text: the picture is no longer offered.
    TProcess text({"sh", "-c", "echo words | xclip -selection clipboard"});
    EXPECT_EQ(text.Wait(), 0);
    EXPECT_TRUE(WaitFor([] { return Paste("TARGETS").find("image/bmp") == std::string::npos; }));
    EXPECT_EQ(Paste("UTF8_STRING"), "words\n");
}
