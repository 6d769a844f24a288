#include "cli/capture/CaptureRun.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>

#include "cli/front/Usage.h"
#include "imaging/core/ImageConvert.h"
#include "imaging/core/PartFiles.h"
#include "shapes/CaptureItems.h"

namespace {
// A bitmap or PNG file is written as it is read, a strip of about 1 MB at a
// time; GIF and JPEG code far longer than a source should be held, so their
// rows come from one grab of the whole rectangle.
constexpr int StripBytes = 1 << 20;

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

int RunCapture(const char* what, const char* file, TCaptureScreenOpener open) {
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
    std::string why;
    const std::unique_ptr<TCaptureScreen> screen = open(why);
    if (!screen) {
        std::fprintf(stderr, "snaprio: %s\n", why.c_str());
        return 1;
    }
    PauseBeforeTheGrab();
    try {
        const bool strips = type == TImageFileType::Bmp || type == TImageFileType::Png;
        const std::unique_ptr<TRowSource> rows =
            screen->ItemRows(item, strips ? StripBytes : 0, why);
        if (!rows) {
            std::fprintf(stderr, "snaprio: %s\n", why.c_str());
            return 1;
        }
        WriteImageFile(*rows, file, type);
    } catch (const EImageError& e) {
        std::fprintf(stderr, "snaprio: %s\n", e.what());
        return 1;
    }
    return 0;
}

int RunCaptureMain(int argc, char** argv, TCaptureScreenOpener open) {
    std::signal(SIGXFSZ, SIG_IGN); // a file size limit fails the write, and the save says so
    RemovePartFilesOnSignals();
    if (argc != 4) {
        std::fprintf(stderr, "snaprio: --capture takes what and FILE\n%s", Usage.c_str());
        return 2;
    }
    return RunCapture(argv[2], argv[3], open);
}
