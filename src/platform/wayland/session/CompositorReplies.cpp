#include "platform/wayland/session/CompositorReplies.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const char* const NoWindow = "there is no foreground window.";

TRect RectOf(const QJsonValue& v) {
    const QJsonObject r = v.toObject();
    const int x = r["x"].toInt(), y = r["y"].toInt();
    return {x, y, x + r["width"].toInt(), y + r["height"].toInt()};
}

// The focused node at or below Node, depth first.
std::optional<QJsonObject> FindFocused(const QJsonObject& node) {
    if (node["focused"].toBool()) return node;
    for (const char* list : {"nodes", "floating_nodes"})
        for (const QJsonValue child : node[list].toArray())
            if (auto found = FindFocused(child.toObject())) return found;
    return std::nullopt;
}

} // namespace

std::optional<TWindowRects> FocusedSwayWindow(const QByteArray& tree, std::string& why) {
    const QJsonDocument doc = QJsonDocument::fromJson(tree);
    if (!doc.isObject()) {
        why = "sway's window tree could not be read.";
        return std::nullopt;
    }
    const std::optional<QJsonObject> focused = FindFocused(doc.object());
    const QString type = focused ? (*focused)["type"].toString() : QString();
    if (!focused || (type != "con" && type != "floating_con")) {
        why = NoWindow;
        return std::nullopt;
    }
    const TRect rect = RectOf((*focused)["rect"]);
    const TRect inner = RectOf((*focused)["window_rect"]);
    const int title = RectOf((*focused)["deco_rect"]).Height();
    TWindowRects out;
    out.Window = {rect.Left, rect.Top - title, rect.Right, rect.Bottom};
    out.Client = {rect.Left + inner.Left, rect.Top + inner.Top, rect.Left + inner.Right,
                  rect.Top + inner.Bottom};
    if (out.Client.Empty()) { // a container without a view of its own
        why = NoWindow;
        return std::nullopt;
    }
    return out;
}

std::optional<TWindowRects> ActiveHyprlandWindow(const QByteArray& reply, std::string& why) {
    const QJsonDocument doc = QJsonDocument::fromJson(reply);
    const QJsonArray at = doc.object()["at"].toArray(), size = doc.object()["size"].toArray();
    if (!doc.isObject()) {
        why = "Hyprland's answer about the active window could not be read.";
        return std::nullopt;
    }
    if (at.size() != 2 || size.size() != 2 || size[0].toInt() <= 0 || size[1].toInt() <= 0) {
        why = NoWindow;
        return std::nullopt;
    }
    const int x = at[0].toInt(), y = at[1].toInt();
    const TRect r{x, y, x + size[0].toInt(), y + size[1].toInt()};
    return TWindowRects{r, r};
}
