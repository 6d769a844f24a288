// The one-shot command-line modes, for scripts: each prints nothing on
// success, its error on stderr otherwise, and returns the exit status.
#pragma once

// Sends FILE to ADDRESS as the e-mail dialog would, with the server and sender
// of the settings file. 0 once the server accepted the message, 1 on any
// failure (its text on stderr), 2 for a bad command line.
int MailCommand(int argc, char** argv);

// Grabs the screen, the foreground window or its client area after the same
// 0.3 s pause as the resident program, and writes FILE by its extension.
// 0 on success, 2 for a bad command line or file type, 1 for a failure.
int CaptureCommand(const char* what, const char* file);
