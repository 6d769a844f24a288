// Which family of desktop services this session gets, chosen once at
// start-up: SNAPRIO_PLATFORM (x11, wayland or memory) when set, else the
// session's own (platform/types/SessionKind.h): a Wayland session gets the
// Wayland family even when DISPLAY names its Xwayland server. Anything else
// is an error that says what was looked at.
#pragma once

#include <memory>
#include <string>

#include "platform/Platform.h"
#include "platform/types/SessionKind.h"

enum class TPlatformKind { None, X11, Wayland, Memory };

struct TPlatformChoice {
    TPlatformKind Kind = TPlatformKind::None;
    std::string Error; // why nothing was chosen
};

// Requested is SNAPRIO_PLATFORM's value (null or empty: unset), Session the
// kind of session the environment tells.
TPlatformChoice ChoosePlatform(const char* requested, TSessionKind session);

// The chosen family's services; null, with Error, when this build has no
// such family.
std::unique_ptr<TPlatform> BuildPlatform(TPlatformKind kind, std::string& error);

// Chooses from the environment, builds the family and puts it in place. On
// failure the reason goes to stderr ("snaprio: ...") and the result is false.
bool LoadPlatform();
