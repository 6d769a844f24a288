// --capture as a program of its own, without Qt: the screen's rows go from
// the server to the file a strip at a time, with no picture in memory.
#pragma once

// Grabs the screen, the foreground window or its client area after the same
// 0.3 s pause as the resident program, and writes FILE by its extension with
// the save actions' writers. 0 on success, 2 for a bad command line or file
// type, 1 for a failure (nothing written).
int CaptureCommand(const char* what, const char* file);

// The command line "--capture WHAT FILE": its exit status.
int CaptureMain(int argc, char** argv);
