// The program block of the resident program.
#pragma once

// Named objects, settings, single instance, main window, message loop.
// Returns the process's exit status.
int RunProgram(int argc, char** argv);
