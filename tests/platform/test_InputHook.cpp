// The input hook against a real X server, with xdotool (XTEST) as the input.
#include <QObject>
#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

#include "TestSupport.h"
#include "X11Support.h"
#include "hook/HookBlock.h"
#include "platform/InputHook.h"
#include "platform/memory/MemoryInputHook.h"
#include "platform/NamedObjects.h"
#include "settings/Paths.h"
#include "platform/ServiceScope.h"
#include "platform/WinMessages.h"
#include "platform/x11/X11InputHook.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

void PrintTo(const TMessage& m, std::ostream* os) {
    *os << "WM_USER+" << (m.Msg - WM_USER) << "(" << m.WParam << ", " << m.LParam << ")";
}

namespace {

class TRecorder : public QObject {
public:
    TRecorder() : Handle(RegisterWindow(this)) {}
    ~TRecorder() override { UnregisterWindow(Handle); }
    bool event(QEvent* e) override {
        if (e->type() != TWinMessageEvent::EventType()) return QObject::event(e);
        Got.push_back(static_cast<TWinMessageEvent*>(e)->Message);
        return true;
    }
    HWND Handle;
    std::vector<TMessage> Got;
};

void XDo(const std::vector<std::string>& args) {
    std::vector<std::string> argv{"xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    ASSERT_EQ(RunCommand(argv), 0);
}

// Lets the X server and the event loop take in what a change brought.
void Settle() {
    WaitFor([] { return false; }, std::chrono::milliseconds(120));
}

class InputHook : public testing::Test {
protected:
    void SetUp() override {
        SKIP_UNLESS_X11();
        ASSERT_TRUE(Memory.Create(SharedBlockName(), sizeof(SharedHookBlock)));
        ASSERT_TRUE(Memory.Map());
        std::fill_n(Memory.Data(), sizeof(SharedHookBlock), uint8_t{0});
        HookBlock = AsHookBlock(Memory.Data());
        InitHookBlock(Main.Handle, 44);
        InstallHooks();
        ASSERT_NE(HookBlock->KeyboardHook, 0u);
        ASSERT_NE(HookBlock->MouseHook, 0u);
        Settle();
    }
    void TearDown() override {
        RemoveHooks();
        HookBlock = nullptr;
        Memory.Unlink();
    }
    TSharedMemory Memory;
    TRecorder Main;
};

} // namespace

TEST_F(InputHook, FlaggedHotKeyReachesTheMainWindowAndOthersDoNot) {
    XDo({"key", "F10"});
    XDo({"key", "F11"});
    ASSERT_TRUE(WaitFor([&] { return !Main.Got.empty(); }));
    Settle();
    EXPECT_EQ(Main.Got, (std::vector<TMessage>{{WM_USER + 2, 44, 0}}));

    // A flag set while running is watched without re-installing the hook,
    // also with NumLock on.
    Main.Got.clear();
    SetHotKeyFlag(82); // Ctrl+Alt+A
    Settle();
    XDo({"key", "ctrl+alt+a"});
    XDo({"key", "Num_Lock", "F11", "Num_Lock"});
    ASSERT_TRUE(WaitFor([&] { return Main.Got.size() >= 2; }));
    EXPECT_EQ(Main.Got, (std::vector<TMessage>{{WM_USER + 2, 82, 0}, {WM_USER + 2, 44, 0}}));
}

TEST_F(InputHook, KeyReportsGoToTheReportWindowWhileSwitchedOn) {
    TRecorder dialog;
    SetSecWind(dialog.Handle, true);
    Settle();
    XDo({"key", "ctrl+alt+a", "F11", "super+alt+F12"});
    ASSERT_TRUE(WaitFor([&] { return dialog.Got.size() >= 3; }));
    EXPECT_EQ(dialog.Got, (std::vector<TMessage>{
                              {WM_USER + 1, 82, 0}, {WM_USER + 1, 44, 0}, {WM_USER + 1, 237, 0}}));
    EXPECT_TRUE(Main.Got.empty());

    SetSecWind(dialog.Handle, false);
    Settle();
    dialog.Got.clear();
    XDo({"key", "ctrl+alt+a", "F11"});
    ASSERT_TRUE(WaitFor([&] { return !Main.Got.empty(); }));
    Settle();
    EXPECT_TRUE(dialog.Got.empty());
    EXPECT_EQ(Main.Got, (std::vector<TMessage>{{WM_USER + 2, 44, 0}}));
}

TEST_F(InputHook, SelectionModeReportsTheMouseAndEndsInModeOne) {
    XDo({"mousemove", "10", "10"});
    SetHookMode(HookModeSelect);
    Settle();
    XDo({"mousemove", "100", "120"});
    XDo({"mousedown", "1"});
    XDo({"mousemove", "200", "220"});
    XDo({"click", "3"});
    XDo({"mousemove", "250", "260"});
    XDo({"mouseup", "1"});
    ASSERT_TRUE(WaitFor([&] { return HookRead(HookBlock->Mode) == HookModeKeys; }));
    Settle();
    EXPECT_EQ(Main.Got, (std::vector<TMessage>{{WM_USER + 8, 100, 120},
                                               {WM_USER + 3, 100, 120},
                                               {WM_USER + 4, 200, 220},
                                               {WM_USER + 7, 0, 0},
                                               {WM_USER + 4, 250, 260},
                                               {WM_USER + 5, 250, 260}}));
    // The pointer is free again: moves are no longer reported.
    Main.Got.clear();
    XDo({"mousemove", "300", "300"});
    Settle();
    EXPECT_TRUE(Main.Got.empty());
}

TEST_F(InputHook, ADragOutlivesAReinstallAndEscapeCancels) {
    XDo({"mousemove", "10", "10"});
    SetHookMode(HookModeSelect);
    Settle();
    XDo({"mousedown", "1"});
    XDo({"mousemove", "60", "70"});
    Settle();
    RemoveHooks(); // the hook timer, or the tray's restore, in the middle of the drag
    InstallHooks();
    Settle();
    Main.Got.clear();
    XDo({"mousemove", "80", "90"});
    XDo({"mouseup", "1"});
    ASSERT_TRUE(WaitFor([&] { return HookRead(HookBlock->Mode) == HookModeKeys; }));
    Settle();
    EXPECT_EQ(Main.Got, (std::vector<TMessage>{{hmDrag, 80, 90}, {hmLeftUp, 80, 90}}));

    // Escape ends a selection: reported, mode 1, pointer and keyboard free.
    SetHookMode(HookModeSelect);
    Settle();
    Main.Got.clear();
    XDo({"key", "Escape"});
    ASSERT_TRUE(WaitFor([&] { return HookRead(HookBlock->Mode) == HookModeKeys; }));
    Settle();
    EXPECT_EQ(Main.Got, (std::vector<TMessage>{{hmCancel, 0, 0}}));
    Display* d = XOpenDisplay(nullptr);
    EXPECT_EQ(
        XGrabKeyboard(d, DefaultRootWindow(d), False, GrabModeAsync, GrabModeAsync, CurrentTime),
        GrabSuccess);
    EXPECT_EQ(XGrabPointer(d, DefaultRootWindow(d), False, ButtonPressMask, GrabModeAsync,
                           GrabModeAsync, None, None, CurrentTime),
              GrabSuccess);
    XCloseDisplay(d);
}

TEST_F(InputHook, AKeyHeldByAnotherProgramIsSkippedAndNamedOnce) {
    Display* other = XOpenDisplay(nullptr);
    ASSERT_NE(other, nullptr);
    XGrabKey(other, XKeysymToKeycode(other, XK_F9), AnyModifier, DefaultRootWindow(other), False,
             GrabModeAsync, GrabModeAsync);
    XSync(other, False);
    testing::internal::CaptureStderr();
    SetHotKeyFlag(42); // F9
    Settle();
    Settle();
    XDo({"key", "F9", "F11"});
    ASSERT_TRUE(WaitFor([&] { return !Main.Got.empty(); }));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "snaprio: the hot key F9 is taken by another program\n");
    EXPECT_EQ(Main.Got, (std::vector<TMessage>{{WM_USER + 2, 44, 0}}));
    // Once the other program lets go, the key is taken within a few seconds.
    XCloseDisplay(other);
    Main.Got.clear();
    EXPECT_TRUE(WaitFor(
        [&] {
            XDo({"key", "F9"});
            return !Main.Got.empty();
        },
        std::chrono::seconds(5)));
    EXPECT_EQ(Main.Got.front(), (TMessage{WM_USER + 2, 42, 0}));
}

