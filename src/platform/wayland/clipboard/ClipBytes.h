// What the selection offers: its types and, for each, a way to make the
// bytes when a paste first asks for them.
#pragma once

#include <functional>
#include <string>

#include "platform/keeper/KeptBytes.h"

struct TOfferedType {
    std::string MimeType; // "image/png"
    // Made on the first paste that asks for this type, on the thread that
    // writes it, and kept for the next ones.
    std::function<TKeptBytes()> Make;
};
