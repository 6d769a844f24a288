// The product's name as every window, message and command line shows it.
// Free of Qt, so that the command-line programs share it.
#pragma once

inline constexpr char ProgramTitle[] = "Snaprio 2000";
