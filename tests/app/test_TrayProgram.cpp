// The resident program as a real process: a tray that comes late, the menu's
// terminate entry, and the commands to the running copy.
#include <algorithm>
#include <array>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <thread>

#include "AppSupport.h"
#include "TestSupport.h"

namespace {

class TrayProgram : public testing::Test {
protected:
    std::vector<std::string> Env() const {
        return {"XDG_RUNTIME_DIR=" + Dir.Path(), "SNAPRIO_INI=" + Dir.File("SNAPRO.INI")};
    }
    std::unique_ptr<TProcess> Run(std::vector<std::string> args) {
        args.insert(args.begin(), SNAPRIO_BINARY);
        return std::make_unique<TProcess>(args, Env());
    }
    std::unique_ptr<TProcess> StartResident() {
        WriteFile(Dir.File("SNAPRO.INI"), "[Misc]\nFirst Time=No\n");
        auto p = Run({});
        WaitFor([&] { return FileExists(Dir.File("VREX2321Z.socket")) || !p->Running(); });
        return p;
    }
    std::vector<std::array<int, 4>> Windows(int pid) {
        return VisibleWindows({"--pid", std::to_string(pid)});
    }
    // Right-clicks the icon until the menu shows, a window more than the
    // Others the program shows besides the icon; the windows then.
    std::vector<std::array<int, 4>> OpenMenu(int pid, std::array<int, 4> icon, size_t others) {
        // The icon's window can be listed a moment before the tray has
        // embedded it and it takes clicks: click again, where it is now.
        std::vector<std::array<int, 4>> shown;
        for (int tries = 0; tries < 5; ++tries) {
            if (tries > 0 && others == 0 && Windows(pid).size() == 1) icon = Windows(pid)[0];
            const auto [x, y, w, h] = icon;
            RunCommand({"xdotool", "mousemove", std::to_string(x + w / 2),
                        std::to_string(y + h / 2), "click", "3"});
            if (WaitFor([&] { return (shown = Windows(pid)).size() >= others + 2; },
                        std::chrono::seconds(3)))
                return shown;
        }
        return {};
    }
    TTempDir Dir;
};

// The menu among the program's windows (the icon and a tool tip are lower).
std::array<int, 4> Tallest(const std::vector<std::array<int, 4>>& windows) {
    return *std::max_element(windows.begin(), windows.end(),
                             [](const auto& a, const auto& b) { return a[3] < b[3]; });
}

// Context switches of every thread of the process so far.
long Switches(int pid) {
    long n = 0;
    for (const auto& task :
         std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task")) {
        std::istringstream in(ReadFile(task.path().string() + "/status"));
        for (std::string line; std::getline(in, line);)
            if (line.find("ctxt_switches:") != std::string::npos)
                n += std::stol(line.substr(line.find(':') + 1));
    }
    return n;
}

} // namespace

TEST_F(TrayProgram, CaptureWindowFromTheMenuTakesTheWindowThatWasActiveBeforeIt) {
    SKIP_UNLESS_X11();
    TXServer x("1024x768x24", true);
    ASSERT_TRUE(x.Ok());
    TDisplayEnv display(x.Name());
    auto trayer = StartTrayer();
    TProcess victim({"xterm", "-geometry", "40x10+100+100", "-title", "Victim"});
    std::string id;
    ASSERT_TRUE(WaitFor([&] {
        return RunCommand({"xdotool", "search", "--onlyvisible", "--name", "^Victim$"}, &id) == 0;
    }));
    id = id.substr(0, id.find('\n'));
    RunCommand({"xdotool", "windowactivate", "--sync", id});

    WriteFile(Dir.File("SNAPRO.INI"), "[Misc]\nFirst Time=No\nWhat To Cap=1\nAction=5\n");
    auto program = Run({});
    std::vector<std::array<int, 4>> icon, menu;
    ASSERT_TRUE(WaitFor([&] { return (icon = Windows(program->Pid())).size() == 1; }));
    RunCommand({"xdotool", "mousemove", std::to_string(icon[0][0] + icon[0][2] / 2),
                std::to_string(icon[0][1] + icon[0][3] / 2), "click", "3"});
    ASSERT_TRUE(WaitFor([&] { return (menu = Windows(program->Pid())).size() >= 2; }));
    const auto popup = Tallest(menu);
    // "Capt&ure Image", the first entry; then "&Capture" and "Co&py".
    RunCommand({"xdotool", "mousemove", std::to_string(popup[0] + popup[2] / 2),
                std::to_string(popup[1] + 12), "click", "1"});
    ASSERT_TRUE(WaitFor([&] {
        std::string w;
        return RunCommand({"xdotool", "search", "--onlyvisible", "--name", "^Snaprio 2000$"}, &w) ==
               0;
    }));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    RunCommand({"xdotool", "key", "Return"});
    std::string png;
    ASSERT_TRUE(WaitFor([&] {
        RunCommand({"xdotool", "key", "alt+p"});
        return RunCommand({"xclip", "-selection", "clipboard", "-t", "image/png", "-o"}, &png) ==
                   0 &&
               png.size() > 24;
    }));
    const auto be32 = [&](size_t at) {
        return int(uint8_t(png[at])) << 24 | int(uint8_t(png[at + 1])) << 16 |
               int(uint8_t(png[at + 2])) << 8 | int(uint8_t(png[at + 3]));
    };
    // The picture is the victim with its frame (extents left, right, top, bottom).
    std::string geometry, extents;
    RunCommand({"xdotool", "getwindowgeometry", "--shell", id}, &geometry);
    RunCommand({"xprop", "-id", id, "_NET_FRAME_EXTENTS"}, &extents);
    int l = 0, r = 0, t = 0, b = 0;
    ASSERT_EQ(std::sscanf(extents.substr(extents.find('=') + 1).c_str(), "%d, %d, %d, %d", &l, &r,
                          &t, &b),
              4)
        << extents;
    const int w = std::stoi(geometry.substr(geometry.find("WIDTH=") + 6));
    const int h = std::stoi(geometry.substr(geometry.find("HEIGHT=") + 7));
    EXPECT_EQ(be32(16), w + l + r);
    EXPECT_EQ(be32(20), h + t + b);
    program->Signal(SIGTERM);
    program->Wait();
}

