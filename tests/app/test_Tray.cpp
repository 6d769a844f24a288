// The tray icon and its menu inside the test process: a real tray (trayer)
// on the display, the menu read from the widget tree, boxes answered.
#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTimer>
#include <QToolTip>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <optional>
#include <set>
#include <utility>

#include "AppSupport.h"
#include "TestSupport.h"
#include "app/HelpWindow.h"
#include "app/MainWin.h"
#include "app/ProgramValues.h"
#include "app/TaskIcon.h"
#include "app/TrayMenu.h"
#include "config/APageControl.h"
#include "config/AboutBox.h"
#include "config/CapDef.h"
#include "hook/HookBlock.h"
#include "mail/MailPump.h"
#include "mail/ScriptServer.h"
#include "maildlg/MyEMail.h"
#include "platform/InputHook.h"
#include "platform/memory/MemoryInputHook.h"
#include "platform/wayland/WaylandInputHook.h"
#include "settings/Configs.h"

namespace {

class TYesDialogs : public TScriptedDialogs {
public:
    TYesDialogs(std::vector<TBox>* log, TMsgResult answer)
        : TScriptedDialogs(log), Answer(answer) {}
    TMsgResult MessageBox(QWidget* o, const QString& text, const QString& title, TMsgButtons b,
                          TMsgIcon i) override {
        TScriptedDialogs::MessageBox(o, text, title, b, i);
        return Answer;
    }
    TMsgResult Answer;
};

// The centre of the visible window of this program (the icon in the tray).
bool IconCentre(int& x, int& y) {
    const std::string name = QCoreApplication::applicationName().toStdString();
    const auto found = VisibleWindows({"--classname", "^" + name + "$"});
    if (found.empty()) return false;
    x = found[0][0] + found[0][2] / 2;
    y = found[0][1] + found[0][3] / 2;
    return true;
}

class Tray : public TMemoryDesktopTest {
protected:
    void SetUp() override {
        TMemoryDesktopTest::SetUp();
        ProgramDir = QString::fromUtf8(SNAPRIO_BINARY).section('/', 0, -2);
    }
    void TearDown() override {
        Win.reset();
        TMemoryDesktopTest::TearDown();
    }
    std::unique_ptr<TMainWin> Win;
};

// Captions in order; "-" a separator.
std::vector<std::pair<QString, QString>> MenuOf(QMenu* menu) {
    std::vector<std::pair<QString, QString>> out;
    for (QAction* a : menu->actions())
        out.emplace_back(a->objectName(), a->isSeparator() ? "-" : a->text());
    return out;
}

} // namespace

