// The Hot Key page over the real input hook on the X server, with xdotool
// (XTEST) pressing the keys.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <optional>

#include "DialogsSupport.h"
#include "TestSupport.h"
#include "X11Support.h"
#include "config/CapDef.h"
#include "settings/Configs.h"
#include "hook/HookBlock.h"
#include "platform/ServiceScope.h"
#include "platform/x11/X11InputHook.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace {

class HotKeyX11 : public DialogTest {
protected:
    void SetUp() override {
        SKIP_UNLESS_X11();
        DialogTest::SetUp();
        X11Hook.emplace(CreateX11InputHook()); // the real hook, over the X server
        InitHookBlock(0x99, Config.CaptureKey);
        InstallHooks();
        ASSERT_NE(HookBlock->KeyboardHook, 0u);
    }
    void TearDown() override {
        RemoveHooks();
        X11Hook.reset();
        DialogTest::TearDown();
    }
    std::optional<TServiceScope<TInputHook>> X11Hook;
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
    d.HotSheet->HotKeyEntry->setFocus();
    Settle(); // the hook takes every free combination now
    ASSERT_EQ(HookBlock->KeyReportSwitch, 1);
    ASSERT_EQ(RunCommand({"xdotool", "key", "ctrl+alt+a"}), 0);
    EXPECT_TRUE(WaitFor([&] { return d.HotSheet->HotKeyEntry->text() == "Ctrl+Alt+A"; }))
        << d.HotSheet->HotKeyEntry->text().toStdString();
    EXPECT_EQ(d.HotSheet->HotKeyList->currentRow(), 82);
    EXPECT_EQ(d.HotSheet->HotKeyState->text(), "");

    // F10 could not be taken while the reports were on: the page says so.
    d.HotSheet->HotKeyList->setFocus();
    d.HotSheet->HotKeyList->setCurrentRow(43);
    EXPECT_EQ(d.HotSheet->HotKeyState->text(),
              "F10 is in use by another program; Snaprio 2000 will take it "
              "as soon as it is free.");
    XCloseDisplay(other);
    d.CancelButton->click();
}

TEST_F(HotKeyX11, AClickedLineIsTheKeyAndOkMovesTheGrab) {
    TCaptureDefaults d;
    d.StartPage = cpHotKey;
    d.show();
    ASSERT_TRUE(WaitFor([&] { return d.HotSheet->HotKeyList->viewport()->isVisible(); }));
    Settle();
    QListWidget* list = d.HotSheet->HotKeyList;
    // Lines above and below the stored F11, clicked where they are on the screen.
    for (auto [row, name] : {std::pair{41, "F8"}, {45, "F12"}, {43, "F10"}, {41, "F8"}}) {
        const QRect before = list->visualItemRect(list->item(row));
        ASSERT_TRUE(list->viewport()->rect().contains(before)) << name;
        const QPoint at = list->viewport()->mapToGlobal(before.center());
        ASSERT_EQ(RunCommand({"xdotool", "mousemove", std::to_string(at.x()),
                              std::to_string(at.y()), "click", "1"}),
                  0);
        Settle();
        EXPECT_EQ(list->currentRow(), row) << name;
        ASSERT_EQ(list->selectedItems().size(), 1) << name;
        EXPECT_EQ(list->selectedItems()[0]->text().toStdString(), name);
        EXPECT_EQ(d.HotSheet->HotKeyEntry->text().toStdString(), name);
        EXPECT_EQ(list->visualItemRect(list->item(row)).top(), before.top())
            << name << " stays under the pointer";
    }
    // Ok: F8 is grabbed, F11 is free for other programs at once.
    EXPECT_TRUE(KeyHeldElsewhere(XK_F11));
    d.OkButton->click();
    EXPECT_EQ(Config.CaptureKey, 41);
    EXPECT_FALSE(KeyHeldElsewhere(XK_F11));
    EXPECT_TRUE(KeyHeldElsewhere(XK_F8));
}
