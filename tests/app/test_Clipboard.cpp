// The picture on the X11 clipboard, pasted by another program (xclip) as
// image/bmp and image/png and decoded by Pillow; served by the program, and
// by the keeper that the program's end hands it to.
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

#include "AppSupport.h"
#include "ImagingSupport.h"
#include "TestSupport.h"
#include "app/ClipboardImage.h"
#include "platform/Clipboard.h"

namespace {

enum class TServer { Program, Keeper };
const char* Name(TServer s) {
    return s == TServer::Program ? "Program" : "Keeper";
}
void PrintTo(TServer s, std::ostream* os) {
    *os << Name(s);
}

// Every case twice: served by this process, and by a keeper to which this
// process hands the picture as the program does at its end. A keeper ends
// once another program has copied.
class Clipboard : public testing::TestWithParam<TServer> {
protected:
    void SetUp() override { SKIP_UNLESS_X11(); }
    void CopyToClip(const QImage& picture) {
        ASSERT_TRUE(::CopyToClip(picture));
        if (GetParam() != TServer::Keeper) return;
        TheClipboard().HandOver(
            QString::fromStdString(std::filesystem::path(SNAPRIO_BINARY).parent_path()));
        // The keeper of the picture before ends, having lost the clipboard to us.
        EXPECT_TRUE(WaitFor([&] { return ClipKeepers(Runtime).size() == 1; }));
    }
    void TearDown() override {
        if (IsSkipped() || GetParam() != TServer::Keeper) return;
        TProcess text({"sh", "-c", "echo words | xclip -selection clipboard"});
        EXPECT_EQ(text.Wait(), 0);
        EXPECT_TRUE(WaitFor([&] { return ClipKeepers(Runtime).empty(); }));
    }
    const std::string Runtime = std::getenv("XDG_RUNTIME_DIR");
};

} // namespace

INSTANTIATE_TEST_SUITE_P(ServedBy, Clipboard, testing::Values(TServer::Program, TServer::Keeper),
                         [](const auto& info) { return Name(info.param); });

TEST_P(Clipboard, AnotherProgramPastesThePictureAsBmpAndPng) {
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

TEST_P(Clipboard, AReaderThatDiesMidTransferAndANewOwnerAreTakenInStride) {
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
TEST_P(Clipboard, MultipleRequestsOfAHostileClientAreAnsweredPairByPair) {
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

// The keeper takes the clipboard only from the window it names while that
// window still owns it (another program may copy while the program ends),
// and only a picture handed over as the program hands it: in a sealed file.
TEST(ClipKeeper, RefusesAClipboardThatIsNoLongerTheProgramsAndAnUnsealedPicture) {
    SKIP_UNLESS_X11();
    TProcess text({"sh", "-c", "echo words | xclip -selection clipboard"});
    ASSERT_EQ(text.Wait(), 0);
    const std::string keeper =
        (std::filesystem::path(SNAPRIO_BINARY).parent_path() / "snaprio-keeper").string();
    TTempDir dir;
    // The picture on stdin as the program passes it, in a memfd or a plain file.
    const std::string start = R"(
import fcntl, os, sys
sealed = sys.argv[1] == "sealed"
fd = os.memfd_create("picture", os.MFD_ALLOW_SEALING) if sealed else \
    os.open(sys.argv[2], os.O_RDWR | os.O_CREAT)
os.write(fd, b"image/png 5\n\nbytes")
if sealed:
    fcntl.fcntl(fd, fcntl.F_ADD_SEALS, fcntl.F_SEAL_SHRINK | fcntl.F_SEAL_GROW | fcntl.F_SEAL_WRITE)
os.lseek(fd, 0, 0)
os.dup2(fd, 0)
os.execv(sys.argv[3], sys.argv[3:])
)";
    const struct {
        const char* Input;
        const char* Said;
    } cases[] = {{"sealed", "the program no longer owns the clipboard"},
                 {"plain", "no picture was handed over"}};
    for (const auto& c : cases) {
        // Window 1 is no client's: it owns nothing.
        TProcess run({"/usr/bin/python3", "-c", start, c.Input, dir.File("picture"), keeper, "1"});
        EXPECT_EQ(run.Wait(), 1) << c.Input << run.Stderr();
        EXPECT_EQ(run.Stdout(), "") << c.Input;
        EXPECT_NE(run.Stderr().find(c.Said), std::string::npos) << run.Stderr();
    }
    EXPECT_EQ(Paste("UTF8_STRING"), "words\n");
}

// A keeper that cannot start leaves the clipboard with the program, which
// serves it to its end as it would without keepers.
TEST(ClipKeeper, WithoutAKeeperTheProgramServesOn) {
    SKIP_UNLESS_X11();
    ASSERT_TRUE(CopyToClip(RandomImage(40, 30, QImage::Format_RGB32, 7)));
    TTempDir empty;
    TheClipboard().HandOver(QString::fromStdString(empty.Path()));
    EXPECT_NE(Paste("TARGETS").find("image/png"), std::string::npos);
    EXPECT_TRUE(ClipKeepers(std::getenv("XDG_RUNTIME_DIR")).empty());
}