TEST_F(Tray, IconShowsInARealTrayAndTheRightClickMenuHasItsEntriesInOrder) {
    SKIP_UNLESS_X11();
    auto trayer = StartTrayer(true);
    ASSERT_TRUE(WaitFor([] { return TTaskIcon::TrayAvailable(); })) << "trayer did not start";
    // The capture key is held by another program: the icon's first words say so.
    auto owned = std::make_unique<TMemoryInputHook>();
    owned->Held[44] = true;
    std::optional<TServiceScope<TInputHook>> held;
    held.emplace(std::move(owned));
    Win = std::make_unique<TMainWin>();
    TTaskIcon* icon = Win->Tray->TaskIcon1;
    EXPECT_TRUE(icon->Active());
    EXPECT_EQ(icon->ToolTip(), "Snaprio 2000");
    EXPECT_EQ(icon->TaskIconID(), 0);
    QWidget* balloon = nullptr;
    EXPECT_TRUE(WaitFor([&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && QString(w->metaObject()->className()) == "QBalloonTip")
                for (QLabel* l : w->findChildren<QLabel*>())
                    if (l->text().contains("The hot key F11 is taken by another program"))
                        balloon = w;
        return balloon != nullptr;
    })) << "no tray message about the held key";
    if (balloon) balloon->hide(); // it covers the icon
    held.reset();
    int x = 0, y = 0;
    ASSERT_TRUE(WaitFor([&] { return IconCentre(x, y); })) << "no icon window in the tray";

    RunCommand({"xdotool", "mousemove", std::to_string(x), std::to_string(y)});
    EXPECT_TRUE(WaitFor([] { return QToolTip::isVisible() && QToolTip::text() == "Snaprio 2000"; }))
        << QToolTip::text().toStdString();

    // A left click does nothing; a right click brings the menu.
    RunCommand({"xdotool", "click", "1"});
    QApplication::processEvents();
    EXPECT_FALSE(Win->Tray->MyPopUp->isVisible());
    EXPECT_FALSE(Win->isVisible());
    RunCommand({"xdotool", "click", "3"});
    ASSERT_TRUE(WaitFor([&] { return Win->Tray->MyPopUp->isVisible(); }));
    const std::vector<std::pair<QString, QString>> expected = {
        {"CaptureImage1", "Capt&ure Image"},
        {"OpenImage1", "&Open Image"},
        {"Configure1", "&Configure"},
        {"Tools1", "Too&ls"},
        {"Help1", "&Help"},
        {"About1", "&About"},
        {"", "-"},
        {"HomePage1", "Snaprio 2000 &Home Page"},
        {"", "-"},
        {"PopTerm", "&Terminate Snaprio 2000"},
    };
    EXPECT_EQ(MenuOf(Win->Tray->MyPopUp), expected);
    const std::vector<std::pair<QString, QString>> tools = {
        {"RestoreHooks1", "&Restore Keyboard and Mouse Hooks"}};
    EXPECT_EQ(MenuOf(Win->Tray->Tools1->menu()), tools);
    Win->Tray->MyPopUp->hide();
}

TEST_F(Tray, ConfigureOpensTheWhatCapturePageUnlessTheDialogIsOpen) {
    Win = std::make_unique<TMainWin>();
    {
        TRecordingHost host;
        TTrayMenu tray(Win.get(), host);
        EXPECT_TRUE(tray.Configure1->isEnabled());
        tray.Configure1->trigger();
        EXPECT_EQ(host.Pages, std::vector<TConfigPage>{cpWhatCapture});
        EXPECT_TRUE(tray.OpenImage1->isEnabled());
    }
    // The main window as the host: the entry opens no second dialog.
    QString page;
    bool second = false;
    QTimer::singleShot(0, [&] { // in the dialog's own loop
        auto* first = qobject_cast<TCaptureDefaults*>(QApplication::activeModalWidget());
        ASSERT_NE(first, nullptr);
        page = first->MyPage->currentWidget()->objectName();
        QTimer::singleShot(0, first, [&, first] { // in a second dialog's loop, if one came
            if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != first) {
                second = true;
                modal->close();
            }
        });
        Win->Tray->Configure1->trigger();
        first->reject();
    });
    Win->Tray->Configure1->trigger(); // modal until the timer closes it
    EXPECT_EQ(page, "CapSheet");
    EXPECT_FALSE(second);
    EXPECT_FALSE(TCaptureDefaults::IsOpen());
}

TEST_F(Tray, AboutOpensTheAboutBox) {
    Win = std::make_unique<TMainWin>();
    emit Win->Tray->MyPopUp->aboutToShow();
    ASSERT_TRUE(Win->Tray->About1->isEnabled());
    QString shown;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            shown = box->metaObject()->className();
            box->reject();
        }
    });
    closer.start(50);
    Win->Tray->About1->trigger(); // modal until the timer closes it
    EXPECT_EQ(shown, "TAboutBox");
}

