// Named kernel objects of the program block: the shared memory that the input
// hook reads, the instance mutex and the running-instance marker.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A named POSIX shared-memory block, created zero-filled when new and mapped
// read/write for the life of the object.
class TSharedMemory {
public:
    TSharedMemory() = default;
    TSharedMemory(const TSharedMemory&) = delete;
    TSharedMemory& operator=(const TSharedMemory&) = delete;
    ~TSharedMemory();

    // Creates the block, or opens an existing one of the user's own that
    // others cannot write (another's is replaced, or refused); sets the size.
    bool Create(const std::string& name, size_t size);
    bool Map(); // map the whole block
    uint8_t* Data() const { return FData; }
    void Unlink(); // removes the name; the mapping stays valid

private:
    std::string FName;
    int Fd = -1;
    size_t FSize = 0;
    uint8_t* FData = nullptr;
};

// A named POSIX semaphore standing for the instance mutex: created, never
// waited on; an existing one of the user's own, that others cannot write,
// counts as success (another's is replaced, or refused).
bool CreateNamedMutex(const std::string& name);
void UnlinkNamedMutex(const std::string& name);

// The running-instance marker: an advisory lock on a file. The kernel drops it
// when the process ends, however it ends, so a crash never blocks a start.
class TInstanceMarker {
public:
    TInstanceMarker() = default;
    TInstanceMarker(const TInstanceMarker&) = delete;
    TInstanceMarker& operator=(const TInstanceMarker&) = delete;
    ~TInstanceMarker() { Close(); }

    // True when another live process holds the marker at Path.
    static bool IsHeld(const std::string& path);
    // Takes the marker; false when it could not (another holder, no folder).
    bool Create(const std::string& path);
    void Close();

private:
    int Fd = -1;
};
