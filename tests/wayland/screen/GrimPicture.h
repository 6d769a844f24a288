// Pictures taken by grim, the wlroots desktops' own screenshot tool: what the
// session's own sources are compared with.
#pragma once

#include <string>

#include "platform/wayland/screen/OutputPicture.h"

// A binary PPM (P6, depth 255) as grim writes it; Width 0 when it is not one.
TOutputPicture FromPpm(const std::string& ppm);

// The native picture of the named output (grim -o NAME), in the shot's pixel
// format; Width 0 when grim failed.
TOutputPicture GrimOutput(const std::string& name);
