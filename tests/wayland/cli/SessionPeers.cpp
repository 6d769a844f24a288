#include "SessionPeers.h"

#include <QImage>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <sstream>
#include <thread>

#include "../screen/GrimPicture.h"
#include "platform/wayland/session/ForegroundWindow.h"

namespace {

bool Sway(const std::string& command, std::string* out = nullptr) {
    if (command == "-t get_tree") return RunCommand({"swaymsg", "-t", "get_tree"}, out) == 0;
    return RunCommand({"swaymsg", command}, out) == 0;
}

// Up to 15 s: a loaded CI machine starts a client in seconds.
template <class F> bool WaitUntil(F done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (std::chrono::steady_clock::now() < end) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

} // namespace

TSwayWindow::TSwayWindow(const std::string& appId, const std::string& colour, const TRect& client)
    : Peer({WAYLAND_WINDOW, appId, colour}) {
    const std::string criteria = "[app_id=\"" + appId + "\"] ";
    FOk = WaitUntil([&] {
        std::string tree;
        return Sway("-t get_tree", &tree) &&
               tree.find("\"app_id\": \"" + appId + "\"") != std::string::npos;
    });
    // Placed without its frame, the frame then put around it: the client
    // area stays where it was put. A loaded machine can still be at the
    // tiled size after the first request, so it is repeated until sway has
    // it in front at its place and it has drawn itself there.
    const std::string place =
        criteria + "floating enable, border none, resize set " + std::to_string(client.Width()) +
        " " + std::to_string(client.Height()) + ", move absolute position " +
        std::to_string(client.Left) + " " + std::to_string(client.Top) + ", border normal 3, focus";
    const uint32_t argb = 0xff000000u | uint32_t(std::stoul(colour.substr(1), nullptr, 16));
    int tries = 0;
    std::string seen = "nothing";
    FOk = FOk && WaitUntil([&] {
              if (tries++ % 20 == 0 && !Sway(place)) return false;
              std::string why;
              const auto rects = ForegroundWindow(why);
              if (!rects) {
                  seen = "no window in front: " + why;
                  return false;
              }
              const TRect& r = rects->Client;
              seen = "the client area in front at " + std::to_string(r.Left) + "," +
                     std::to_string(r.Top) + " " + std::to_string(r.Width()) + "x" +
                     std::to_string(r.Height());
              if (r != client) return false;
              // the layout is at scale 2; two points inside the corners
              const TOutputPicture layout = GrimLayout();
              const auto at = [&](int x, int y) {
                  return layout.Pixels[size_t(y) * 2 * layout.Width + size_t(x) * 2];
              };
              if (layout.Width < client.Right * 2 || layout.Height < client.Bottom * 2)
                  return false;
              char colours[64];
              std::snprintf(colours, sizeof colours, ", drawn %08x %08x",
                            at(client.Left + 2, client.Top + 2),
                            at(client.Right - 3, client.Bottom - 3));
              seen += colours;
              return at(client.Left + 2, client.Top + 2) == argb &&
                     at(client.Right - 3, client.Bottom - 3) == argb;
          });
    if (!FOk)
        std::fprintf(stderr,
                     "the window %s did not come up in front at its place (%d requests; %s)\n",
                     appId.c_str(), (tries + 19) / 20, seen.c_str());
}

TRootlessXwayland::TRootlessXwayland() {
    for (int n = 100; n < 200 && Name.empty(); ++n) {
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
        if (FileExists(socket) || FileExists("/tmp/.X" + std::to_string(n) + "-lock")) continue;
        Server = std::make_unique<TProcess>(std::vector<std::string>{
            "Xwayland", ":" + std::to_string(n), "-rootless", "-noreset", "-nolisten", "tcp"});
        if (WaitUntil([&] { return FileExists(socket) || !Server->Running(); }) &&
            Server->Running())
            Name = ":" + std::to_string(n);
    }
}

TRootlessXwayland::~TRootlessXwayland() {
    if (Server && Server->Running()) {
        Server->Signal(SIGTERM);
        Server->Wait();
    }
}

TOutputPicture GrimLayout() {
    std::string ppm;
    if (RunCommand({"grim", "-t", "ppm", "-"}, &ppm) != 0) return {};
    return FromPpm(ppm);
}

TOutputPicture GrimOutputsComposed() {
    const TOutputPicture plain = GrimOutput("HEADLESS-1"), doubled = GrimOutput("HEADLESS-2");
    TOutputPicture layout;
    if (plain.Width == 0 || doubled.Width == 0) return layout;
    layout.Width = plain.Width * 2 + doubled.Width;
    layout.Height = std::max(plain.Height * 2, doubled.Height);
    layout.Pixels.assign(size_t(layout.Width) * layout.Height, 0xff000000u);
    for (int y = 0; y < plain.Height * 2; ++y)
        for (int x = 0; x < plain.Width * 2; ++x)
            layout.Pixels[size_t(y) * layout.Width + x] =
                plain.Pixels[size_t(y / 2) * plain.Width + x / 2];
    for (int y = 0; y < doubled.Height; ++y)
        for (int x = 0; x < doubled.Width; ++x)
            layout.Pixels[size_t(y) * layout.Width + plain.Width * 2 + x] =
                doubled.Pixels[size_t(y) * doubled.Width + x];
    return layout;
}

TOutputPicture ReadPicture(const std::string& path) {
    TOutputPicture picture;
    const QImage image = QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_RGB32);
    if (image.isNull()) return picture;
    picture.Width = image.width();
    picture.Height = image.height();
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(image.constScanLine(y));
        picture.Pixels.insert(picture.Pixels.end(), row, row + image.width());
    }
    return picture;
}

TOutputPicture GrimCut(const std::string& output, const TRect& outputLogical, const TRect& area) {
    const TOutputPicture native = GrimOutput(output);
    TOutputPicture cut;
    if (native.Width == 0) return cut;
    const int scale = native.Width / outputLogical.Width();
    cut.Width = area.Width() * scale;
    cut.Height = area.Height() * scale;
    const int left = (area.Left - outputLogical.Left) * scale;
    const int top = (area.Top - outputLogical.Top) * scale;
    for (int y = 0; y < cut.Height; ++y)
        for (int x = 0; x < cut.Width; ++x)
            cut.Pixels.push_back(native.Pixels[size_t(top + y) * native.Width + left + x]);
    return cut;
}
