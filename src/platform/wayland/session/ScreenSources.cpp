#include "platform/wayland/session/ScreenSources.h"

#include <cstdlib>
#include <string_view>

#include "platform/wayland/screen/Screencopy.h"
#include "platform/wayland/screen/WaylandOutputs.h"
#include "platform/wayland/session/KWinScreenShot.h"
#include "platform/wayland/session/PortalScreenshot.h"

std::unique_ptr<TScreenSource> FindScreenSource(std::string& why) {
    std::vector<TOutputPlace> layout;
    try {
        layout = ListOutputs();
    } catch (const EShotError& e) {
        why = e.what();
        return nullptr;
    }
    // SNAPRIO_SCREEN_SOURCE=kwin|screencopy|portal takes that one alone, for
    // tests, timings and bug reports.
    const char* chosen = std::getenv("SNAPRIO_SCREEN_SOURCE");
    const std::string_view only = chosen ? chosen : "";
    if (!only.empty() && only != "kwin" && only != "screencopy" && only != "portal") {
        why = "SNAPRIO_SCREEN_SOURCE='" + std::string(only) +
              "' is no screen source; use kwin, screencopy or portal.";
        return nullptr;
    }
    std::unique_ptr<TScreenSource> source;
    if (only.empty() || only == "kwin") source = OpenKWinScreenShot(layout);
    if (!source && (only.empty() || only == "screencopy")) source = OpenScreencopy();
    if (!source && (only.empty() || only == "portal")) source = OpenPortalScreenshot(layout);
    if (source) return source;
    if (!only.empty()) {
        why = "this desktop does not offer the screen source SNAPRIO_SCREEN_SOURCE names (" +
              std::string(only) + ").";
        return nullptr;
    }
    const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
    why = std::string("this desktop") +
          (desktop && *desktop ? std::string(" (") + desktop + ")" : "") +
          " lets no program take the screen's picture: it offers neither KWin's ScreenShot2, nor "
          "wlr-screencopy, nor the Screenshot portal (xdg-desktop-portal with a back-end for it).";
    return nullptr;
}
