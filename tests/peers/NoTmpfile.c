/* Preloaded into a program under test: a file system without nameless
   files (open with O_TMPFILE fails with EOPNOTSUPP, as on vfat, exFAT, NFSv3
   or FUSE). With SNAPRIO_STALL_PART set, the first write to a `.part` file
   never returns, so a test can signal the program while it writes. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static int Refused(int flags) {
    if ((flags & O_TMPFILE) != O_TMPFILE) return 0;
    errno = EOPNOTSUPP;
    return 1;
}

#define MODE_ARG(flags)                                                                            \
    mode_t mode = 0;                                                                               \
    if ((flags) & (O_CREAT | O_TMPFILE)) {                                                         \
        va_list ap;                                                                                \
        va_start(ap, flags);                                                                       \
        mode = va_arg(ap, mode_t);                                                                 \
        va_end(ap);                                                                                \
    }

#define PASS_OPEN(name, ...)                                                                       \
    static int (*real)();                                                                          \
    if (!real) real = (int (*)())dlsym(RTLD_NEXT, name);                                           \
    return real(__VA_ARGS__);

int open(const char* path, int flags, ...) {
    MODE_ARG(flags)
    if (Refused(flags)) return -1;
    PASS_OPEN("open", path, flags, mode)
}

int open64(const char* path, int flags, ...) {
    MODE_ARG(flags)
    if (Refused(flags)) return -1;
    PASS_OPEN("open64", path, flags, mode)
}

int openat(int dir, const char* path, int flags, ...) {
    MODE_ARG(flags)
    if (Refused(flags)) return -1;
    PASS_OPEN("openat", dir, path, flags, mode)
}

int openat64(int dir, const char* path, int flags, ...) {
    MODE_ARG(flags)
    if (Refused(flags)) return -1;
    PASS_OPEN("openat64", dir, path, flags, mode)
}

ssize_t write(int fd, const void* data, size_t size) {
    static ssize_t (*real)(int, const void*, size_t);
    if (!real) real = (ssize_t(*)(int, const void*, size_t))dlsym(RTLD_NEXT, "write");
    if (getenv("SNAPRIO_STALL_PART")) {
        char link[64], target[4096];
        snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
        const ssize_t n = readlink(link, target, sizeof target - 1);
        if (n > 5 && memcmp(target + n - 5, ".part", 5) == 0)
            for (;;) pause();
    }
    return real(fd, data, size);
}