TEST_F(Tray, WhileADialogIsOpenTheRightClickBringsTheMenuAndNoSecondCopy) {
    SKIP_UNLESS_X11();
    auto trayer = StartTrayer(true);
    ASSERT_TRUE(WaitFor([] { return TTaskIcon::TrayAvailable(); })) << "trayer did not start";
    Win = std::make_unique<TMainWin>();
    int x = 0, y = 0;
    ASSERT_TRUE(WaitFor([&] { return IconCentre(x, y); })) << "no icon window in the tray";
    bool menuCame = false;
    int aboutBoxes = 0;
    QTimer::singleShot(0, [&] { // in the about box's own loop
        auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!box) return;
        // Clicked again until it comes: the tray may not have embedded the icon yet.
        menuCame = WaitFor([&] {
            if (!Win->Tray->MyPopUp->isVisible())
                RunCommand(
                    {"xdotool", "mousemove", std::to_string(x), std::to_string(y), "click", "3"});
            return WaitFor([&] { return Win->Tray->MyPopUp->isVisible(); },
                           std::chrono::milliseconds(500));
        });
        Win->Tray->About1->trigger(); // the box is open: nothing
        aboutBoxes = int(Win->findChildren<TAboutBox*>().size());
        Win->Tray->MyPopUp->hide();
        box->reject();
    });
    Win->Tray->About1->trigger(); // modal until the timer closes it
    EXPECT_TRUE(menuCame);
    EXPECT_EQ(aboutBoxes, 1);
    EXPECT_FALSE(TAboutBox::IsOpen());
}

TEST_F(Tray, TerminateDuringASendCancelsItClosesTheDialogAndSavesItsSettings) {
    TScriptServer silent([](TConn& c) { c.WaitForClose(); }); // never greets
    Config.SMTPHost = "127.0.0.1:" + std::to_string(silent.Port());
    Config.EMailAddress = "ann@example.org";
    auto oldPump = SetMailPump([] { QCoreApplication::processEvents(); });
    TTempDir dir;
    WriteFile(getenv("SNAPRIO_INI"), "");
    Win = std::make_unique<TMainWin>();
    bool terminated = false;
    QTimer::singleShot(0, [&] { // in the dialog's own loop
        auto* d = qobject_cast<TDoTheEmail*>(QApplication::activeModalWidget());
        if (!d) return;
        d->ImageName->setText("kept.gif");
        d->ToAddress->setText("bob@example.net");
        // While the client waits for the greeting (40 s at most).
        QTimer::singleShot(300, [&] {
            terminated = true;
            Win->Tray->PopTerm->trigger();
        });
        d->SendIt->click();
    });
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::darkBlue);
    EXPECT_FALSE(ShowEMailDialog(picture, Win.get(), QString::fromStdString(dir.Path()), {}));
    EXPECT_TRUE(terminated);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_NE(ReadFile(getenv("SNAPRIO_INI")).find("EMail File=kept.gif"), std::string::npos)
        << "the dialog closed before the settings were saved";
    SetMailPump(std::move(oldPump));
}

TEST_F(Tray, OpenImageWhileItsDialogIsOpenDoesNothing) {
    // The file dialog answers by asking for a second one, as the tray's entry
    // would while the first is open.
    class TNestedOpen : public TScriptedDialogs {
    public:
        using TScriptedDialogs::TScriptedDialogs;
        QString OpenDialog(QWidget* owner, const TFileDialogSetup& setup) override {
            if (Again) std::exchange(Again, nullptr)->trigger();
            return TScriptedDialogs::OpenDialog(owner, setup);
        }
        QAction* Again = nullptr;
    };
    auto dialogs = std::make_unique<TNestedOpen>(&Boxes);
    TNestedOpen* nested = dialogs.get();
    TServiceScope<TUserDialogs> scope(std::move(dialogs));
    Win = std::make_unique<TMainWin>();
    nested->Again = Win->Tray->OpenImage1;
    Win->Tray->OpenImage1->trigger();
    EXPECT_EQ(nested->FileDialogs.size(), 1u);
    Win->Tray->OpenImage1->trigger(); // closed again: it opens
    EXPECT_EQ(nested->FileDialogs.size(), 2u);
}

