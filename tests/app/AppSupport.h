// In-memory stand-ins for the widget tests: a display with a known screen and
// foreground window, and message boxes answered and recorded.
#pragma once

#include <QImage>
#include <QObject>
#include <QUrl>
#include <array>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/CaptureHost.h"
#include "platform/ServiceScope.h"
#include "platform/UserDialogs.h"
#include "platform/memory/MemoryDisplay.h"

struct TBox {
    QString Text, Title;
};

// Boxes recorded and answered from Answers (then No or Ok); file dialogs
// answered from Files (then cancelled) and their set-up recorded; the print
// dialog by Print (none: cancelled).
class TScriptedDialogs : public TUserDialogs {
public:
    explicit TScriptedDialogs(std::vector<TBox>* log) : Log(log) {}
    TMsgResult MessageBox(QWidget*, const QString& text, const QString& title, TMsgButtons buttons,
                          TMsgIcon) override {
        Log->push_back({text, title});
        if (!Answers.empty()) return Next(Answers);
        return buttons == TMsgButtons::YesNo ? TMsgResult::No : TMsgResult::Ok;
    }
    QString SaveDialog(QWidget*, const TFileDialogSetup& setup) override { return File(setup); }
    QString OpenDialog(QWidget*, const TFileDialogSetup& setup) override { return File(setup); }
    bool PrintDialog(QWidget*, QPrinter& printer, int& copies) override {
        ++PrintDialogs;
        return Print && Print(printer, copies);
    }
    bool ColorDialog(QWidget*, QColor& color) override {
        if (Colors.empty()) return false;
        color = Next(Colors);
        return true;
    }

    std::vector<TBox>* Log;
    std::deque<TMsgResult> Answers;
    std::deque<QString> Files;
    std::vector<TFileDialogSetup> FileDialogs;
    std::function<bool(QPrinter&, int&)> Print;
    int PrintDialogs = 0;
    std::deque<QColor> Colors;

private:
    template <class T> static T Next(std::deque<T>& queue) {
        T front = queue.front();
        queue.pop_front();
        return front;
    }
    QString File(const TFileDialogSetup& setup) {
        FileDialogs.push_back(setup);
        return Files.empty() ? QString() : Next(Files);
    }
};

// A test on the memory display with scripted dialogs and default settings
// (no first-use sequence); both services are put back however it ends.
class TMemoryDesktopTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::vector<TBox> Boxes;
    std::optional<TServiceScope<TDisplay>> DisplayScope;
    std::optional<TServiceScope<TUserDialogs>> DialogsScope;
};

// A host in place of the main window: records the configuration pages asked
// for and the send-image dialogs, which answer Sent (false for no picture).
class TRecordingHost : public TCaptureHost {
public:
    void CaptureImage() override {}
    void Configure(TConfigPage page) override { Pages.push_back(page); }
    bool SendImage(QImage& picture) override {
        ++Sends;
        return Sent && !picture.isNull();
    }
    void OpenImage() override {}
    void About() override {}
    void Terminate() override {}

    std::vector<TConfigPage> Pages;
    int Sends = 0;
    bool Sent = false;
};

class TProcess;

// A 200 x 32 tray at the screen's bottom right; DockType makes trayer a dock
// window, which a window manager keeps clear of other windows.
std::unique_ptr<TProcess> StartTrayer(bool dockType = false);

// The visible windows that `xdotool search --onlyvisible ARGS...` finds, each
// as {x, y, width, height} on the screen.
std::vector<std::array<int, 4>> VisibleWindows(const std::vector<std::string>& args);

// What xclip pastes from the CLIPBOARD for Target (the wait pumps this
// process's events, so that it can serve the paste itself).
std::string Paste(const std::string& target);

// Records what the desktop was asked to open (QDesktopServices::setUrlHandler).
class TUrlLog : public QObject {
    Q_OBJECT
public:
    std::vector<QUrl> Urls;
public slots:
    void Open(const QUrl& url) { Urls.push_back(url); }
};
