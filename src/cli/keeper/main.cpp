// snaprio-keeper WINDOW (X11) or snaprio-keeper --wayland MARKER: started by
// the program as it ends, with the picture on stdin; says "owned" on stdout
// once it serves the clipboard.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "platform/wayland/clipboard/WaylandKeeper.h"
#include "platform/x11/selection/ClipKeeper.h"

int main(int argc, char** argv) {
    const bool wayland = argc == 3 && std::strcmp(argv[1], "--wayland") == 0 && *argv[2];
    char* end = nullptr;
    const unsigned long window = argc == 2 ? std::strtoul(argv[1], &end, 0) : 0;
    if (!wayland && (window == 0 || *end)) {
        std::fprintf(stderr,
                     "usage: snaprio-keeper WINDOW | --wayland MARKER (started by snaprio)\n");
        return 2;
    }
    // The program may be gone before it reads the word; the keeper serves on.
    std::signal(SIGPIPE, SIG_IGN);
    if (chdir("/") != 0) return 1;
    // The picture and the word move off the standard descriptors, which
    // lead nowhere from now on.
    const int data = fcntl(0, F_DUPFD_CLOEXEC, 3), word = fcntl(1, F_DUPFD_CLOEXEC, 3);
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (data < 0 || word < 0 || null < 0 || dup2(null, 0) < 0 || dup2(null, 1) < 0) return 1;
    ::close(null);
    return wayland ? RunWaylandKeeper(argv[2], data, word) : RunClipKeeper(window, data, word);
}
