#include "ImagingSupport.h"

#include <random>

#include "TestSupport.h"

TDecoded PillowDecode(const std::string& fileName, const std::string& mode) {
    TTempDir dir;
    const std::string out = dir.File("pixels");
    std::vector<std::string> argv{"/usr/bin/python3", SNAPRIO_SOURCE_DIR "/tests/imaging/decode.py",
                                  fileName, out};
    if (!mode.empty()) argv.push_back(mode);
    TDecoded d;
    if (RunCommand(argv) != 0) return d;
    const std::string all = ReadFile(out);
    const size_t nl = all.find('\n');
    char m[8] = {};
    std::sscanf(all.substr(0, nl).c_str(), "%7s %d %d", m, &d.Width, &d.Height);
    d.Mode = m;
    d.Pixels.assign(all.begin() + static_cast<long>(nl) + 1, all.end());
    const std::string pal = ReadFile(out + ".pal");
    d.Palette.assign(pal.begin(), pal.end());
    return d;
}

std::vector<uint8_t> RgbBytes(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    std::vector<uint8_t> out;
    for (int y = 0; y < rgb.height(); ++y)
        out.insert(out.end(), rgb.constScanLine(y), rgb.constScanLine(y) + rgb.width() * 3);
    return out;
}

QImage RandomImage(int w, int h, QImage::Format format, uint32_t seed) {
    std::mt19937 rng(seed);
    QImage img(w, h, format);
    if (format == QImage::Format_Indexed8) {
        QList<QRgb> table;
        for (int i = 0; i < 256; ++i) table.push_back(qRgb(rng() & 255, rng() & 255, rng() & 255));
        img.setColorTable(table);
    }
    for (int y = 0; y < h; ++y) {
        uchar* line = img.scanLine(y);
        for (qsizetype i = 0; i < img.bytesPerLine(); ++i) line[i] = static_cast<uchar>(rng());
    }
    return img;
}
