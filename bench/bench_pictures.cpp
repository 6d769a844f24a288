// Writes the benchmark pictures as BMP and PPM files into a folder.
#include <cstdio>
#include <string>

#include "BenchPictures.h"
#include "imaging/qt/BmpFile.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_pictures DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    const std::pair<const char*, QImage> pictures[] = {{"screenshot", ScreenshotPicture()},
                                                       {"photo", PhotoPicture()}};
    for (const auto& [name, img] : pictures) {
        SaveBmpFile(img, dir + "/" + name + ".BMP");
        img.convertToFormat(QImage::Format_RGB888)
            .save(QString::fromStdString(dir + "/" + name + ".ppm"));
    }
    return 0;
}
