// Command line of the resident program and its one-shot modes.
#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "app/Main.h"
#include "cli/capture/CaptureCommand.h"
#include "cli/front/PlainCommand.h"
#include "cli/front/Siblings.h"
#include "cli/front/Usage.h"
#include "cli/mail/MailCommand.h"
#include "platform/RemoteControl.h"
#include "platform/loader/PlatformLoader.h"

int main(int argc, char** argv) {
    const int plain = PlainCommand(argc, argv); // also when this program is started directly
    if (plain >= 0) return plain;
    if (argc > 1) {
        const std::string_view arg = argv[1];
        if (arg == "--mail") return MailCommand(argc, argv);
        if (const TRemoteCommand command = RemoteCommandOf(arg); command != TRemoteCommand::None) {
            if (argc != 2) {
                std::fprintf(stderr, "snaprio: %s takes nothing more\n%s", argv[1], Usage.c_str());
                return 2;
            }
            QCoreApplication app(argc, argv);
            return SendRemoteCommand(command);
        }
        // Started directly, as the front would: the Wayland capture program
        // in a Wayland session, whose Xwayland refuses this one's grab.
        if (arg == "--capture")
            return std::string_view(CaptureProgram()) == "/snaprio-capture"
                       ? CaptureMain(argc, argv)
                       : ExecSibling(CaptureProgram(), argv);
        std::fprintf(stderr, "snaprio: unknown option '%s'\n%s", argv[1], Usage.c_str());
        return 2;
    }
    // The desktop's services are chosen here, once, before Qt starts.
    if (!LoadPlatform()) return 1;
    if (!ThePlatform().Reachable()) {
        if (ThePlatform().Name == "wayland")
            std::fprintf(stderr,
                         "snaprio: no Wayland compositor answers at '%s'; it needs a Wayland "
                         "session (set WAYLAND_DISPLAY)\n",
                         std::getenv("WAYLAND_DISPLAY") ? std::getenv("WAYLAND_DISPLAY") : "");
        else
            std::fprintf(stderr,
                         "snaprio: cannot open the X display '%s'; it needs an X11 session "
                         "(set DISPLAY)\n",
                         std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "");
        return 1;
    }
    // Qt's platform plug-in follows the family: never Wayland under the X11 one.
    setenv("QT_QPA_PLATFORM", ThePlatform().QtPlatform.c_str(), 1);
    return RunProgram(argc, argv);
}
