// The resident program in the headless sway session: the key bound as the
// first run says captures the screen at its native size into the delivery
// screen, the tray item is registered with swaybar's watcher, and the
// context activation (all swaybar sends) reaches the menu's entries; a
// rectangle is selected on the frozen outputs; the whole cycle from the key
// to the saved files and the clipboard.
#include <QImage>
#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

#include "ImagingSupport.h"
#include "SwayWindows.h"
#include "TestSupport.h"
#include "VirtualPointer.h"
#include "platform/wayland/KeyBinding.h"

namespace {

// The selection's windows in sway's tree, one an output once all are up.
int SelectionWindows() {
    std::string tree;
    RunCommand({"swaymsg", "-t", "get_tree"}, &tree);
    int n = 0;
    const std::string title = "\"name\": \"Snaprio 2000 selection\"";
    for (size_t at = 0; (at = tree.find(title, at)) != std::string::npos; at += title.size()) ++n;
    return n;
}

class ResidentProgram : public testing::Test {
protected:
    // The program with its settings in Dir, its marker and socket in the
    // session's runtime folder, where `snaprio --show` run by sway finds them.
    std::unique_ptr<TProcess> Start(const std::string& ini) {
        WriteFile(Dir.File("SNAPRO.INI"), ini);
        auto p = std::make_unique<TProcess>(
            std::vector<std::string>{SNAPRIO_BINARY},
            std::vector<std::string>{"SNAPRIO_INI=" + Dir.File("SNAPRO.INI")});
        const std::string socket =
            std::string(std::getenv("XDG_RUNTIME_DIR")) + "/VREX2321Z.socket";
        EXPECT_TRUE(WaitFor([&] { return FileExists(socket) || !p->Running(); })) << p->Stderr();
        return p;
    }
    static void End(TProcess& p) {
        p.Signal(SIGTERM);
        EXPECT_EQ(p.Wait(), 0) << p.Stderr();
    }
    // A picture the program copied outlives it in a keeper: cleared, so
    // that the next test's copy is not mistaken for it.
    void TearDown() override {
        if (IsSkipped()) return;
        EXPECT_EQ(RunCommand({"wl-copy", "--clear"}), 0);
        EXPECT_TRUE(WaitFor([] { return ClipKeepers(std::getenv("XDG_RUNTIME_DIR")).empty(); }));
    }
    TTempDir Dir;
};

} // namespace

TEST_F(ResidentProgram, TheKeyBoundAsAdvisedCapturesTheScreenAtItsNativeSizeForDelivery) {
    SKIP_UNLESS_WAYLAND();
    auto program = Start("[Misc]\nFirst Time=No\nWhat To Cap=0\nAction=5\n");
    // The outputs as they are with the program's icon in the bars and none of
    // its windows up: the same twice in a row, once the bars have drawn it.
    ASSERT_TRUE(WaitFor([&] { return !TrayItem(program->Pid()).empty(); }));
    QImage out1, out2;
    ASSERT_TRUE(WaitFor([&] {
        const QImage a = Grim("HEADLESS-1"), b = Grim("HEADLESS-2");
        const bool same = a == out1 && b == out2;
        out1 = a;
        out2 = b;
        return same;
    }));
    ASSERT_EQ(out1.size(), QSize(1280, 800));
    ASSERT_EQ(out2.size(), QSize(1024, 768));

    // The line the first run shows for F11, with the program's path for the
    // name a user's PATH finds.
    std::string line = KeyBindingAdvice(TWaylandDesktop::Sway, 44, false);
    line = line.substr(line.rfind('\n') + 1);
    ASSERT_EQ(line, "bindsym F11 exec snaprio --show");
    line.replace(line.find("snaprio"), 7, SNAPRIO_BINARY);
    ASSERT_EQ(SwayMsg(line), 0) << line;
    Type({"-k", "F11"});
    std::optional<TShown> main;
    ASSERT_TRUE(WaitFor([&] { return (main = Window("Snaprio 2000")) && main->Focused; }))
        << program->Stderr();
    EXPECT_EQ(main->Type, "floating_con");

    const QImage copied = CaptureAndCopy(Dir.Path());
    // The layout (1792 x 800 logical) at the larger scale, 2: the scale-2
    // output pixel for pixel, the scale-1 output in blocks of 2 x 2.
    EXPECT_EQ(copied.size(), QSize(3584, 1600)) << "native pixels, not the logical 1792 x 800";
    EXPECT_EQ(UnlikeTheOutputs(copied, out1, out2), 0)
        << "the program's windows were gone, and nothing else differs";
    EXPECT_EQ(SwayMsg("unbindsym F11"), 0);
    End(*program);

    // The lines for keys with modifiers are sway's syntax too.
    // Ctrl+Alt+A, Win+Alt+F12, Ctrl+Shift+F11, Win+Ctrl+7
    for (int key : {82, 237, 80, 175}) {
        std::string other = KeyBindingAdvice(TWaylandDesktop::Sway, key, false);
        other = other.substr(other.rfind('\n') + 1);
        EXPECT_EQ(SwayMsg(other), 0) << other;
        EXPECT_EQ(SwayMsg("unbind" + other.substr(4, other.find(' ', 8) - 4)), 0) << other;
    }
}

