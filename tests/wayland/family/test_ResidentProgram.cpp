// The resident program in the headless sway session: the key bound as the
// first run says captures the screen at its native size into the delivery
// screen, the tray item is registered with swaybar's watcher, and the
// context activation (all swaybar sends) reaches the menu's entries.
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>

#include "TestSupport.h"
#include "platform/wayland/KeyBinding.h"

namespace {

struct TShown {
    std::string Type; // con, floating_con
    QJsonObject Rect;
    bool Focused = false;
};

// The window of the program's app id titled Title, as sway's tree has it.
std::optional<TShown> Window(const std::string& title) {
    std::string out;
    if (RunCommand({"swaymsg", "-r", "-t", "get_tree"}, &out) != 0) return std::nullopt;
    std::optional<TShown> found;
    std::function<void(const QJsonObject&)> walk = [&](const QJsonObject& n) {
        if (n["app_id"].toString() == "snaprio-desktop" &&
            n["name"].toString().toStdString() == title)
            found = TShown{n["type"].toString().toStdString(), n["rect"].toObject(),
                           n["focused"].toBool()};
        for (const char* k : {"nodes", "floating_nodes"})
            for (const QJsonValue& c : n[k].toArray()) walk(c.toObject());
    };
    walk(QJsonDocument::fromJson(QByteArray::fromStdString(out)).object());
    return found;
}

int SwayMsg(const std::string& command) {
    std::string out;
    const int status = RunCommand({"swaymsg", command}, &out);
    return status == 0 && out.find("\"success\": true") != std::string::npos ? 0 : 1;
}

// The native picture of an output, as grim takes it.
QImage Grim(const std::string& output) {
    TTempDir dir;
    if (RunCommand({"grim", "-t", "ppm", "-o", output, dir.File("o.ppm")}) != 0) return {};
    return QImage(QString::fromStdString(dir.File("o.ppm"))).convertToFormat(QImage::Format_RGB32);
}

void Type(const std::vector<std::string>& keys) {
    // A new virtual keyboard each time: the first keys are lost without the pause.
    std::vector<std::string> argv{"wtype", "-s", "300"};
    argv.insert(argv.end(), keys.begin(), keys.end());
    RunCommand(argv);
}

// The bus name of the item that process Pid registered with the watcher
// (swaybar's); empty while there is none.
std::string TrayItem(int pid) {
    std::string items;
    RunCommand({"gdbus", "call", "--session", "--dest", "org.kde.StatusNotifierWatcher",
                "--object-path", "/StatusNotifierWatcher", "--method",
                "org.freedesktop.DBus.Properties.Get", "org.kde.StatusNotifierWatcher",
                "RegisteredStatusNotifierItems"},
               &items);
    for (size_t at = 0; (at = items.find("':", at)) != std::string::npos; ++at) {
        const std::string name = items.substr(at + 1, items.find('/', at) - at - 1);
        std::string owner;
        RunCommand({"gdbus", "call", "--session", "--dest", "org.freedesktop.DBus", "--object-path",
                    "/org/freedesktop/DBus", "--method",
                    "org.freedesktop.DBus.GetConnectionUnixProcessID", name},
                   &owner);
        if (owner.find("(uint32 " + std::to_string(pid) + ",)") != std::string::npos) return name;
    }
    return {};
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

    Type({"-k", "Return"}); // "&Capture": away, the screen, back on the delivery screen
    ASSERT_TRUE(WaitFor([&] { return !Window("Snaprio 2000"); }));
    ASSERT_TRUE(WaitFor([&] { return Window("Snaprio 2000").has_value(); })) << program->Stderr();
    Type({"-k", "Return"}); // "Co&py"
    ASSERT_TRUE(WaitFor([&] {
        return RunCommand({"sh", "-c", "wl-paste -n -t image/png > " + Dir.File("copied.png")}) ==
                   0 &&
               !ReadFile(Dir.File("copied.png")).empty();
    })) << program->Stderr();
    const QImage copied = QImage(QString::fromStdString(Dir.File("copied.png")))
                              .convertToFormat(QImage::Format_RGB32);
    // The layout (1792 x 800 logical) at the larger scale, 2: the scale-2
    // output pixel for pixel, the scale-1 output in blocks of 2 x 2, black
    // where no output is.
    ASSERT_EQ(copied.size(), QSize(3584, 1600)) << "native pixels, not the logical 1792 x 800";
    EXPECT_TRUE(copied.copy(2560, 0, 1024, 768) == out2);
    int unlike = 0;
    for (int y = 0; y < 1600; ++y)
        for (int x = 0; x < 3584; ++x) {
            const QRgb want = x < 2560  ? out1.pixel(x / 2, y / 2)
                              : y < 768 ? copied.pixel(x, y)
                                        : qRgb(0, 0, 0);
            unlike += copied.pixel(x, y) != want;
        }
    EXPECT_EQ(unlike, 0) << "the program's windows were gone, and nothing else differs";
    EXPECT_EQ(SwayMsg("unbindsym F11"), 0);
    End(*program);
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

TEST_F(ResidentProgram, ARectangleSaysItCannotBeSelectedYet) {
    SKIP_UNLESS_WAYLAND();
    auto program = Start("[Misc]\nFirst Time=No\nWhat To Cap=3\n");
    ASSERT_EQ(RunCommand({SNAPRIO_BINARY, "--show"}), 0);
    ASSERT_TRUE(WaitFor([] {
        const auto w = Window("Snaprio 2000");
        return w && w->Focused;
    }));
    Type({"-k", "Return"}); // "&Capture" on "Capture &Rectangular Area"
    std::optional<TShown> box;
    EXPECT_TRUE(WaitFor([&] { return (box = Window("Warning")).has_value(); }))
        << program->Stderr();
    Type({"-k", "Return"});
    EXPECT_TRUE(WaitFor([] { return !Window("Warning"); }));
    End(*program);
}
