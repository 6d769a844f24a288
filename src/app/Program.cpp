// The program block: named objects, settings, single instance, main window.
#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <memory>

#include "app/Main.h"
#include "app/MainWin.h"
#include "app/ProgramValues.h"
#include "app/SettingsBox.h"
#include "settings/Configs.h"
#include "hook/HookBlock.h"
#include "maildlg/MyEMail.h"
#include "platform/Clipboard.h"
#include "platform/Display.h"
#include "platform/NamedObjects.h"
#include "settings/Paths.h"
#include "product/ProductName.h"
#include "platform/RemoteControl.h"
#include "platform/UnixSignals.h"
#include "platform/UserDialogs.h"

namespace {

int SystemError(const char* text) {
    std::fprintf(stderr, "snaprio: %s\n", text);
    UserDialogs().MessageBox(nullptr, QString::fromUtf8(text), QStringLiteral("System Error"),
                             TMsgButtons::Ok, TMsgIcon::Error);
    return 1;
}

// Qt paints no window on a palette (8-bit) screen and says so for every
// paint; one line says it instead, and the grab path works all the same.
void QuietOnPaletteScreens() {
    if (TheDisplay().Depth() > 8) return;
    std::fprintf(stderr,
                 "snaprio: the windows cannot be drawn on this %d-bit palette screen; "
                 "the hot key, the capture and --capture work\n",
                 TheDisplay().Depth());
    static QtMessageHandler previous = nullptr;
    previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& text) {
            if (text.startsWith("QPainter::") || text.startsWith("QWidget::paintEngine")) return;
            if (previous) previous(type, context, text);
        });
}

} // namespace

int RunProgram(int argc, char** argv) {
    QApplication app(argc, argv);
    QuietOnPaletteScreens();
    QApplication::setApplicationName("snaprio");
    QApplication::setQuitOnLastWindowClosed(false);
    ProgramDir = FolderOf(QCoreApplication::applicationFilePath());

    TSharedMemory block;
    if (!block.Create(SharedBlockName(), sizeof(SharedHookBlock)))
        return SystemError("Memory Mapped File could not be created.  Program will terminate.");
    if (!block.Map())
        return SystemError("Memory Mapped File could not be mapped.  Program will terminate.");
    if (!CreateNamedMutex(MutexName()))
        return SystemError("Mutex could not be created.  Program will terminate.");

    LoadConfig();
    ShowSettingsFailuresInBoxes();
    InstallMailPump();

    const std::string markerPath = MarkerPath();
    if (markerPath.empty())
        return SystemError((RuntimeDirRefusal() + "  Program will terminate.").c_str());
    if (TInstanceMarker::IsHeld(markerPath)) {
        const QString running = QString(ProgramTitle) + " is already running.";
        std::fprintf(stderr, "%s\n", qPrintable(running));
        UserDialogs().MessageBox(nullptr, running, QString(), TMsgButtons::Ok, TMsgIcon::None);
        return 1;
    }
    TInstanceMarker marker;
    if (marker.Create(markerPath)) {
        // Only now is this the one instance: a block left by a crashed run
        // (shared memory outlives its processes here) starts clean, as a new one.
        std::fill_n(block.Data(), sizeof(SharedHookBlock), uint8_t{0});
    }
    HookBlock = AsHookBlock(block.Data());

    // No application display name: Qt would append it to every window title
    // ("Error — Snaprio 2000"), and each window's caption is exact.

    int status;
    {
        // Catch SIGTERM before the hooks exist: a signal that comes early is
        // handled when the loop starts, the normal way, settings saved.
        TUnixSignals unixSignals;
        TMainWin mainWin;
        QObject::connect(&unixSignals, &TUnixSignals::Terminate, &mainWin, &QWidget::close);
        // The first-use sequence once the loop runs, so that a SIGTERM during
        // the notice ends the program the normal way.
        QMetaObject::invokeMethod(&mainWin, &TMainWin::FirstUse, Qt::QueuedConnection);
        TRemoteServer remote([&mainWin](TRemoteCommand command) {
            switch (command) {
            case TRemoteCommand::Show:
                mainWin.CaptureImage1Click();
                break;
            case TRemoteCommand::Configure:
                mainWin.Configure(cpWhatCapture);
                break;
            case TRemoteCommand::Quit:
                mainWin.close();
                break;
            case TRemoteCommand::None:
                break;
            }
        });
        if (!remote.Listen())
            std::fprintf(stderr,
                         "snaprio: cannot listen at %s; --show, --configure and --quit "
                         "will not reach this copy\n",
                         RemoteSocketPath().c_str());
        status = QApplication::exec();
        TheClipboard().HandOver(ProgramDir);
    }
    HookBlock = nullptr;
    block.Unlink();
    marker.Close();
    return status;
}
