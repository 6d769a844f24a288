// A test server written in Python (Debian's own, for aiosmtpd), started with
// its arguments; it prints "ready" when it listens and ends when its
// standard input closes.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

class TPythonPeer {
public:
    explicit TPythonPeer(const std::vector<std::string>& args,
                         const std::vector<std::string>& env = {});
    ~TPythonPeer();
    TPythonPeer(const TPythonPeer&) = delete;
    TPythonPeer& operator=(const TPythonPeer&) = delete;
    bool Ready() const { return FReady; }
    std::string Log() const; // what it printed

private:
    std::string LogPath;
    pid_t Child = -1;
    int Stdin = -1;
    bool FReady = false;
};
