#include "cli/capture/CaptureCommand.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>

#include "cli/front/Usage.h"
#include "imaging/core/ImageConvert.h"
#include "imaging/core/PartFiles.h"
#include "platform/types/GrabFailure.h"
#include "platform/x11/screen/ScreenSession.h"
#include "shapes/CaptureItems.h"

namespace {
// A bitmap file is written as it is read, a strip of about 1 MB at a time
// (the server held meanwhile); PNG rows are read the same way, only copied
// until all are in, then compressed. GIF and JPEG code far longer than the
// server may be held: their rows come from one grab of the whole rectangle.
constexpr int BmpStripBytes = 1 << 20;

// The resident program's 0.3 s before a grab, on the monotonic clock: a
// change of the time of day cannot stretch it, nor can a signal shorten it.
void PauseBeforeTheGrab() {
    timespec until{};
    clock_gettime(CLOCK_MONOTONIC, &until);
    until.tv_nsec += 300'000'000;
    if (until.tv_nsec >= 1'000'000'000) {
        until.tv_nsec -= 1'000'000'000;
        ++until.tv_sec;
    }
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
    }
}

} // namespace

int CaptureCommand(const char* what, const char* file) {
    const std::string name = what;
    const int item = name == "screen"   ? ciScreen
                     : name == "window" ? ciWindow
                     : name == "client" ? ciClient
                                        : -1;
    if (item < 0) {
        std::fprintf(stderr, "snaprio: --capture takes screen, window or client, not '%s'\n", what);
        return 2;
    }
    const TImageFileType type = ImageFileTypeOf(file);
    if (type == TImageFileType::Unknown) {
        std::fprintf(stderr,
                     "snaprio: %s: Unknown file type selected. Use .BMP, .GIF, .JPG or .PNG.\n",
                     file);
        return 2;
    }
    const std::unique_ptr<TScreenSession> screen = TScreenSession::Open();
    if (!screen) {
        std::fprintf(stderr,
                     "snaprio: cannot open the X display; --capture needs an X11 session\n");
        return 1;
    }
    PauseBeforeTheGrab();
    const TRect r = item == ciScreen ? TRect{0, 0, screen->Width(), screen->Height()}
                                     : screen->Foreground(item == ciWindow);
    if (r.Empty()) {
        std::fprintf(stderr, "snaprio: %s\n",
                     GrabFailureText(EmptyGrabFailure(item != ciScreen, r == TRect{})));
        return 1;
    }
    try {
        const int strip = type == TImageFileType::Bmp || type == TImageFileType::Png
                              ? std::max(1, BmpStripBytes / (r.Width() * 4))
                              : r.Height();
        WriteImageFile(*screen->Rows(r, strip), file, type);
    } catch (const EImageError& e) {
        std::fprintf(stderr, "snaprio: %s\n", e.what());
        return 1;
    }
    return 0;
}

int CaptureMain(int argc, char** argv) {
    std::signal(SIGXFSZ, SIG_IGN); // a file size limit fails the write, and the save says so
    RemovePartFilesOnSignals();
    if (argc != 4) {
        std::fprintf(stderr, "snaprio: --capture takes what and FILE\n%s", Usage.c_str());
        return 2;
    }
    return CaptureCommand(argv[2], argv[3]);
}
