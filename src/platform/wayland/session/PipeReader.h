// The reading end of a pipe that another process fills, read to its end on a
// thread of its own while this one makes the call that has it filled: KWin
// writes its picture after it has answered, and a writer that went first
// would otherwise stop at a full pipe.
#pragma once

#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

class TPipeReader {
public:
    // Takes ownership of Fd (the reading end).
    TPipeReader(int fd, std::chrono::milliseconds timeout);
    ~TPipeReader();
    TPipeReader(const TPipeReader&) = delete;
    TPipeReader& operator=(const TPipeReader&) = delete;
    // Waits for the end of the data: every writing end closed, or Timeout
    // since the last byte. False when the time ran out or reading failed.
    bool Finish(std::vector<uint8_t>& bytes);

private:
    void Run();

    int Fd;
    std::chrono::milliseconds Timeout;
    std::vector<uint8_t> Bytes;
    bool Complete = false;
    std::thread Thread;
};
