// The in-memory family of desktop services for tests: widgets drawn
// offscreen, a scripted screen and dialogs; only the loader builds it.
#pragma once

#include <memory>

struct TPlatform;

std::unique_ptr<TPlatform> BuildMemoryPlatform();