TEST_F(ResidentProgram, TheTrayItemIsSwaybarsAndItsContextActivationReachesTheEntries) {
    SKIP_UNLESS_WAYLAND();
    auto program = Start("[Misc]\nFirst Time=No\n");
    std::string item;
    ASSERT_TRUE(WaitFor([&] { return !(item = TrayItem(program->Pid())).empty(); }))
        << program->Stderr();

    // What swaybar sends for a right click: the menu, in a window of its own
    // that floats (menu-sized, not a whole output) with the focus.
    ASSERT_EQ(RunCommand({"gdbus", "call", "--session", "--dest", item, "--object-path",
                          "/StatusNotifierItem", "--method",
                          "org.kde.StatusNotifierItem.ContextMenu", "600", "12"}),
              0);
    std::optional<TShown> menu;
    ASSERT_TRUE(WaitFor([&] { return (menu = Window("Snaprio 2000")) && menu->Focused; }))
        << program->Stderr();
    EXPECT_EQ(menu->Type, "floating_con");
    EXPECT_LT(menu->Rect["width"].toInt(), 400);
    EXPECT_LT(menu->Rect["height"].toInt(), 400);
    Type({"a"}); // "&About"
    EXPECT_TRUE(WaitFor([] { return Window("About").has_value(); })) << program->Stderr();
    EXPECT_FALSE(Window("Snaprio 2000")) << "the menu closed on its entry";
    Type({"-k", "Return"});
    EXPECT_TRUE(WaitFor([] { return !Window("About"); }));
    End(*program);
}

TEST_F(ResidentProgram, ARectangleIsCutFromTheFrozenOutputsAndEscapeBringsBackTheCaptureScreen) {
    SKIP_UNLESS_WAYLAND();
    TVirtualPointer pointer;
    ASSERT_TRUE(pointer.Ok());
    ASSERT_TRUE(pointer.MoveTo(4, 796)); // on the scale-1 output, out of the way
    auto program = Start("[Misc]\nFirst Time=No\nWhat To Cap=3\nAction=5\n");
    ASSERT_EQ(RunCommand({SNAPRIO_BINARY, "--show"}), 0);
    const auto mainUp = [] {
        const auto w = Window("Snaprio 2000");
        return w && w->Focused;
    };
    ASSERT_TRUE(WaitFor(mainUp));
    const QImage out2 = Grim("HEADLESS-2");
    // "&Capture" on "Capture &Rectangular Area": the main window goes, a
    // window of the selection comes on each output. Escape closes them and
    // brings the capture screen back with the choice kept: "&Capture"
    // selects a rectangle again.
    const auto selecting = [] { return SelectionWindows() == 2 && !Window("Snaprio 2000"); };
    Type({"-k", "Return"});
    ASSERT_TRUE(WaitFor(selecting)) << program->Stderr();
    Type({"-k", "Escape"});
    ASSERT_TRUE(WaitFor([&] { return SelectionWindows() == 0 && mainUp(); })) << program->Stderr();
    Type({"-k", "Return"});
    ASSERT_TRUE(WaitFor(selecting)) << program->Stderr();
    // The prompt appears beside the pointer once it is on a window of the
    // selection (right of the pointer's own picture), then a drag on the
    // scale-2 output; the main window comes back on the delivery screen, and
    // "Co&py" copies the output's native pixels there.
    ASSERT_TRUE(pointer.MoveTo(1380, 60));
    const QRect prompt(280, 130, 320, 30);
    EXPECT_TRUE(WaitFor([&] { return Grim("HEADLESS-2").copy(prompt) != out2.copy(prompt); }));
    ASSERT_TRUE(pointer.Send({"down", "abs 1480 130 1792 800", "abs 1580 200 1792 800", "up"}));
    ASSERT_TRUE(WaitFor([&] { return SelectionWindows() == 0 && mainUp(); })) << program->Stderr();
    Type({"-k", "Return"});
    const std::string png = Dir.File("copied.png");
    ASSERT_TRUE(WaitFor([&] {
        return RunCommand({"sh", "-c", "wl-paste -n -t image/png > " + png}) == 0 &&
               !ReadFile(png).empty();
    })) << program->Stderr();
    const QImage copied = QImage(QString::fromStdString(png)).convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(copied.size(), QSize(400, 280));
    EXPECT_TRUE(copied == out2.copy(200, 120, 400, 280));
    End(*program);
}

