// The Hot Key page over the real input hook on the X server, with xdotool
// (XTEST) pressing the keys.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "DialogsSupport.h"
#include "TestSupport.h"
#include "config/CapDef.h"
#include "config/Configs.h"
#include "hook/HookBlock.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace {

class HotKeyX11 : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        Old = SetInputHook(nullptr); // the real hook, over the X server
        InitHookBlock(0x99, Config.CaptureKey);
        InstallHooks();
        ASSERT_NE(HookBlock->KeyboardHook, 0u);
    }
    void TearDown() override {
        RemoveHooks();
        SetInputHook(std::move(Old));
        DialogTest::TearDown();
    }
    std::unique_ptr<TInputHook> Old;
};

} // namespace

TEST_F(HotKeyX11, PressedCombinationIsNamedAndAHeldKeyIsSaidSo) {
    // Another client holds F10.
    Display* other = XOpenDisplay(nullptr);
    ASSERT_NE(other, nullptr);
    const KeyCode f10 = XKeysymToKeycode(other, XK_F10);
    XGrabKey(other, f10, 0, DefaultRootWindow(other), False, GrabModeAsync, GrabModeAsync);
    XSync(other, False);

    TCaptureDefaults d;
    d.StartPage = cpHotKey;
    d.show();
    QApplication::setActiveWindow(&d);
    d.HotKeyEntry->setFocus();
    Settle(); // the hook takes every free combination now
    ASSERT_EQ(HookBlock->KeyReportSwitch, 1);
    ASSERT_EQ(RunCommand({"xdotool", "key", "ctrl+alt+a"}), 0);
    EXPECT_TRUE(WaitFor([&] { return d.HotKeyEntry->text() == "Ctrl+Alt+A"; }))
        << d.HotKeyEntry->text().toStdString();
    EXPECT_EQ(d.HotKeyList->currentRow(), 82);
    EXPECT_EQ(d.HotKeyState->text(), "");

    // F10 could not be taken while the reports were on: the page says so.
    d.HotKeyList->setFocus();
    d.HotKeyList->setCurrentRow(43);
    EXPECT_EQ(d.HotKeyState->text(), "F10 is in use by another program; Snaprio 2000 will take it "
                                     "as soon as it is free.");
    XCloseDisplay(other);
    d.CancelButton->click();
}
