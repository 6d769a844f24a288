// What the selection offers: its types and, for each, a way to make the
// bytes when a paste first asks for them.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

// One type's bytes; Keep holds Data alive.
struct TClipBytes {
    std::shared_ptr<const void> Keep;
    const char* Data = nullptr;
    size_t Size = 0;
};

struct TOfferedType {
    std::string MimeType; // "image/png"
    // Made on the first paste that asks for this type, on the thread that
    // writes it, and kept for the next ones.
    std::function<TClipBytes()> Make;
};
