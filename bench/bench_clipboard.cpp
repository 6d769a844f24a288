// Serves a 3840 x 2160 picture on the clipboard the way "Copy To Clipboard"
// does, after writing the same picture as a bitmap file for the peer to serve.
// usage: bench_clipboard BMP_FILE   (prints "ready", serves until killed)
#include <QApplication>
#include <cstdio>

#include "app/ClipboardImage.h"
#include "imaging/qt/BmpFile.h"

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    QApplication app(argc, argv);
    // A desktop-like picture: flat areas, gradients and some detail.
    QImage picture(3840, 2160, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            row[x] = (x / 480 + y / 270) % 3 == 0 ? qRgb(240, 240, 240)
                     : (x / 480 + y / 270) % 3 == 1
                         ? qRgb(x & 255, y & 255, 128)
                         : qRgb((x * y) & 255, (x ^ y) & 255, (x + y) & 255);
    }
    SaveBmpFile(picture, argv[1]);
    CopyToClip(picture);
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}
