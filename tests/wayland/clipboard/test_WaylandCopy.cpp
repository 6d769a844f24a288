// "Co&py" in the Wayland session: the picture as image/png and image/bmp,
// pasted by wl-paste and decoded by Pillow, offered through wlr-data-control
// while no window of ours had input and through Qt's clipboard once one had;
// at the program's end the keeper serves it on.
#include <QApplication>
#include <QClipboard>
#include <QWidget>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

#include "ImagingSupport.h"
#include "TestSupport.h"
#include "app/ClipboardImage.h"
#include "platform/ServiceScope.h"
#include "platform/keeper/KeptTargets.h"
#include "platform/memory/MemoryPlatform.h"
#include "platform/wayland/WaylandClipboard.h"
#include "platform/wayland/clipboard/DataControl.h"
#include "platform/wayland/clipboard/WaylandKeeper.h"

namespace {

// The program's side: Qt on the session's compositor, the memory family
// for everything but the clipboard under test. One clipboard is made before
// the application, as the program makes its platform.
std::unique_ptr<TWaylandClipboard> Early;

class TQtOnWayland : public testing::Environment {
public:
    void SetUp() override {
        if (!WaylandSession()) return;
        Early = std::make_unique<TWaylandClipboard>();
        setenv("QT_QPA_PLATFORM", "wayland", 1);
        static int argc = 1;
        static char name[] = "test_waylandclipboard";
        static char* argv[] = {name, nullptr};
        App = std::make_unique<QApplication>(argc, argv);
        UsePlatform(BuildMemoryPlatform());
    }
    void TearDown() override {
        Early.reset();
        App.reset();
    }

private:
    std::unique_ptr<QApplication> App;
};
testing::Environment* const QtOnWayland = testing::AddGlobalTestEnvironment(new TQtOnWayland);

class TKeyCount : public QWidget {
public:
    int Keys = 0;

protected:
    void keyPressEvent(QKeyEvent*) override { ++Keys; }
};

// wl-paste's bytes of the type, the Qt event loop turning meanwhile.
std::string Paste(const std::string& type) {
    TProcess paste({"wl-paste", "-n", "-t", type});
    EXPECT_TRUE(WaitFor([&] { return !paste.Running(); }, std::chrono::seconds(30))) << type;
    EXPECT_EQ(paste.Wait(), 0) << type << ": " << paste.Stderr();
    return paste.Stdout();
}

const QString KeeperDir =
    QString::fromStdString(std::filesystem::path(SNAPRIO_BINARY).parent_path().string());
const std::string Runtime = std::getenv("XDG_RUNTIME_DIR") ? std::getenv("XDG_RUNTIME_DIR") : "";

} // namespace

