// The command line's help text, shown by the front and the desktop program.
#pragma once

#include <string>

#include "product/ProductName.h"

inline const std::string Usage =
    std::string("Usage: snaprio [OPTION]\n") + ProgramTitle +
    ", a resident screen-capture utility for the X11 desktop.\n"
    "Without an option it stays in the background and waits for the capture\n"
    "hot key (F11 unless configured otherwise).\n"
    "\n"
    "  --capture screen|window|client FILE\n"
    "                       grab once and write FILE (.BMP, .GIF, .JPG or .PNG)\n"
    "  --convert IN OUT     read IN (.BMP, .JPG or .PNG) and write OUT (.BMP, .GIF, .JPG\n"
    "                       or .PNG)\n"
    "  --mail ADDRESS FILE [--subject TEXT] [--text TEXT]\n"
    "                       send FILE by e-mail with the configured server and sender\n"
    "  --show               start a capture in the running copy\n"
    "  --configure          open the running copy's configuration dialog\n"
    "  --quit               end the running copy (its settings are saved)\n"
    "  --help               show this help and exit\n"
    "  --version            show the version and exit\n"
    "\n"
    "Settings: $SNAPRIO_INI, else $XDG_CONFIG_HOME/snaprio/SNAPRO.INI\n"
    "(~/.config/snaprio/SNAPRO.INI).\n";
