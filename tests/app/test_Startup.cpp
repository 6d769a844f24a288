// The resident program as real processes on the X server.
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

#include "TestSupport.h"
#include "X11Support.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace {

// True when the F11 key is grabbed by some client (our grab attempt fails).
bool HotKeyHeld() {
    return KeyHeldElsewhere(XK_F11);
}

int KeyLines(const std::string& text) {
    std::istringstream in(text);
    int n = 0;
    for (std::string line; std::getline(in, line);) n += line.find('=') != std::string::npos;
    return n;
}

class Startup : public testing::Test {
protected:
    std::vector<std::string> Env() const {
        return {"XDG_RUNTIME_DIR=" + Runtime.Path(), "SNAPRIO_INI=" + Runtime.File("SNAPRO.INI")};
    }
    std::unique_ptr<TProcess> Start() {
        return std::make_unique<TProcess>(std::vector<std::string>{SNAPRIO_BINARY}, Env());
    }
    TTempDir Runtime;
};

} // namespace

TEST_F(Startup, OneInstanceAtATimeAndACrashBlocksNothing) {
    SKIP_UNLESS_X11();
    ASSERT_FALSE(HotKeyHeld());
    auto first = Start();
    ASSERT_TRUE(WaitFor([] { return HotKeyHeld(); })) << first->Stderr();

    // The second copy says so, waits for its box to be answered, and ends.
    auto second = Start();
    ASSERT_TRUE(WaitFor([&] {
        return second->Stderr().find("Snaprio 2000 is already running.\n") != std::string::npos;
    })) << second->Stderr();
    std::string window;
    ASSERT_TRUE(WaitFor([&] {
        return RunCommand(
                   {"xdotool", "search", "--onlyvisible", "--pid", std::to_string(second->Pid())},
                   &window) == 0 &&
               !window.empty();
    }));
    window = window.substr(0, window.find('\n'));
    EXPECT_TRUE(WaitFor([&] {
        std::string title;
        RunCommand({"xprop", "-id", window, "WM_NAME", "_NET_WM_NAME"}, &title);
        return title == "WM_NAME(STRING) = \n_NET_WM_NAME(UTF8_STRING) = \n";
    })) << "the box's title is empty, not the program's name";
    RunCommand({"xdotool", "windowfocus", "--sync", window});
    RunCommand({"xdotool", "key", "Return"});
    EXPECT_EQ(second->Wait(), 1);
    EXPECT_TRUE(first->Running());
    EXPECT_TRUE(HotKeyHeld()) << "the first copy keeps its hot key";

    // kill -9 leaves no marker behind that would block the next start.
    first->Signal(SIGKILL);
    first->Wait();
    EXPECT_FALSE(HotKeyHeld());
    auto third = Start();
    ASSERT_TRUE(WaitFor([] { return HotKeyHeld(); })) << third->Stderr();
    EXPECT_TRUE(third->Running());

    // SIGTERM closes the main window the normal way: settings saved, hooks gone.
    third->Signal(SIGTERM);
    EXPECT_EQ(third->Wait(), 0) << third->Stderr();
    EXPECT_EQ(KeyLines(ReadFile(Runtime.File("SNAPRO.INI"))), 73);
    EXPECT_FALSE(HotKeyHeld());
}

TEST_F(Startup, CommandLineWorksWithoutADisplay) {
    SKIP_UNLESS_X11();
    std::vector<std::string> noDisplay = Env();
    noDisplay.push_back("DISPLAY=");
    TProcess help({SNAPRIO_BINARY, "--help"}, noDisplay);
    EXPECT_EQ(help.Wait(), 0);
    EXPECT_NE(help.Stdout().find("Usage: snaprio"), std::string::npos);
    TProcess version({SNAPRIO_BINARY, "--version"}, noDisplay);
    EXPECT_EQ(version.Wait(), 0);
    EXPECT_EQ(version.Stdout().rfind("Snaprio 2000 ", 0), 0u);
    TProcess bad({SNAPRIO_BINARY, "--frobnicate"}, noDisplay);
    EXPECT_EQ(bad.Wait(), 2);
    EXPECT_NE(bad.Stderr().find("Usage: snaprio"), std::string::npos);
    TProcess resident({SNAPRIO_BINARY}, noDisplay);
    EXPECT_EQ(resident.Wait(), 1);
    EXPECT_NE(resident.Stderr().find("X display"), std::string::npos);
    // A Wayland session whose compositor is gone: said in its own terms.
    std::vector<std::string> noCompositor = noDisplay;
    noCompositor.push_back("SNAPRIO_PLATFORM=wayland");
    noCompositor.push_back("WAYLAND_DISPLAY=snaprio-no-compositor");
    TProcess wayland({SNAPRIO_BINARY}, noCompositor);
    EXPECT_EQ(wayland.Wait(), 1);
    EXPECT_NE(wayland.Stderr().find("no Wayland compositor answers at 'snaprio-no-compositor'"),
              std::string::npos)
        << wayland.Stderr();
    EXPECT_FALSE(FileExists(Runtime.File("SNAPRO.INI")));
}

