#include "platform/NamedObjects.h"

#include <cerrno>
#include <fcntl.h>
#include <semaphore.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

TSharedMemory::~TSharedMemory() {
    if (FData) munmap(FData, FSize);
    if (Fd >= 0) ::close(Fd);
}

bool TSharedMemory::Create(const std::string& name, size_t size) {
    Fd = shm_open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
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
    sem_t* s = sem_open(name.c_str(), O_CREAT, 0600, 1);
    if (s == SEM_FAILED) return false;
    sem_close(s);
    return true;
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
