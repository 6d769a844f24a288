// The keeper: after the program has ended, it serves the picture the program
// still owned on the CLIPBOARD until another client takes the clipboard, then
// ends. Without Qt, so that it costs little while it waits.
#pragma once

#include <X11/Xlib.h>

// Serves the targets in the file open as Data (KeptTargets.h), taking the
// clipboard from Program's window only while that window still owns it;
// "owned\n" on Word once it owns it. The exit status: 0 once the clipboard
// has gone to another client, 1 when it never owned it.
int RunClipKeeper(Window program, int data, int word);
