// The X11 display: grabs with MIT-SHM into kept shared segments (XGetImage
// where the server has no SHM), the foreground window from EWMH.
#pragma once

#include <memory>

#include "platform/Display.h"

std::unique_ptr<TDisplay> CreateX11Display();
