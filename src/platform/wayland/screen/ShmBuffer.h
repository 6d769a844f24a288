// A buffer in shared memory (an anonymous memfd) that the compositor copies
// a frame into.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

struct wl_shm;
struct wl_buffer;

class TShmBuffer {
public:
    // EShotError with the system's reason when the memory cannot be had.
    TShmBuffer(wl_shm* shm, uint32_t format, int width, int height, int stride);
    ~TShmBuffer();
    TShmBuffer(const TShmBuffer&) = delete;
    TShmBuffer& operator=(const TShmBuffer&) = delete;

    wl_buffer* Buffer() const { return FBuffer; }
    const uint8_t* Bytes() const { return static_cast<const uint8_t*>(Data); }

private:
    void* Data = nullptr;
    size_t Size = 0;
    wl_buffer* FBuffer = nullptr;
};
