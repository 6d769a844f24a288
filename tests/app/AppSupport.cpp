#include "AppSupport.h"

#include <cstring>
#include <sstream>

#include "TestSupport.h"

TFakeDisplay::TFakeDisplay() : Screen(640, 480, QImage::Format_RGB32) {
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) Screen.setPixel(x, y, qRgb(x % 256, y % 256, (x + y) % 256));
}

QImage TFakeDisplay::Grab(const TRect& r) {
    if (r.Empty()) return QImage();
    QImage out(r.Width(), r.Height(), QImage::Format_RGB32);
    out.fill(Qt::black);
    for (int y = 0; y < r.Height(); ++y)
        for (int x = 0; x < r.Width(); ++x)
            if (Screen.valid(r.Left + x, r.Top + y))
                out.setPixel(x, y, Screen.pixel(r.Left + x, r.Top + y));
    return out;
}

void TFakeDisplay::Invert(const QImage& mask, QPoint at) {
    for (int y = 0; y < mask.height(); ++y)
        for (int x = 0; x < mask.width(); ++x)
            if (mask.constScanLine(y)[x] && Screen.valid(at.x() + x, at.y() + y)) {
                QRgb* p = reinterpret_cast<QRgb*>(Screen.scanLine(at.y() + y)) + at.x() + x;
                *p ^= 0x00FFFFFF;
            }
}

void TFakeDisplay::Put(const QImage& picture, QPoint at) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x)
            if (Screen.valid(at.x() + x, at.y() + y))
                Screen.setPixel(at.x() + x, at.y() + y, rgb.pixel(x, y));
}

std::vector<std::array<int, 4>> VisibleWindows(const std::vector<std::string>& args) {
    std::vector<std::string> argv{"xdotool", "search", "--onlyvisible"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::string ids;
    RunCommand(argv, &ids);
    std::vector<std::array<int, 4>> out;
    std::istringstream in(ids);
    for (std::string id; std::getline(in, id);) {
        std::string g;
        RunCommand({"xdotool", "getwindowgeometry", "--shell", id}, &g);
        std::array<int, 4> v{};
        const char* keys[] = {"X=", "Y=", "WIDTH=", "HEIGHT="};
        for (int i = 0; i < 4; ++i)
            if (auto at = g.find(std::string("\n") + keys[i]); at != std::string::npos)
                v[i] = std::stoi(g.substr(at + 1 + std::strlen(keys[i])));
        out.push_back(v);
    }
    return out;
}

std::unique_ptr<TProcess> StartTrayer(bool dockType) {
    std::vector<std::string> args{"trayer",      "--edge",   "bottom",  "--align", "right",
                                  "--widthtype", "pixel",    "--width", "200",     "--heighttype",
                                  "pixel",       "--height", "32"};
    if (dockType) args.insert(args.end(), {"--SetDockType", "true"});
    return std::make_unique<TProcess>(args);
}
