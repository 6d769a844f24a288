// Mapped files that shrink while they are read. Every page of a file mapping
// past the file's new end raises SIGBUS, which would end the program; inside
// a guarded range those pages are replaced by zeros instead and the range is
// marked, so the reader finishes on zeros and the caller reports the file as
// truncated.
#pragma once

#include <cstddef>

class TMapGuard {
public:
    // Guards [Begin, Begin + Size); Active() is false when every slot is taken.
    TMapGuard(const void* begin, size_t size);
    ~TMapGuard();
    TMapGuard(const TMapGuard&) = delete;
    TMapGuard& operator=(const TMapGuard&) = delete;
    bool Active() const { return Slot >= 0; }
    // Whether pages of the range vanished since it was guarded.
    bool Lost() const;

private:
    int Slot = -1;
};