TEST_F(Tray, ToolTipIsCutAndActiveChangesOnlyWithATray) {
    SKIP_UNLESS_X11(); // Qt shows a real tray icon only on X11
    TTaskIcon icon;
    for (auto [length, kept] : {std::pair{10, 10}, {63, 63}, {64, 63}, {200, 63}}) {
        icon.SetToolTip(QString(length, 'x'));
        EXPECT_EQ(icon.ToolTip().size(), kept) << length;
    }
    const auto real = TTaskIcon::TrayAvailable;
    int asked = 0;
    for (bool tray : {false, true}) {
        TTaskIcon::TrayAvailable = [&] { return ++asked, tray; };
        icon.SetActive(true);
        EXPECT_EQ(icon.Active(), tray);
    }
    icon.SetActive(true); // the same value again: the tray is not asked
    EXPECT_EQ(asked, 2);
    icon.SetActive(false);
    EXPECT_FALSE(icon.Active());
    TTaskIcon::TrayAvailable = real;
}

TEST_F(Tray, RestoreHooksAsksWithTheWholeTextAndYesTakesTheHooksAgain) {
    const QString text =
        "It is possible for other programs which are run after Snaprio 2000 to improperly "
        "install themselves into the system wide Windows keyboard and mouse hooks. If the "
        "keyboard hooks are fouled up, Snaprio 2000 will no longer be able to monitor keystrokes "
        "and capture activation Hot Key will no longer work. In the event that the mouse hooks "
        "are fouled up, Snaprio 2000 will no longer be able to capture areas and shapes using "
        "the mouse.  This option will reinstall the Windows keyboard and mouse hooks used by "
        "Snaprio 2000 so that Snaprio 2000 will have the first look at the keystrokes and mouse "
        "and will be able to monitor the keystrokes and mouse again.  Continue?";
    SharedHookBlock block{};
    HookBlock = &block;
    auto* hook = new TMemoryInputHook;
    TServiceScope<TInputHook> scope{std::unique_ptr<TInputHook>(hook)};
    Win = std::make_unique<TMainWin>();
    for (TMsgResult answer : {TMsgResult::No, TMsgResult::Yes}) {
        Boxes.clear();
        TServiceScope<TUserDialogs> dialogs(std::make_unique<TYesDialogs>(&Boxes, answer));
        RemoveHooks(); // as if another program had taken them
        Win->Tray->RestoreHooks1->trigger();
        ASSERT_EQ(Boxes.size(), 1u);
        EXPECT_EQ(Boxes[0].Title, "Keyboard and Mouse Hooks");
        EXPECT_EQ(Boxes[0].Text, text);
        const bool yes = answer == TMsgResult::Yes;
        EXPECT_EQ(hook->KeyboardOn, yes);
        EXPECT_EQ(hook->MouseOn, yes);
    }
    Win.reset();
    HookBlock = nullptr;
}

TEST_F(Tray, HelpOpensOnItsContentsAndEveryLinkLands) {
    Win = std::make_unique<TMainWin>();
    Win->Tray->Help1->trigger();
    THelpWindow* help = Win->Tray->HelpWindow();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->windowTitle(), "Snaprio 2000 Help");
    EXPECT_EQ(help->source().fileName(), "SNAPRO.HLP");
    EXPECT_EQ(help->verticalScrollBar()->value(), 0);
    EXPECT_EQ(help->document()->firstBlock().text(), "Snaprio 2000 Help");

    // Every link of the file names a place in it, and following it moves there.
    std::vector<QString> hrefs;
    std::set<QString> names;
    for (QTextBlock b = help->document()->begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            if (!f.anchorHref().isEmpty()) hrefs.push_back(f.anchorHref());
            for (const QString& n : f.anchorNames()) names.insert(n);
        }
    ASSERT_GE(hrefs.size(), 9u);
    for (const QString& href : hrefs) {
        ASSERT_TRUE(href.startsWith('#')) << href.toStdString();
        EXPECT_TRUE(names.count(href.mid(1))) << href.toStdString();
    }
    help->setSource(QUrl("#trouble"));
    QApplication::processEvents();
    EXPECT_GT(help->verticalScrollBar()->value(), 0);
    EXPECT_EQ(help->source().fragment(), "trouble");

    // Asked again, the one window comes forward.
    Win->Tray->Help1->trigger();
    EXPECT_EQ(Win->Tray->HelpWindow(), help);
    help->close();
}