TEST_F(ResidentProgram, TheWholeCycleFromTheKeyThroughTheSaveDialogAndTheClipboard) {
    SKIP_UNLESS_WAYLAND();
    TVirtualPointer pointer;
    ASSERT_TRUE(pointer.Ok());
    ASSERT_TRUE(pointer.MoveTo(4, 796));
    auto program = Start("[Misc]\nFirst Time=No\nWhat To Cap=3\nAction=0\n");
    std::string line = KeyBindingAdvice(TWaylandDesktop::Sway, 44, false);
    line = line.substr(line.rfind('\n') + 1);
    line.replace(line.find("snaprio"), 7, SNAPRIO_BINARY);
    ASSERT_EQ(SwayMsg(line), 0) << line;
    const auto mainUp = [] {
        const auto w = Window("Snaprio 2000");
        return w && w->Focused;
    };
    Type({"-k", "F11"});
    ASSERT_TRUE(WaitFor(mainUp)) << program->Stderr();
    EXPECT_EQ(SwayMsg("unbindsym F11"), 0);
    const QImage out2 = Grim("HEADLESS-2"), crop = out2.copy(200, 10, 400, 390);
    Type({"-k", "Return"}); // "&Capture" on "Capture &Rectangular Area"
    ASSERT_TRUE(WaitFor([] { return SelectionWindows() == 2; })) << program->Stderr();
    // The drag once the selection's window under the pointer shows the prompt.
    ASSERT_TRUE(pointer.MoveTo(1380, 60));
    const QRect prompt(280, 130, 320, 30);
    EXPECT_TRUE(WaitFor([&] { return Grim("HEADLESS-2").copy(prompt) != out2.copy(prompt); }));
    ASSERT_TRUE(pointer.Send(
        {"abs 1380 5 1792 800", "down", "abs 1480 130 1792 800", "abs 1580 200 1792 800", "up"}));
    ASSERT_TRUE(WaitFor([&] { return SelectionWindows() == 0 && mainUp(); })) << program->Stderr();
    const std::vector<uint8_t> want = RgbBytes(crop);

    ASSERT_NE(crop.pixel(0, 0), crop.pixel(0, 389)) << "the bar's edge is in the picture";

    // Each format chosen on the delivery screen and "&Save"d through the
    // dialog; the largest and the mean difference of a channel the format
    // allows (GIF: the 216-colour cube, levels 51 apart; JPEG: ringing at
    // the bar's edge, little elsewhere).
    const struct {
        const char *Choice, *Title, *Written;
        int Worst;
        double Mean;
    } formats[] = {{"b", "Save As Bitmap", "shot.BMP", 0, 0},
                   {"g", "Save As GIF", "shot.GIF", 47, 47},
                   {"j", "Save As JPEG", "shot.JPG", 40, 1}};
    for (const auto& f : formats) {
        ASSERT_TRUE(WaitFor(mainUp)) << f.Title;
        Type({"-M", "alt", f.Choice, "-m", "alt"});
        Type({"-M", "alt", "s", "-m", "alt"}); // "&Save"
        ASSERT_TRUE(WaitFor([&] {
            const auto dialog = Window(f.Title);
            return dialog && dialog->Focused;
        })) << f.Title
            << program->Stderr();
        Type({"-M", "ctrl", "a", "-m", "ctrl", Dir.File("shot"), "-k", "Return"});
        const std::string file = Dir.File(f.Written);
        ASSERT_TRUE(WaitFor([&] { return FileExists(file) && !Window(f.Title); })) << f.Title;
        const TDecoded d = PillowDecode(file, "RGB");
        EXPECT_EQ(QSize(d.Width, d.Height), crop.size()) << f.Title;
        ASSERT_EQ(d.Pixels.size(), want.size()) << f.Title;
        int worst = 0;
        double sum = 0;
        for (size_t i = 0; i < want.size(); ++i) {
            const int off = std::abs(int(d.Pixels[i]) - int(want[i]));
            worst = std::max(worst, off);
            sum += off;
        }
        EXPECT_LE(worst, f.Worst) << f.Title;
        EXPECT_LE(sum / double(want.size()), f.Mean) << f.Title;
    }

    // "Copy &To Clipboard", "Co&py": both types the clipboard offers decode
    // to the picture, and still do once the program has ended.
    ASSERT_TRUE(WaitFor(mainUp));
    Type({"-M", "alt", "t", "-m", "alt"});
    Type({"-M", "alt", "p", "-m", "alt"});
    const auto pastedIsThePicture = [&](const char* type, const char* by) {
        const std::string file = Dir.File("pasted");
        ASSERT_TRUE(WaitFor([&] {
            return RunCommand({"sh", "-c", std::string("wl-paste -n -t ") + type + " > " + file}) ==
                       0 &&
                   !ReadFile(file).empty();
        })) << type
            << by << program->Stderr();
        const TDecoded d = PillowDecode(file, "RGB");
        EXPECT_EQ(QSize(d.Width, d.Height), crop.size()) << type << by;
        EXPECT_TRUE(d.Pixels == want) << type << by;
    };
    for (const char* type : {"image/png", "image/bmp"}) pastedIsThePicture(type, "");
    End(*program);
    const std::string runtime = std::getenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(ClipKeepers(runtime).size(), 1u);
    pastedIsThePicture("image/bmp", " from the keeper");
}
