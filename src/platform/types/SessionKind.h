// Which kind of desktop session the program runs in, decided once from the
// environment, by the front and the capture program as well as by the
// resident program's platform loader. A Wayland session never gets the X11
// back-ends, even when DISPLAY names its Xwayland server: a grab there is
// black and the hot key deaf while a Wayland window has the focus.
#pragma once

#include <string_view>

enum class TSessionKind { None, X11, Wayland };

// The values of QT_QPA_PLATFORM, XDG_SESSION_TYPE, WAYLAND_DISPLAY and
// DISPLAY; null or empty: unset.
inline TSessionKind SessionKindOf(const char* qtPlatform, const char* sessionType,
                                  const char* waylandDisplay, const char* display) {
    auto set = [](const char* v) { return v && *v; };
    const std::string_view qpa = set(qtPlatform) ? qtPlatform : "";
    const std::string_view type = set(sessionType) ? sessionType : "";
    if (qpa.starts_with("wayland")) return TSessionKind::Wayland;
    if (type == "wayland" && set(waylandDisplay)) return TSessionKind::Wayland;
    if (set(display)) return TSessionKind::X11;
    // A compositor started by hand often sets no session type.
    if (set(waylandDisplay)) return TSessionKind::Wayland;
    return TSessionKind::None;
}
