// What the capture tests meet in the headless sway session: a window of one
// colour placed by sway, a rootless Xwayland as one of the session's
// clients, and grim's picture of the whole layout.
#pragma once

#include <memory>
#include <string>

#include "TestSupport.h"
#include "platform/wayland/screen/OutputPicture.h"

// A floating window of one colour whose client area sway puts at Client
// (logical), with a title bar and a 3-pixel border; the window in front.
class TSwayWindow {
public:
    TSwayWindow(const std::string& appId, const std::string& colour, const TRect& client);
    bool Ok() const { return FOk; }

private:
    TProcess Peer;
    bool FOk = false;
};

// Xwayland -rootless on a free display from :100 on: its root answers a
// plain read with BadMatch, a shared-memory one with black.
class TRootlessXwayland {
public:
    TRootlessXwayland();
    ~TRootlessXwayland(); // ended so that it removes its socket and lock file
    TRootlessXwayland(const TRootlessXwayland&) = delete;
    TRootlessXwayland& operator=(const TRootlessXwayland&) = delete;
    bool Ok() const { return !Name.empty(); }
    const std::string& Display() const { return Name; }

private:
    std::unique_ptr<TProcess> Server;
    std::string Name;
};

// grim's picture of the whole layout (grim -t ppm: every output at the
// largest scale); Width 0 when grim failed.
TOutputPicture GrimLayout();

// The same layout from grim's pictures of the two outputs, the plain one's
// pixels each repeated 2 x 2: grim's layout picture smooths them instead,
// so it differs at every edge of the plain output's content.
TOutputPicture GrimOutputsComposed();

// A picture file read back (Qt's readers) as 0xffRRGGBB words.
TOutputPicture ReadPicture(const std::string& path);

// Area (logical) of the named output cut from grim's native picture of it.
TOutputPicture GrimCut(const std::string& output, const TRect& outputLogical, const TRect& area);
