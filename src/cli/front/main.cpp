// The command line's front. It answers --help, --version and --convert itself
// with the picture files alone: no Qt, no X connection, none of the desktop
// program's libraries loaded. --mail goes to the Qt-free mail program beside
// it, --capture to the Qt-free capture program (in a Wayland session to the
// Wayland one: there DISPLAY may name Xwayland, whose grab is refused), every
// other command line to the desktop program; each takes this
// process's place (exec), so its process id, signals and exit status are the
// ones the caller sees.
#include <string_view>

#include "cli/front/PlainCommand.h"
#include "cli/front/Siblings.h"

int main(int argc, char** argv) {
    const int plain = PlainCommand(argc, argv);
    if (plain >= 0) return plain;
    const std::string_view arg = argc > 1 ? argv[1] : "";
    return ExecSibling(arg == "--mail"      ? "/snaprio-mail"
                       : arg == "--capture" ? CaptureProgram()
                                            : "/snaprio-desktop",
                       argv);
}
