// The Wayland family of desktop services; only the loader builds it.
#pragma once

#include <memory>

struct TPlatform;

std::unique_ptr<TPlatform> BuildWaylandPlatform();
