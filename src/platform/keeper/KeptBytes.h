// One type's bytes on the clipboard, as both families serve them: Keep holds
// Data alive while any paste still reads them.
#pragma once

#include <cstddef>
#include <memory>

struct TKeptBytes {
    std::shared_ptr<const void> Keep;
    const char* Data = nullptr;
    size_t Size = 0;
};
