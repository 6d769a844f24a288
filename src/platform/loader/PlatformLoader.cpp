#include "platform/loader/PlatformLoader.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "platform/memory/MemoryPlatform.h"
#include "platform/types/SessionKind.h"
#include "platform/wayland/WaylandPlatform.h"
#include "platform/x11/X11Platform.h"

namespace {

struct TFamilyName {
    TPlatformKind Kind;
    std::string_view Name;
};
constexpr std::array<TFamilyName, 3> Families{{
    {TPlatformKind::X11, "x11"},
    {TPlatformKind::Wayland, "wayland"},
    {TPlatformKind::Memory, "memory"},
}};

bool Set(const char* value) {
    return value && *value;
}

} // namespace

TPlatformChoice ChoosePlatform(const char* requested, TSessionKind session) {
    if (Set(requested)) {
        for (const auto& f : Families)
            if (f.Name == requested) return {f.Kind, {}};
        return {TPlatformKind::None, "SNAPRIO_PLATFORM='" + std::string(requested) +
                                         "' is no platform; use x11, wayland or memory"};
    }
    switch (session) {
    case TSessionKind::Wayland:
        return {TPlatformKind::Wayland, {}};
    case TSessionKind::X11:
        return {TPlatformKind::X11, {}};
    case TSessionKind::None:
        break;
    }
    return {TPlatformKind::None,
            "no desktop platform fits this session: SNAPRIO_PLATFORM is unset and there is no "
            "X display (DISPLAY is unset) nor a Wayland one (WAYLAND_DISPLAY is unset); it "
            "needs an X11 session (set DISPLAY) or a Wayland session (set WAYLAND_DISPLAY), or "
            "SNAPRIO_PLATFORM=x11|wayland|memory"};
}

std::unique_ptr<TPlatform> BuildPlatform(TPlatformKind kind, std::string& error) {
    switch (kind) {
    case TPlatformKind::X11:
        return BuildX11Platform();
    case TPlatformKind::Memory:
        return BuildMemoryPlatform();
    case TPlatformKind::Wayland:
        return BuildWaylandPlatform();
    case TPlatformKind::None:
        break;
    }
    error = "no platform was chosen";
    return nullptr;
}

bool LoadPlatform() {
    TPlatformChoice choice = ChoosePlatform(
        std::getenv("SNAPRIO_PLATFORM"),
        SessionKindOf(std::getenv("QT_QPA_PLATFORM"), std::getenv("XDG_SESSION_TYPE"),
                      std::getenv("WAYLAND_DISPLAY"), std::getenv("DISPLAY")));
    std::unique_ptr<TPlatform> platform;
    if (choice.Error.empty()) platform = BuildPlatform(choice.Kind, choice.Error);
    if (!platform) {
        std::fprintf(stderr, "snaprio: %s\n", choice.Error.c_str());
        return false;
    }
    UsePlatform(std::move(platform));
    return true;
}
