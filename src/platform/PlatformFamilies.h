// The builders of the platform families, each in its own folder; only the
// loader calls them.
#pragma once

#include <memory>

struct TPlatform;

std::unique_ptr<TPlatform> BuildX11Platform();    // platform/x11
std::unique_ptr<TPlatform> BuildMemoryPlatform(); // platform/memory
