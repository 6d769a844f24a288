#include "cli/front/Siblings.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <unistd.h>

#include "platform/types/SessionKind.h"

std::string OwnFolder(const char* argv0) {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    std::string self = n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string(argv0);
    const size_t slash = self.rfind('/');
    return slash == std::string::npos ? "." : self.substr(0, slash);
}

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

int ExecSibling(const std::string& name, char** argv) {
    const std::string next = OwnFolder(argv[0]) + name;
    execv(next.c_str(), argv);
    std::fprintf(stderr, "snaprio: cannot start %s: %s\n", next.c_str(), std::strerror(errno));
    return 1;
}