TEST_F(Tray, HomePageShowsItsPlaceInTheHelpWindowWithoutTheDesktop) {
    TUrlLog log;
    for (const char* scheme : {"file", "http", "https"})
        QDesktopServices::setUrlHandler(scheme, &log, "Open");
    Win = std::make_unique<TMainWin>();
    // Closed, and open on its contents: the home page comes up in the one window.
    for (bool helpOpen : {false, true}) {
        if (helpOpen) Win->Tray->Help1->trigger();
        THelpWindow* before = Win->Tray->HelpWindow();
        Win->Tray->HomePage1->trigger();
        THelpWindow* help = Win->Tray->HelpWindow();
        ASSERT_NE(help, nullptr);
        if (helpOpen) {
            EXPECT_EQ(help, before);
        }
        EXPECT_TRUE(WaitFor([&] { return help->verticalScrollBar()->value() > 0; }));
        EXPECT_TRUE(help->isVisible());
        EXPECT_EQ(help->source().fileName(), "SNAPRO.HLP");
        EXPECT_EQ(help->source().fragment(), "home-page");
        help->close();
        QApplication::processEvents();
    }
    for (const char* scheme : {"file", "http", "https"}) QDesktopServices::unsetUrlHandler(scheme);
    EXPECT_TRUE(log.Urls.empty()) << "the desktop was asked to open "
                                  << log.Urls[0].toString().toStdString();
    EXPECT_NE(ReadFile(HelpFilePath().toStdString()).find("<a name=\"home-page\">"),
              std::string::npos);
}

TEST_F(Tray, WithoutATrayAFirstRunSaysOnceHowToReachTheProgram) {
    const auto real = TTaskIcon::TrayAvailable;
    TTaskIcon::TrayAvailable = [] { return false; };
    const int delay = TTrayMenu::NoTrayNoticeDelayMs;
    TTrayMenu::NoTrayNoticeDelayMs = 0;
    for (bool firstRun : {false, true}) {
        Config.FirstTime = firstRun;
        Win = std::make_unique<TMainWin>();
        QMessageBox* notice = nullptr;
        WaitFor(
            [&] {
                notice = Win->findChild<QMessageBox*>("NoTrayNotice");
                return notice != nullptr;
            },
            std::chrono::milliseconds(500));
        ASSERT_EQ(notice != nullptr, firstRun);
        if (notice) {
            EXPECT_EQ(notice->windowTitle(), "No Notification Area");
            for (const char* part :
                 {"F11", "snaprio --show", "snaprio --configure", "snaprio --quit"})
                EXPECT_TRUE(notice->text().contains(part)) << part;
            EXPECT_FALSE(notice->isModal());
            notice->close();
        }
        EXPECT_FALSE(Win->Tray->TaskIcon1->Active());
        Win.reset();
    }
    // Where the desktop binds the key, the box says how, the line as it is to be copied.
    {
        TServiceScope<TInputHook> hook(
            std::make_unique<TWaylandInputHook>(TWaylandDesktop::Sway, [] { return false; }));
        Win = std::make_unique<TMainWin>();
        QMessageBox* notice = nullptr;
        ASSERT_TRUE(
            WaitFor([&] { return (notice = Win->findChild<QMessageBox*>("NoTrayNotice")); }));
        EXPECT_TRUE(notice->text().contains(
            "<br><code>bindsym F11 exec snaprio --show</code></p><p>To capture, or use:"))
            << notice->text().toStdString();
        Win.reset();
    }
    TTrayMenu::NoTrayNoticeDelayMs = delay;
    TTaskIcon::TrayAvailable = real;
}
