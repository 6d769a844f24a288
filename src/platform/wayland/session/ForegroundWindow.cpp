#include "platform/wayland/session/ForegroundWindow.h"

#include <cstdlib>
#include <unistd.h>

#include "platform/wayland/session/CompositorIpc.h"
#include "platform/wayland/session/CompositorReplies.h"

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

// Hyprland's request socket: in the runtime folder since 0.40, in /tmp before.
std::string HyprlandSocket(const std::string& signature) {
    const std::string tail = "/hypr/" + signature + "/.socket.sock";
    const std::string runtime = Env("XDG_RUNTIME_DIR") + tail;
    if (!Env("XDG_RUNTIME_DIR").empty() && access(runtime.c_str(), F_OK) == 0) return runtime;
    return "/tmp" + tail;
}

} // namespace

std::optional<TWindowRects> ForegroundWindow(std::string& why) {
    if (const std::string sway = Env("SWAYSOCK"); !sway.empty()) {
        const auto tree = SwayRequest(sway, TSwayMessage::GetTree, why);
        return tree ? FocusedSwayWindow(*tree, why) : std::nullopt;
    }
    if (const std::string hypr = Env("HYPRLAND_INSTANCE_SIGNATURE"); !hypr.empty()) {
        const auto reply = HyprlandRequest(HyprlandSocket(hypr), "j/activewindow", why);
        return reply ? ActiveHyprlandWindow(*reply, why) : std::nullopt;
    }
    const std::string desktop = Env("XDG_CURRENT_DESKTOP");
    why = "this desktop" + (desktop.empty() ? std::string() : " (" + desktop + ")") +
          " tells no program which window is in front (sway, Hyprland and KDE Plasma do); "
          "capture the screen instead.";
    return std::nullopt;
}
