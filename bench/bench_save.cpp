// The resident save in-process: a 4K picture in memory, as a grab leaves it,
// written by the save action's writer. For each picture and file type: the
// best time of a few saves, the page faults of that save, and how much the
// saves added to the peak memory beyond the picture itself.
// usage: bench_save DIR   (prints "picture type ms faults")
#include <cstdio>
#include <string>
#include <sys/resource.h>
#include <sys/time.h>
#include <time.h>

#include "BenchPictures.h"
#include "imaging/qt/ImageFiles.h"

namespace {
double Now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}
rusage Usage() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u;
}
} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_save DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    const std::pair<const char*, QImage> pictures[] = {{"screenshot", ScreenshotPicture()},
                                                       {"photo", PhotoPicture()}};
    const long before = Usage().ru_maxrss;
    for (auto [name, picture] : pictures) {
        for (const char* type : {"JPG", "BMP", "GIF"}) {
            double best = 1e9;
            long faults = 0;
            for (int i = 0; i < 5; ++i) {
                const long f0 = Usage().ru_minflt + Usage().ru_majflt;
                const double t0 = Now();
                SaveImageFile(picture, dir + "/save." + type);
                const double t = Now() - t0;
                if (t < best) {
                    best = t;
                    faults = Usage().ru_minflt + Usage().ru_majflt - f0;
                }
            }
            std::printf("%s %s %.1f %ld\n", name, type, best * 1000, faults);
        }
    }
    std::printf("extra-peak-MB %.1f\n", static_cast<double>(Usage().ru_maxrss - before) / 1024);
    return 0;
}
