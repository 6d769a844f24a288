// The command line's front. It answers --help, --version and --convert itself
// with the picture files alone: no Qt, no X connection, none of the desktop
// program's libraries loaded. Every other command line goes to the desktop
// program beside it, which takes this process's place (exec), so its process
// id, signals and exit status are the ones the caller sees.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <unistd.h>

#include "cli/ConvertCommand.h"
#include "cli/Usage.h"

namespace {

std::string OwnFolder(const char* argv0) {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    std::string self = n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string(argv0);
    const size_t slash = self.rfind('/');
    return slash == std::string::npos ? "." : self.substr(0, slash);
}

} // namespace

int main(int argc, char** argv) {
    // A file size limit fails the write that crosses it (the save says so and
    // leaves the old file) instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    if (argc > 1) {
        const std::string_view arg = argv[1];
        if (arg == "--help" || arg == "-h") {
            std::fputs(Usage, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::printf("Snaprio 2000 %s\n", SNAPRIO_VERSION);
            return 0;
        }
        if (arg == "--convert") {
            if (argc != 4) {
                std::fprintf(stderr, "snaprio: --convert takes IN and OUT\n%s", Usage);
                return 2;
            }
            return ConvertCommand(argv[2], argv[3]);
        }
    }
    const std::string desktop = OwnFolder(argv[0]) + "/snaprio-desktop";
    execv(desktop.c_str(), argv);
    std::fprintf(stderr, "snaprio: cannot start %s: %s\n", desktop.c_str(), std::strerror(errno));
    return 1;
}