TEST_F(TrayProgram, AWaitingProgramDoesNotWakeUp) {
    auto program = StartResident();
    ASSERT_TRUE(program->Running()) << program->Stderr();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const long before = Switches(program->Pid());
    std::this_thread::sleep_for(std::chrono::seconds(3));
    // Polling the hook block every 20 ms came to about 150 here.
    EXPECT_LT(Switches(program->Pid()) - before, 20);
}

TEST_F(TrayProgram, ATrayThatComesLaterGetsTheIconAndTheMenuEndsTheProgram) {
    SKIP_UNLESS_X11();
    auto program = StartResident();
    ASSERT_TRUE(program->Running()) << program->Stderr();
    std::this_thread::sleep_for(std::chrono::seconds(3));
    EXPECT_TRUE(Windows(program->Pid()).empty()) << "nothing to show without a tray";
    auto trayer = StartTrayer();
    std::vector<std::array<int, 4>> icon;
    ASSERT_TRUE(WaitFor([&] { return (icon = Windows(program->Pid())).size() == 1; },
                        std::chrono::seconds(20)))
        << "the icon never came";
    const std::vector<std::array<int, 4>> menu = OpenMenu(program->Pid(), icon[0], 0);
    ASSERT_FALSE(menu.empty()) << "the menu never came";
    const auto popup = Tallest(menu);
    // The last entry, "&Terminate Snaprio 2000", sits at the bottom of the menu.
    RunCommand({"xdotool", "mousemove", std::to_string(popup[0] + popup[2] / 2),
                std::to_string(popup[1] + popup[3] - 10), "click", "1"});
    EXPECT_EQ(program->Wait(), 0) << program->Stderr();
    EXPECT_NE(ReadFile(Dir.File("SNAPRO.INI")).find("Capture Key=44"), std::string::npos)
        << "settings saved on the way out";
}

TEST_F(TrayProgram, WithADialogOpenTheMenuStillComesAndTerminateEndsTheProgram) {
    SKIP_UNLESS_X11();
    auto program = StartResident();
    ASSERT_TRUE(program->Running()) << program->Stderr();
    auto trayer = StartTrayer();
    std::vector<std::array<int, 4>> icon;
    ASSERT_TRUE(WaitFor([&] { return (icon = Windows(program->Pid())).size() == 1; },
                        std::chrono::seconds(20)))
        << "the icon never came";
    EXPECT_EQ(Run({"--configure"})->Wait(), 0);
    ASSERT_TRUE(WaitFor([&] { return Windows(program->Pid()).size() == 2; }));
    // "&Configure" from the menu while the dialog is open opens no second
    // one: the icon, the dialog and the menu again.
    ASSERT_FALSE(OpenMenu(program->Pid(), icon[0], 1).empty())
        << "the menu never came" << program->Stderr();
    RunCommand({"xdotool", "key", "c"});
    ASSERT_FALSE(OpenMenu(program->Pid(), icon[0], 1).empty()) << "the menu never came again";
    EXPECT_EQ(Windows(program->Pid()).size(), 3u);
    WriteFile(Dir.File("SNAPRO.INI"), "");
    RunCommand({"xdotool", "key", "t"}); // "&Terminate Snaprio 2000"
    EXPECT_EQ(program->Wait(), 0) << program->Stderr();
    EXPECT_NE(ReadFile(Dir.File("SNAPRO.INI")).find("Capture Key=44"), std::string::npos)
        << "settings saved on the way out";
}

