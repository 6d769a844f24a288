// Which family of desktop services this session gets, chosen once at
// start-up: SNAPRIO_PLATFORM (x11, wayland or memory) when set, else X11 when
// DISPLAY names a display; anything else is an error that says what was
// looked at.
#pragma once

#include <memory>
#include <string>

#include "platform/Platform.h"

enum class TPlatformKind { None, X11, Wayland, Memory };

struct TPlatformChoice {
    TPlatformKind Kind = TPlatformKind::None;
    std::string Error; // why nothing was chosen
};

// Requested is SNAPRIO_PLATFORM's value, Display DISPLAY's; null or empty:
// unset.
TPlatformChoice ChoosePlatform(const char* requested, const char* display);

// The chosen family's services; null, with Error, when this build has no
// such family.
std::unique_ptr<TPlatform> BuildPlatform(TPlatformKind kind, std::string& error);

// Chooses from the environment, builds the family and puts it in place. On
// failure the reason goes to stderr ("snaprio: ...") and the result is false.
bool LoadPlatform();
