#include "platform/Display.h"

#include "platform/x11/X11Display.h"

namespace {
std::unique_ptr<TDisplay>& Current() {
    static std::unique_ptr<TDisplay> display;
    return display;
}
} // namespace

TDisplay& TheDisplay() {
    if (!Current()) Current() = CreateX11Display();
    return *Current();
}

std::unique_ptr<TDisplay> SetDisplay(std::unique_ptr<TDisplay> display) {
    std::swap(display, Current());
    return display;
}
