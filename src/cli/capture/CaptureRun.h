// The path every capture program takes: the command line's checks, the
// resident program's 0.3 s pause, the writers by the file's type, the
// "Nothing was captured: ..." sentences and the exit status. The screen it
// reads from is the program's own: the X server's (snaprio-capture) or the
// Wayland desktop's (snaprio-wlcapture). No Qt, no Xlib.
#pragma once

#include <memory>
#include <string>

#include "imaging/core/Rows.h"

class TCaptureScreen {
public:
    virtual ~TCaptureScreen() = default;
    // The rows of Item (ciScreen, ciWindow or ciClient) as the screen shows
    // them now. StripBytes: the writer takes the rows in order, so a source
    // may read about that many bytes at a time (0: it wants them all at
    // once). Null with Why, the sentence for the user, when nothing can be
    // captured; a source may also raise EImageError while its rows are read.
    virtual std::unique_ptr<TRowSource> ItemRows(int item, int stripBytes, std::string& why) = 0;
};

// Opens the session's screen; null with Why (said on stderr) when it cannot.
using TCaptureScreenOpener = std::unique_ptr<TCaptureScreen> (*)(std::string& why);

// Captures WHAT ("screen", "window" or "client") after the pause and writes
// FILE by its extension. 0 on success, 2 for a bad command line or file
// type, 1 for a failure (nothing written).
int RunCapture(const char* what, const char* file, TCaptureScreenOpener open);

// The command line "--capture WHAT FILE": its exit status.
int RunCaptureMain(int argc, char** argv, TCaptureScreenOpener open);
