/* Loaded into a program with LD_PRELOAD: once the program has mapped the
 * file that SNAPRIO_SHRINK names, that file is cut to SNAPRIO_SHRINK_TO bytes
 * before the program reads the mapping, as another writer might do. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

void* mmap(void* addr, size_t length, int prot, int flags, int fd, off_t offset) {
    typedef void* (*TMmap)(void*, size_t, int, int, int, off_t);
    static TMmap real;
    if (!real) real = (TMmap)dlsym(RTLD_NEXT, "mmap");
    void* p = real(addr, length, prot, flags, fd, offset);
    const char* name = getenv("SNAPRIO_SHRINK");
    const char* size = getenv("SNAPRIO_SHRINK_TO");
    struct stat mapped, named;
    if (p != MAP_FAILED && fd >= 0 && name && size && fstat(fd, &mapped) == 0 &&
        stat(name, &named) == 0 && mapped.st_dev == named.st_dev && mapped.st_ino == named.st_ino)
        (void)truncate(name, atoll(size));
    return p;
}