TEST_F(TrayProgram, CommandsReachTheRunningCopyAndSayWhenThereIsNone) {
    SKIP_UNLESS_X11();
    for (const char* command : {"--show", "--configure", "--quit"}) {
        auto p = Run({command});
        EXPECT_EQ(p->Wait(), 1) << command;
        EXPECT_NE(p->Stderr().find("Snaprio 2000 is not running"), std::string::npos)
            << p->Stderr();
    }
    auto extra = Run({"--show", "now"});
    EXPECT_EQ(extra->Wait(), 2);

    auto program = StartResident();
    ASSERT_TRUE(program->Running()) << program->Stderr();
    struct stat st {};
    ASSERT_EQ(::stat(Dir.File("VREX2321Z.socket").c_str(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(st.st_mode & 077, 0u) << "only the user may talk to the program";

    EXPECT_EQ(Run({"--configure"})->Wait(), 0);
    EXPECT_EQ(Run({"--show"})->Wait(), 0);
    std::string window;
    EXPECT_TRUE(WaitFor([&] {
        return RunCommand({"xdotool", "search", "--onlyvisible", "--pid",
                           std::to_string(program->Pid()), "--name", "^Snaprio 2000$"},
                          &window) == 0;
    })) << "--show brings the capture screen";

    WriteFile(Dir.File("SNAPRO.INI"), "");
    EXPECT_EQ(Run({"--quit"})->Wait(), 0);
    EXPECT_EQ(program->Wait(), 0) << program->Stderr();
    EXPECT_NE(ReadFile(Dir.File("SNAPRO.INI")).find("First Time=No"), std::string::npos);
    EXPECT_FALSE(FileExists(Dir.File("VREX2321Z.socket")));
}

// Clients that connect and say nothing are timed out, and at the descriptor
// limit the listener stays: the program under a limit of 64 descriptors, 80
// idle connections, and the socket still answers. A line longer than a
// command is no command, whatever it starts with.
TEST_F(TrayProgram, IdleClientsAtTheDescriptorLimitNeverCostTheSocket) {
    WriteFile(Dir.File("SNAPRO.INI"), "[Misc]\nFirst Time=No\n");
    TProcess program({"prlimit", "--nofile=64", SNAPRIO_BINARY}, Env());
    const std::string socket = Dir.File("VREX2321Z.socket");
    ASSERT_TRUE(WaitFor([&] { return FileExists(socket); })) << program.Stderr();
    // Holds what it could connect, then waits until the program has closed them all.
    TProcess idle({"/usr/bin/python3", "-c",
                   "import socket,sys,select\n"
                   "c=[]\n"
                   "for i in range(80):\n"
                   " s=socket.socket(socket.AF_UNIX);s.settimeout(1)\n"
                   " try: s.connect(sys.argv[1]);c.append(s)\n"
                   " except OSError: pass\n"
                   "print(len(c),flush=True)\n"
                   "while c:\n"
                   " r,_,_=select.select(c,[],[])\n"
                   " for s in r:\n"
                   "  if not s.recv(1): c.remove(s)\n"
                   "print('all closed',flush=True)\n",
                   socket});
    ASSERT_TRUE(WaitFor([&] { return idle.Stdout().find('\n') != std::string::npos; }));
    EXPECT_EQ(idle.Stdout(), "80\n");
    struct {
        std::string Line, Answer;
    } const cases[] = {
        {"quit" + std::string(196, ' ') + "\n", "unknown\n"},
        {"quit" + std::string(59, ' ') + "x\n", "unknown\n"},
        {"nothing\n", "unknown\n"},
    };
    for (const auto& c : cases) {
        TProcess client({"/usr/bin/python3", "-c",
                         "import socket,sys\n"
                         "s=socket.socket(socket.AF_UNIX);s.connect(sys.argv[1])\n"
                         "s.sendall(sys.argv[2].encode())\n"
                         "print(s.recv(64).decode(),end='')\n",
                         socket, c.Line});
        EXPECT_EQ(client.Wait(), 0) << client.Stderr();
        EXPECT_EQ(client.Stdout(), c.Answer) << c.Line.size();
    }
    EXPECT_TRUE(program.Running());
    EXPECT_TRUE(WaitFor([&] { return !idle.Running(); }, std::chrono::seconds(30)));
    EXPECT_EQ(idle.Stdout(), "80\nall closed\n");
    EXPECT_EQ(Run({"--quit"})->Wait(), 0);
    EXPECT_EQ(program.Wait(), 0) << program.Stderr();
    EXPECT_FALSE(FileExists(socket));
}