TEST_F(InputHook, AChangeOfTheBlockTakesEffectAtOnceWithoutPolling) {
    // No event-loop turn between the write and the check: the hook is told.
    SetHotKeyFlag(43); // F10
    EXPECT_TRUE(KeyHeldElsewhere(XK_F10));
    // A key let go (the capture key replaced) is free for others at once.
    ClearHotKeyFlag(43);
    EXPECT_FALSE(KeyHeldElsewhere(XK_F10));
    Display* d = XOpenDisplay(nullptr);
    const auto grab = [d] {
        const int r = XGrabPointer(d, DefaultRootWindow(d), False, ButtonPressMask, GrabModeAsync,
                                   GrabModeAsync, None, None, CurrentTime);
        XUngrabPointer(d, CurrentTime);
        XSync(d, False);
        return r;
    };
    // The pointer grab follows the mode (tried again at once should another
    // client hold the pointer for a moment).
    for (auto [mode, result] :
         {std::pair{HookModeSelect, AlreadyGrabbed}, {HookModeKeys, GrabSuccess}}) {
        SetHookMode(mode);
        EXPECT_TRUE(
            WaitFor([&, result = result] { return grab() == result; }, std::chrono::seconds(2)))
            << mode;
    }
    XCloseDisplay(d);

    // A key held elsewhere is reported once, to the program's report.
    static std::vector<int> reported;
    reported.clear();
    TheInputHook().SetHeldElsewhereReport([](int index) { reported.push_back(index); });
    Display* other = XOpenDisplay(nullptr);
    XGrabKey(other, XKeysymToKeycode(other, XK_F7), AnyModifier, DefaultRootWindow(other), False,
             GrabModeAsync, GrabModeAsync);
    XSync(other, False);
    testing::internal::CaptureStderr();
    SetHotKeyFlag(40); // F7
    SetHotKeyFlag(40);
    Settle();
    testing::internal::GetCapturedStderr();
    TheInputHook().SetHeldElsewhereReport(nullptr);
    XCloseDisplay(other);
    EXPECT_EQ(std::count(reported.begin(), reported.end(), 40), 1);
}

