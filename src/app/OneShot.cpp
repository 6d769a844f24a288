#include "app/OneShot.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <unistd.h>

#include "app/Capture.h"
#include "config/CaptureItems.h"
#include "config/Configs.h"
#include "imaging/ImageFiles.h"
#include "platform/Display.h"

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
    if (ImageFileTypeOf(file) == TImageFileType::Unknown) {
        std::fprintf(stderr, "snaprio: %s: Unknown file type selected. Use .BMP, .GIF or .JPG.\n",
                     file);
        return 2;
    }
    TDisplay& display = TheDisplay();
    if (!display.Available()) {
        std::fprintf(stderr,
                     "snaprio: cannot open the X display; --capture needs an X11 session\n");
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300)); // as the resident program waits
    TGrab grab = GrabItem(item, display);
    if (grab.Picture.isNull()) {
        std::fprintf(stderr, "snaprio: %s\n", GrabFailureText(grab.Failure).toUtf8().constData());
        return 1;
    }
    try {
        SaveImageFile(grab.Picture, file);
    } catch (const EImageError& e) {
        std::fprintf(stderr, "snaprio: %s\n", e.what());
        return 1;
    }
    return 0;
}
