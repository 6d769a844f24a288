// The outputs of the Wayland session (WAYLAND_DISPLAY): their names and
// logical rectangles through xdg-output, on a connection of their own.
#pragma once

#include <vector>

#include "platform/wayland/screen/OutputPicture.h"

// In the compositor's order; EShotError when no compositor answers.
std::vector<TOutputPlace> ListOutputs();
