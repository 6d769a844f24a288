#include "platform/NamedObjects.h"

#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <semaphore.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

TSharedMemory::~TSharedMemory() {
    if (FData) munmap(FData, FSize);
    if (Fd >= 0) ::close(Fd);
}

namespace {

// Names in /dev/shm are open to every user, and ours are easy to guess. An
// object found under one is taken only when it is our own and others cannot
// write to it: this program's input hook opens the program's block by name,
// and a second start meets the running copy's. Another user's object (or one
// others can write) is removed and made anew; where it cannot be removed, it
// is refused.
bool OwnAndPrivate(int fd) {
    struct stat st {};
    return fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == geteuid() &&
           (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// Object, an existing shared-memory object, if it may be used; else -1, and
// Unlink has been asked to remove it.
int OpenOwnOrRemove(const std::string& object, int flags, const std::function<void()>& unlink) {
    const int fd = shm_open(object.c_str(), flags | O_CLOEXEC, 0);
    if (fd >= 0 && OwnAndPrivate(fd)) return fd;
    if (fd >= 0) ::close(fd);
    unlink();
    return -1;
}

// glibc keeps the semaphore /NAME as the shared-memory object /sem.NAME.
std::string SemaphoreObject(const std::string& name) {
    return "/sem." + name.substr(name.find_first_not_of('/'));
}

} // namespace

bool TSharedMemory::Create(const std::string& name, size_t size) {
    for (int attempt = 0; Fd < 0 && attempt < 2; ++attempt) {
        Fd = shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (Fd < 0 && errno != EEXIST) return false;
        if (Fd < 0) Fd = OpenOwnOrRemove(name, O_RDWR, [&] { shm_unlink(name.c_str()); });
    }
    if (Fd < 0) return false;
    struct stat st {};
    // ftruncate zero-fills a new block and keeps the contents of an existing one.
    if (fstat(Fd, &st) != 0 ||
        (static_cast<size_t>(st.st_size) < size && ftruncate(Fd, static_cast<off_t>(size)) != 0)) {
        ::close(Fd);
        Fd = -1;
        return false;
    }
    FName = name;
    FSize = size;
    return true;
}

bool TSharedMemory::Map() {
    if (Fd < 0) return false;
    void* p = mmap(nullptr, FSize, PROT_READ | PROT_WRITE, MAP_SHARED, Fd, 0);
    if (p == MAP_FAILED) return false;
    FData = static_cast<uint8_t*>(p);
    return true;
}

void TSharedMemory::Unlink() {
    if (!FName.empty()) shm_unlink(FName.c_str());
}

bool CreateNamedMutex(const std::string& name) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        sem_t* s = sem_open(name.c_str(), O_CREAT | O_EXCL, 0600, 1);
        if (s != SEM_FAILED) {
            sem_close(s);
            return true;
        }
        if (errno != EEXIST) return false;
        const int fd =
            OpenOwnOrRemove(SemaphoreObject(name), O_RDONLY, [&] { sem_unlink(name.c_str()); });
        if (fd >= 0) {
            ::close(fd);
            return true;
        }
    }
    return false;
}

void UnlinkNamedMutex(const std::string& name) {
    sem_unlink(name.c_str());
}

bool TInstanceMarker::IsHeld(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return false;
    bool held = flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

bool TInstanceMarker::Create(const std::string& path) {
    Close();
    // O_CLOEXEC: a child (help viewer, browser) must never keep the marker alive.
    // O_NOFOLLOW: a link planted in its place must not make us create its target.
    Fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (Fd < 0) return false;
    if (flock(Fd, LOCK_EX | LOCK_NB) != 0) {
        Close();
        return false;
    }
    return true;
}

void TInstanceMarker::Close() {
    if (Fd >= 0) ::close(Fd);
    Fd = -1;
}
