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
    SKIP_UNLESS_X11();
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
    SKIP_UNLESS_X11();
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

// MULTIPLE from a raw client: a list that names MULTIPLE again (itself, or
// two lists naming each other) gets None for that pair and the program
// serves on; two INCR targets in one request both reach their end.
TEST(Clipboard, MultipleRequestsOfAHostileClientAreAnsweredPairByPair) {
    SKIP_UNLESS_X11();
    CopyToClip(RandomImage(1600, 1200, QImage::Format_RGB32, 5)); // both formats go as INCR
    const size_t bmp = Paste("image/bmp").size(), png = Paste("image/png").size();
    const std::string targets = std::to_string(4 * 5); // TARGETS TIMESTAMP MULTIPLE and two
    struct {
        std::vector<std::string> Lists;
        std::string Want;
    } const cases[] = {
        {{"LIST=MULTIPLE:LIST"}, "MULTIPLE None\n"},
        {{"LIST=MULTIPLE:P2", "P2=MULTIPLE:LIST"}, "MULTIPLE None\n"},
        {{"LIST=TARGETS:P1,MULTIPLE:P2,image/gif:P3", "P2=TARGETS:P4"},
         "TARGETS P1 " + targets + "\nMULTIPLE None\nimage/gif None\n"},
        {{"LIST=image/bmp:P1,image/png:P2"},
         "image/bmp P1 " + std::to_string(bmp) + "\nimage/png P2 " + std::to_string(png) + "\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> argv{CLIP_REQUEST};
        argv.insert(argv.end(), c.Lists.begin(), c.Lists.end());
        TProcess request(argv);
        EXPECT_EQ(request.Wait(std::chrono::seconds(60)), 0) << c.Lists[0] << request.Stdout();
        EXPECT_EQ(request.Stdout(), c.Want) << c.Lists[0];
    }
    EXPECT_NE(Paste("TARGETS").find("image/png"), std::string::npos);
}
