// The command line's front. It answers --help, --version and --convert itself
// with the picture files alone: no Qt, no X connection, none of the desktop
// program's libraries loaded. --mail goes to the Qt-free mail program beside
// it, --capture to the Qt-free capture program (in a Wayland session to the
// Wayland one: there DISPLAY may name Xwayland, whose grab is refused), every
// other command line to the desktop program; each takes this
// process's place (exec), so its process id, signals and exit status are the
// ones the caller sees.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <unistd.h>

#include "cli/front/PlainCommand.h"
#include "platform/types/SessionKind.h"

namespace {

std::string OwnFolder(const char* argv0) {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    std::string self = n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string(argv0);
    const size_t slash = self.rfind('/');
    return slash == std::string::npos ? "." : self.substr(0, slash);
}

// The capture program for the session the environment tells, or for the
// family SNAPRIO_PLATFORM picks by hand.
const char* CaptureProgram() {
    const char* requested = std::getenv("SNAPRIO_PLATFORM");
    const std::string_view family = requested ? requested : "";
    if (family == "x11") return "/snaprio-capture";
    if (family == "wayland") return "/snaprio-wlcapture";
    const TSessionKind session =
        SessionKindOf(std::getenv("QT_QPA_PLATFORM"), std::getenv("XDG_SESSION_TYPE"),
                      std::getenv("WAYLAND_DISPLAY"), std::getenv("DISPLAY"));
    return session == TSessionKind::Wayland ? "/snaprio-wlcapture" : "/snaprio-capture";
}

} // namespace

int main(int argc, char** argv) {
    const int plain = PlainCommand(argc, argv);
    if (plain >= 0) return plain;
    const std::string_view arg = argc > 1 ? argv[1] : "";
    const std::string next = OwnFolder(argv[0]) + (arg == "--mail"      ? "/snaprio-mail"
                                                   : arg == "--capture" ? CaptureProgram()
                                                                        : "/snaprio-desktop");
    execv(next.c_str(), argv);
    std::fprintf(stderr, "snaprio: cannot start %s: %s\n", next.c_str(), std::strerror(errno));
    return 1;
}
