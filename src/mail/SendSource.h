// What the data phase sends: bytes by position from a source that may still
// be growing while they go out (the spool while the message is rendered).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

class TSendSource {
public:
    virtual ~TSendSource() = default;
    // Up to Size bytes at Pos. Fewer only at the end of the source, or when
    // Stop() said so while the source was waiting for bytes to come.
    virtual size_t Read(char* data, size_t size, int64_t pos,
                        const std::function<bool()>& stop) = 0;
    // The whole size once it is known, else -1.
    virtual int64_t Size() const = 0;
};
