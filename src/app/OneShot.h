// The one-shot command-line modes, for scripts: each prints nothing on
// success, its error on stderr otherwise, and returns the exit status.
#pragma once

// Grabs the screen, the foreground window or its client area after the same
// 0.3 s pause as the resident program, and writes FILE by its extension.
// 0 on success, 2 for a bad command line or file type, 1 for a failure.
int CaptureCommand(const char* what, const char* file);