TEST_F(InputHook, NoGrabOutlivesTheHooks) {
    SetHookMode(HookModeSelect);
    Settle();
    EXPECT_TRUE(KeyHeldElsewhere(XK_F11));
    RemoveHooks();
    EXPECT_FALSE(KeyHeldElsewhere(XK_F11));
    Display* d = XOpenDisplay(nullptr);
    EXPECT_EQ(XGrabPointer(d, DefaultRootWindow(d), False, ButtonPressMask, GrabModeAsync,
                           GrabModeAsync, None, None, CurrentTime),
              GrabSuccess);
    XCloseDisplay(d);
    // A hook that ends takes its grabs with it, though nobody removed them.
    {
        const auto other = CreateX11InputHook();
        EXPECT_NE(other->HookKeyboard(), 0u);
        EXPECT_TRUE(KeyHeldElsewhere(XK_F11));
    }
    EXPECT_FALSE(KeyHeldElsewhere(XK_F11));
    InstallHooks(); // for TearDown
}

TEST_F(InputHook, KnowsWhichKeysAnotherProgramHolds) {
    Display* other = XOpenDisplay(nullptr);
    ASSERT_NE(other, nullptr);
    for (KeySym sym : {XK_F7, XK_F8})
        XGrabKey(other, XKeysymToKeycode(other, sym), AnyModifier, DefaultRootWindow(other), False,
                 GrabModeAsync, GrabModeAsync);
    XSync(other, False);
    testing::internal::CaptureStderr();
    SetHotKeyFlag(41); // F8
    EXPECT_TRUE(WaitFor([] { return TheInputHook().HeldElsewhere(41); }));
    EXPECT_FALSE(TheInputHook().HeldElsewhere(40)) << "F7 is neither flagged nor reported";
    EXPECT_FALSE(TheInputHook().HeldElsewhere(44));
    // Key reports take every free combination, so the page learns about all.
    TheInputHook().KeyReports(Main.Handle, true);
    EXPECT_TRUE(WaitFor([] { return TheInputHook().HeldElsewhere(40); }));
    EXPECT_FALSE(TheInputHook().HeldElsewhere(82));
    TheInputHook().KeyReports(Main.Handle, false);
    testing::internal::GetCapturedStderr();
    XCloseDisplay(other);
}

TEST(MemoryInputHook, RoutesPressesByTheBlockWithoutADisplay) {
    SharedHookBlock block{};
    HookBlock = &block;
    auto* hook = new TMemoryInputHook;
    TServiceScope<TInputHook> scope{std::unique_ptr<TInputHook>(hook)};
    TRecorder main, dialog;
    InitHookBlock(main.Handle, 44);
    EXPECT_FALSE(hook->Press(44)) << "no keyboard hook yet";
    InstallHooks();
    EXPECT_NE(block.KeyboardHook, 0u);
    EXPECT_NE(block.MouseHook, 0u);
    hook->Held[42] = true;
    EXPECT_TRUE(TheInputHook().HeldElsewhere(42));
    for (int index : {44, -1, HotKeyCount}) EXPECT_FALSE(TheInputHook().HeldElsewhere(index));
    EXPECT_TRUE(hook->Press(44));
    EXPECT_FALSE(hook->Press(42)) << "not flagged";
    TheInputHook().KeyReports(dialog.Handle, true);
    EXPECT_TRUE(hook->Press(82));
    TheInputHook().KeyReports(dialog.Handle, false);
    EXPECT_FALSE(hook->Press(82));
    EXPECT_EQ(HookRead(block.KeyReportWindow), dialog.Handle);
    RemoveHooks();
    EXPECT_FALSE(hook->KeyboardOn || hook->MouseOn);
    EXPECT_FALSE(hook->Press(44));
    Settle();
    EXPECT_EQ(main.Got, (std::vector<TMessage>{{hmHotKey, 44, 0}}));
    EXPECT_EQ(dialog.Got, (std::vector<TMessage>{{hmKeyReport, 82, 0}}));
    HookBlock = nullptr;
}
