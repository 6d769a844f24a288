// The first screen source this desktop answers on: KWin's own interface,
// then wlr-screencopy, then the Screenshot portal.
#pragma once

#include <memory>
#include <string>

#include "platform/wayland/screen/ScreenSource.h"

// Null with Why (a sentence naming what the desktop lacks) when none answers.
std::unique_ptr<TScreenSource> FindScreenSource(std::string& why);
