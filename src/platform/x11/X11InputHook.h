// The platform input-hook interface over the X11 hook (x11/InputHook.h). Its
// own header: the hook's implementation file has a class of that name.
#pragma once

#include <memory>

#include "platform/InputHook.h"

std::unique_ptr<TInputHook> CreateX11InputHook();
