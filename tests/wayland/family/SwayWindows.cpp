#include "SwayWindows.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <functional>

#include "TestSupport.h"

std::optional<TShown> Window(const std::string& title) {
    std::string out;
    if (RunCommand({"swaymsg", "-r", "-t", "get_tree"}, &out) != 0) return std::nullopt;
    std::optional<TShown> found;
    std::function<void(const QJsonObject&)> walk = [&](const QJsonObject& n) {
        if (n["app_id"].toString() == "snaprio-desktop" &&
            n["name"].toString().toStdString() == title)
            found = TShown{n["type"].toString().toStdString(), n["rect"].toObject(),
                           n["focused"].toBool()};
        for (const char* k : {"nodes", "floating_nodes"})
            for (const QJsonValue& c : n[k].toArray()) walk(c.toObject());
    };
    walk(QJsonDocument::fromJson(QByteArray::fromStdString(out)).object());
    return found;
}

int SwayMsg(const std::string& command) {
    std::string out;
    const int status = RunCommand({"swaymsg", command}, &out);
    return status == 0 && out.find("\"success\": true") != std::string::npos ? 0 : 1;
}

void Type(const std::vector<std::string>& keys) {
    // A new virtual keyboard each time: the first keys are lost without the pause.
    std::vector<std::string> argv{"wtype", "-s", "300"};
    argv.insert(argv.end(), keys.begin(), keys.end());
    RunCommand(argv);
}

QImage Grim(const std::string& output) {
    TTempDir dir;
    if (RunCommand({"grim", "-t", "ppm", "-o", output, dir.File("o.ppm")}) != 0) return {};
    return QImage(QString::fromStdString(dir.File("o.ppm"))).convertToFormat(QImage::Format_RGB32);
}

std::string TrayItem(int pid) {
    std::string items;
    RunCommand({"gdbus", "call", "--session", "--dest", "org.kde.StatusNotifierWatcher",
                "--object-path", "/StatusNotifierWatcher", "--method",
                "org.freedesktop.DBus.Properties.Get", "org.kde.StatusNotifierWatcher",
                "RegisteredStatusNotifierItems"},
               &items);
    for (size_t at = 0; (at = items.find("':", at)) != std::string::npos; ++at) {
        const std::string name = items.substr(at + 1, items.find('/', at) - at - 1);
        std::string owner;
        RunCommand({"gdbus", "call", "--session", "--dest", "org.freedesktop.DBus", "--object-path",
                    "/org/freedesktop/DBus", "--method",
                    "org.freedesktop.DBus.GetConnectionUnixProcessID", name},
                   &owner);
        if (owner.find("(uint32 " + std::to_string(pid) + ",)") != std::string::npos) return name;
    }
    return {};
}

QImage CaptureAndCopy(const std::string& dir) {
    Type({"-k", "Return"}); // "&Capture": away, the screen, back on the delivery screen
    if (!WaitFor([] { return !Window("Snaprio 2000"); }) ||
        !WaitFor([] { return Window("Snaprio 2000").has_value(); }))
        return {};
    Type({"-k", "Return"}); // "Co&py"
    const std::string png = dir + "/copied.png";
    if (!WaitFor([&] {
            return RunCommand({"sh", "-c", "wl-paste -n -t image/png > " + png}) == 0 &&
                   !ReadFile(png).empty();
        }))
        return {};
    return QImage(QString::fromStdString(png)).convertToFormat(QImage::Format_RGB32);
}

int UnlikeTheOutputs(const QImage& layout, const QImage& out1, const QImage& out2) {
    if (layout.size() != QSize(3584, 1600)) return -1;
    int unlike = 0;
    for (int y = 0; y < 1600; ++y)
        for (int x = 0; x < 3584; ++x) {
            const QRgb want = x < 2560  ? out1.pixel(x / 2, y / 2)
                              : y < 768 ? out2.pixel(x - 2560, y)
                                        : qRgb(0, 0, 0);
            unlike += layout.pixel(x, y) != want;
        }
    return unlike;
}