TEST(WaylandCopy, ThePictureIsPastedAsPngAndBmpByEitherWay) {
    SKIP_UNLESS_WAYLAND();
    const struct {
        const char* Case;
        bool Window, Key; // a window of ours shown, a key pressed in it
        bool MadeEarly;   // the clipboard made before the application
        bool ByQt;
    } cases[] = {
        {"no window", false, false, false, false},
        {"a window without input", true, false, false, false},
        {"a window after a key", true, true, false, true},
        {"a window after a key, the clipboard made first", true, true, true, true},
    };
    // Several megabytes in either format.
    const QImage picture = RandomImage(1600, 1200, QImage::Format_RGB32, 11);
    const std::vector<uint8_t> expected = RgbBytes(picture);
    for (const auto& c : cases) {
        // Qt's offer of the case before is withdrawn: Qt owns the clipboard
        // below only if this case's copy went through it.
        QApplication::clipboard()->clear();
        const TServiceScope<TClipboard> clipboard(
            c.MadeEarly ? std::move(Early) : std::make_unique<TWaylandClipboard>());
        std::unique_ptr<TKeyCount> window;
        if (c.Window) {
            window = std::make_unique<TKeyCount>();
            window->resize(200, 100);
            window->show();
            ASSERT_TRUE(WaitFor([&] { return QApplication::focusWindow(); })) << c.Case;
        }
        // The compositor drops the keys of a virtual keyboard whose keymap
        // it has not taken yet, later on a busy machine: pressed again then.
        for (int tries = 0; c.Key && window->Keys == 0 && tries < 5; ++tries) {
            ASSERT_EQ(RunCommand({"wtype", "-s", "300", "-k", "space"}), 0);
            WaitFor([&] { return window->Keys > 0; }, std::chrono::seconds(2));
        }
        ASSERT_TRUE(!c.Key || window->Keys > 0) << c.Case;
        ASSERT_TRUE(CopyToClip(picture)) << c.Case;
        // Qt sends its offer when its event loop turns.
        QCoreApplication::processEvents();
        EXPECT_EQ(QApplication::clipboard()->ownsClipboard(), c.ByQt) << c.Case;
        const auto pastedIsThePicture = [&](const char* type, const char* by) {
            TTempDir dir;
            WriteFile(dir.File("pasted"), Paste(type));
            const TDecoded d = PillowDecode(dir.File("pasted"), "RGB");
            EXPECT_EQ(d.Width, picture.width()) << c.Case << " " << type << by;
            EXPECT_EQ(d.Height, picture.height()) << c.Case << " " << type << by;
            EXPECT_TRUE(d.Pixels == expected) << c.Case << " " << type << by;
        };
        for (const char* type : {"image/png", "image/bmp"}) pastedIsThePicture(type, "");
        // The program ends: the keeper takes over (the one of the case before
        // ended when this case copied).
        TheClipboard().HandOver(KeeperDir);
        EXPECT_TRUE(WaitFor([&] { return ClipKeepers(Runtime).size() == 1; })) << c.Case;
        EXPECT_TRUE(WaitFor([] { return !QApplication::clipboard()->ownsClipboard(); })) << c.Case;
        pastedIsThePicture("image/png", " from the keeper");
    }
    // Another program's copy ends the keeper.
    TProcess text({"wl-copy", "words"});
    EXPECT_EQ(text.Wait(), 0);
    EXPECT_TRUE(WaitFor([&] { return ClipKeepers(Runtime).empty(); }));
}

// The keeper takes the selection only while it offers the program's marker
// (another program may copy while the program ends), and only a picture
// handed over in a sealed file.
TEST(WaylandCopy, TheKeeperRefusesASelectionThatIsNoLongerTheProgramsAndAnUnsealedPicture) {
    SKIP_UNLESS_WAYLAND();
    TProcess text({"wl-copy", "words"});
    ASSERT_EQ(text.Wait(), 0);
    const std::string bytes = "picture";
    TTempDir dir;
    WriteFile(dir.File("plain"), "image/png 7\n\npicture");
    const struct {
        const char* Case;
        int Data;
    } cases[] = {{"sealed", WriteKeptTargets({{"image/png", bytes.data(), bytes.size()}})},
                 {"plain", ::open(dir.File("plain").c_str(), O_RDONLY)}};
    for (const auto& c : cases) {
        int word[2];
        ASSERT_EQ(pipe(word), 0);
        EXPECT_EQ(RunWaylandKeeper(OwnerMarkerType(getpid()), c.Data, word[1]), 1) << c.Case;
        ::close(word[1]);
        char said[8];
        EXPECT_EQ(::read(word[0], said, sizeof said), 0) << c.Case;
        ::close(word[0]);
    }
    EXPECT_EQ(Paste("text/plain"), "words");
}

// Without a window that had input and without wlr-data-control (GNOME):
// nothing is offered, and the refusal says why.
TEST(WaylandCopy, WithNeitherWayNothingIsOfferedAndTheRefusalSaysWhy) {
    TWaylandClipboard clipboard([] { return std::unique_ptr<TDataControl>(); });
    EXPECT_FALSE(clipboard.Offer({{"image/bmp", [] { return QByteArray("BM"); }}}));
    EXPECT_TRUE(clipboard.Refusal().contains("keyboard focus"))
        << clipboard.Refusal().toStdString();
}