// Without XDG_RUNTIME_DIR the marker and the socket live in /tmp/snaprio-UID,
// a name any user can take first. A folder of another user, or one others
// can write, is refused: no file is created through a planted link, no
// stranger's socket answers --quit. A folder of our own, private, works.
TEST(StartupFolder, AFallbackFolderOthersCanWriteIsRefused) {
    if (!CanSwitchUser()) GTEST_SKIP() << "acting as two users needs root (setpriv)";
    const unsigned user = Nobody - 1;
    const std::string folder = "/tmp/snaprio-" + std::to_string(user);
    TTempDir home;
    ASSERT_EQ(::chown(home.Path().c_str(), user, user), 0);
    WriteFile(home.File("SNAPRO.INI"), "[Misc]\nFirst Time=No\n");
    ASSERT_EQ(::chown(home.File("SNAPRO.INI").c_str(), user, user), 0);
    const std::vector<std::string> env{"XDG_RUNTIME_DIR=", "HOME=" + home.Path(),
                                       "SNAPRIO_INI=" + home.File("SNAPRO.INI")};
    auto run = [&](std::vector<std::string> args) {
        args.insert(args.begin(), SNAPRIO_BINARY);
        return std::make_unique<TProcess>(AsUser(user, args), env);
    };
    // Another user's folder, open to all, with a link in the marker's place
    // and a socket that answers every command.
    const std::string squat =
        "mkdir -m 777 " + folder + " && ln -s " + home.File("planted") + " " + folder +
        "/VREX2321Z && exec /usr/bin/python3 -c 'import socket,os\n"
        "s=socket.socket(socket.AF_UNIX)\ns.bind(\"" +
        folder +
        "/VREX2321Z.socket\")\n"
        "os.chmod(\"" +
        folder +
        "/VREX2321Z.socket\",0o777)\ns.listen()\n"
        "while True:\n c,_=s.accept()\n c.recv(64)\n c.sendall(b\"ok\\n\")\n c.close()'";
    struct {
        const char* Name;
        std::string Setup;
        unsigned Setter;
        bool Refused;
    } const cases[] = {
        {"another user's", squat, Nobody, true},
        {"our own, writable by others", "mkdir -m 777 " + folder, user, true},
        {"our own, private", "", user, false},
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all(folder);
        std::unique_ptr<TProcess> setter;
        if (!c.Setup.empty()) {
            setter = std::make_unique<TProcess>(AsUser(c.Setter, {"sh", "-c", c.Setup}));
            ASSERT_TRUE(WaitFor([&] { return FileExists(folder); })) << c.Name;
            if (c.Setup == squat) {
                ASSERT_TRUE(WaitFor([&] { return FileExists(folder + "/VREX2321Z.socket"); }));
            }
        }
        auto quit = run({"--quit"});
        EXPECT_EQ(quit->Wait(), 1) << c.Name;
        auto program = run({});
        if (c.Refused) {
            EXPECT_TRUE(WaitFor([&] {
                return program->Stderr().find("belongs to another user or others can write") !=
                       std::string::npos;
            })) << c.Name
                << program->Stderr();
            EXPECT_FALSE(FileExists(home.File("planted"))) << c.Name;
        } else {
            ASSERT_TRUE(WaitFor([&] { return FileExists(folder + "/VREX2321Z.socket"); }))
                << program->Stderr();
            EXPECT_EQ(run({"--quit"})->Wait(), 0);
            EXPECT_EQ(program->Wait(), 0) << program->Stderr();
        }
    }
    std::filesystem::remove_all(folder);
}

// The signals that end a session (the terminal closing sends SIGHUP) end the
// program the normal way: settings saved, socket file gone.
TEST_F(Startup, EndingSignalsSaveTheSettingsAndRemoveTheSocket) {
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        WriteFile(Runtime.File("SNAPRO.INI"), "[Misc]\nFirst Time=No\n");
        auto program = Start();
        ASSERT_TRUE(WaitFor([&] { return FileExists(Runtime.File("VREX2321Z.socket")); }))
            << program->Stderr();
        program->Signal(sig);
        EXPECT_EQ(program->Wait(), 0) << sig;
        EXPECT_EQ(KeyLines(ReadFile(Runtime.File("SNAPRO.INI"))), 73) << sig;
        EXPECT_FALSE(FileExists(Runtime.File("VREX2321Z.socket"))) << sig;
    }
}
