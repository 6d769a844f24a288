// The resident program as real processes on the X server.
#include <csignal>
#include <gtest/gtest.h>
#include <sstream>

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
    EXPECT_FALSE(FileExists(Runtime.File("SNAPRO.INI")));
}
