#include "platform/wayland/screen/ShmBuffer.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include "platform/wayland/screen/OutputPicture.h"

namespace {

[[noreturn]] void Fail(const char* what) {
    throw EShotError(std::string("No memory could be shared with the desktop for the picture (") +
                     what + ": " + std::strerror(errno) + ").");
}

} // namespace

TShmBuffer::TShmBuffer(wl_shm* shm, uint32_t format, int width, int height, int stride)
    : Size(size_t(stride) * height) {
    const int fd = memfd_create("snaprio-screencopy", MFD_CLOEXEC);
    if (fd < 0) Fail("memfd_create");
    if (ftruncate(fd, off_t(Size)) != 0) {
        close(fd);
        Fail("ftruncate");
    }
    Data = mmap(nullptr, Size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (Data == MAP_FAILED) {
        Data = nullptr;
        close(fd);
        Fail("mmap");
    }
    wl_shm_pool* pool = wl_shm_create_pool(shm, fd, int32_t(Size));
    FBuffer = wl_shm_pool_create_buffer(pool, 0, width, height, stride, format);
    // The buffer keeps the pool's memory; the compositor has its own copy of
    // the descriptor once the request is sent.
    wl_shm_pool_destroy(pool);
    close(fd);
}

TShmBuffer::~TShmBuffer() {
    if (FBuffer) wl_buffer_destroy(FBuffer);
    if (Data) munmap(Data, Size);
}
