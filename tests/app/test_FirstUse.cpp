// A first start of the real program: the notice, the configuration dialog on
// its Hot Key page, a new hot key that works at once and on the next start.
#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>
#include <csignal>
#include <gtest/gtest.h>
#include <set>

#include "AppSupport.h"
#include "TestSupport.h"
#include "app/MainWin.h"
#include "app/TaskIcon.h"
#include "app/TrayMenu.h"
#include "config/CapDef.h"
#include "settings/Configs.h"
#include "config/Notice.h"

namespace {

struct TWin {
    std::string Id;
    int Width = 0;
};

// The visible windows whose title matches Pattern, with their widths.
std::vector<TWin> Visible(const std::string& pattern) {
    std::string out;
    RunCommand({"xdotool", "search", "--onlyvisible", "--name", pattern}, &out);
    std::vector<TWin> wins;
    for (size_t at = 0, nl; (nl = out.find('\n', at)) != std::string::npos; at = nl + 1) {
        TWin w{out.substr(at, nl - at)};
        std::string geometry;
        RunCommand({"xdotool", "getwindowgeometry", "--shell", w.Id}, &geometry);
        const size_t p = geometry.find("WIDTH=");
        if (p != std::string::npos) w.Width = std::stoi(geometry.substr(p + 6));
        wins.push_back(w);
    }
    return wins;
}

std::string VisibleOfWidth(const std::string& pattern, int width) {
    for (const TWin& w : Visible(pattern))
        if (w.Width == width) return w.Id;
    return {};
}

void XDo(const std::vector<std::string>& args) {
    std::vector<std::string> argv{"xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    RunCommand(argv);
}

// F9 until the main window (480 wide) shows.
bool CaptureScreenByF9() {
    return WaitFor([] {
        XDo({"key", "F9"});
        return !VisibleOfWidth("^Snaprio 2000$", 480).empty();
    });
}

} // namespace

TEST(FirstUse, NoticeThenHotKeyPageThenTheNewKeyWorks) {
    SKIP_UNLESS_X11();
    TTempDir dir;
    const std::string ini = dir.File("SNAPRO.INI");
    const std::vector<std::string> env{"XDG_RUNTIME_DIR=" + dir.Path(), "SNAPRIO_INI=" + ini};
    auto program = std::make_unique<TProcess>(std::vector<std::string>{SNAPRIO_BINARY}, env);

    std::string notice;
    ASSERT_TRUE(WaitFor([&] { return !(notice = VisibleOfWidth("^Snaprio 2000$", 375)).empty(); }))
        << program->Stderr();
    std::string title;
    RunCommand({"xprop", "-id", notice, "_NET_WM_NAME"}, &title);
    EXPECT_NE(title.find("= \"Snaprio 2000\""), std::string::npos) << title;
    // Painted the moment it shows: the header's and text's dark pixels on a
    // light face, not a blank box.
    ASSERT_EQ(RunCommand({"import", "-window", notice, dir.File("notice.png")}), 0);
    const QImage shot(QString::fromStdString(dir.File("notice.png")));
    ASSERT_FALSE(shot.isNull());
    std::set<QRgb> colours;
    for (int y = 0; y < shot.height(); y += 2)
        for (int x = 0; x < shot.width(); x += 2) colours.insert(shot.pixel(x, y));
    EXPECT_GT(colours.size(), 8u);
    EXPECT_GT(qGray(shot.pixel(5, 240)), 150) << "a light dialog face";

    XDo({"windowfocus", "--sync", notice});
    XDo({"key", "Return"});
    std::string dialog;
    ASSERT_TRUE(WaitFor([&] { return !(dialog = VisibleOfWidth("^Configuration", 248)).empty(); }));
    EXPECT_TRUE(Visible("^Snaprio 2000$").empty()) << "the notice is gone";
    // F9 from the list of the Hot Key page, then "&Ok".
    XDo({"windowfocus", "--sync", dialog});
    XDo({"mousemove", "--window", dialog, "60", "270", "click", "1"});
    XDo({"type", "--delay", "50", "f9"});
    XDo({"key", "alt+o"});
    ASSERT_TRUE(WaitFor([] { return Visible("^Configuration").empty(); }));
    const std::string text = ReadFile(ini);
    EXPECT_NE(text.find("Capture Key=42\n"), std::string::npos) << text;
    EXPECT_NE(text.find("First Time=No\n"), std::string::npos);
    EXPECT_TRUE(CaptureScreenByF9()) << "the new key, with no restart";
    program->Signal(SIGTERM);
    EXPECT_EQ(program->Wait(), 0);

    // The next start shows no notice and answers F9 straight away.
    program = std::make_unique<TProcess>(std::vector<std::string>{SNAPRIO_BINARY}, env);
    EXPECT_TRUE(CaptureScreenByF9()) << program->Stderr();
    EXPECT_EQ(VisibleOfWidth("^Snaprio 2000$", 375), "");
    program->Signal(SIGTERM);
    EXPECT_EQ(program->Wait(), 0);
}

TEST(FirstUse, WithoutATrayTheBoxComesAfterTheDialogAndNamesTheChosenKey) {
    SKIP_UNLESS_X11();
    LoadConfigFrom(Config, "/nonexistent/SNAPRO.INI");
    ASSERT_TRUE(Config.FirstTime);
    std::vector<TBox> boxes;
    TServiceScope<TDisplay> display(std::make_unique<TMemoryDisplay>());
    TServiceScope<TUserDialogs> dialogs(std::make_unique<TScriptedDialogs>(&boxes));
    const auto tray = TTaskIcon::TrayAvailable;
    TTaskIcon::TrayAvailable = [] { return false; };
    const int delay = TTrayMenu::NoTrayNoticeDelayMs;
    TTrayMenu::NoTrayNoticeDelayMs = 0; // the wait for a tray is over at once
    {
        TMainWin win;
        const auto box = [&] { return win.findChild<QMessageBox*>("NoTrayNotice"); };
        // Each dialog as it comes: its step runs inside its own modal loop.
        std::vector<bool> boxUnder;
        bool busy = false; // the waits below run timers too
        QTimer answer;
        answer.setInterval(50);
        QObject::connect(&answer, &QTimer::timeout, [&] {
            QWidget* w = QApplication::activeModalWidget();
            if (busy || !w || !w->isVisible()) return;
            busy = true;
            const auto done = qScopeGuard([&] { busy = false; });
            boxUnder.push_back(box() != nullptr);
            if (auto* notice = qobject_cast<TMyNotice*>(w)) notice->CloseButton->click();
            auto* d = qobject_cast<TCaptureDefaults*>(w);
            if (!d) return;
            // Ctrl+F9, clicked in the list.
            QListWidget* list = d->HotSheet->HotKeyList;
            list->scrollToItem(list->item(18));
            const QPoint at =
                list->viewport()->mapToGlobal(list->visualItemRect(list->item(18)).center());
            RunCommand({"xdotool", "mousemove", std::to_string(at.x()), std::to_string(at.y()),
                        "click", "1"});
            EXPECT_TRUE(WaitFor([&] { return d->HotSheet->HotKeyEntry->text() == "Ctrl+F9"; }));
            d->OkButton->click();
        });
        answer.start();
        win.FirstUse();
        answer.stop();
        EXPECT_EQ(boxUnder, (std::vector<bool>{false, false})) << "notice, then dialog";
        ASSERT_TRUE(WaitFor([&] { return box() && box()->isVisible(); }));
        EXPECT_TRUE(box()->text().contains("<b>Ctrl+F9</b>")) << box()->text().toStdString();
        EXPECT_FALSE(box()->text().contains("F11"));
        box()->close();
    }
    TTrayMenu::NoTrayNoticeDelayMs = delay;
    TTaskIcon::TrayAvailable = tray;
}
