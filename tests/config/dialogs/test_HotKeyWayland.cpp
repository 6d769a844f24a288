// The Hot Key page with the hook of a Wayland session, where the desktop
// binds the key: the page says how, for the key chosen, and the keys pressed
// in its entry are named from the program's own key events.
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

#include "DialogsSupport.h"
#include "config/CapDef.h"
#include "config/HotKeyPage.h"
#include "hook/HookBlock.h"
#include "platform/wayland/WaylandInputHook.h"

namespace {

void Press(QWidget* to, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QKeyEvent e(QEvent::KeyPress, key, mods);
    QApplication::sendEvent(to, &e);
    QApplication::processEvents();
}

} // namespace

using HotKeyWayland = DialogTest;

TEST_F(HotKeyWayland, ThePageSaysHowToBindTheKeyAndNamesTheKeysPressedInIt) {
    TServiceScope<TInputHook> hook(
        std::make_unique<TWaylandInputHook>(TWaylandDesktop::Sway, [] { return false; }));
    InitHookBlock(0x99, 44);
    InstallHooks();
    TCaptureDefaults d;
    d.StartPage = cpHotKey;
    d.show();
    QApplication::processEvents();
    THotKeyPage* page = d.HotSheet;
    QLabel* help = page->findChild<QLabel*>("HotKeyHelp");
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->text().startsWith("In this sway session the hot key is sway's"));
    EXPECT_TRUE(help->text().endsWith("\nbindsym F11 exec snaprio --show"))
        << help->text().toStdString();
    EXPECT_LE(help->heightForWidth(help->width()), help->height()) << "nothing cut off";
    page->HotKeyList->setCurrentRow(20);
    EXPECT_TRUE(help->text().endsWith("\nbindsym Ctrl+F11 exec snaprio --show"));

    QApplication::setActiveWindow(&d);
    page->HotKeyEntry->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(HookBlock->KeyReportSwitch, 1);
    Press(page->HotKeyEntry, Qt::Key_F9);
    EXPECT_EQ(page->HotKeyEntry->text(), "F9");
    Press(page->HotKeyEntry, Qt::Key_A, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(page->HotKeyEntry->text(), "Ctrl+Alt+A");
    EXPECT_EQ(page->HotKeyList->currentRow(), 82);
    EXPECT_TRUE(help->text().endsWith("\nbindsym Ctrl+Alt+a exec snaprio --show"));
    page->HotKeyList->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(HookBlock->KeyReportSwitch, 0);
    Press(page->HotKeyList, Qt::Key_F5);
    EXPECT_EQ(page->HotKeyEntry->text(), "Ctrl+Alt+A") << "no report outside the entry";
    d.reject();
    RemoveHooks();
}
