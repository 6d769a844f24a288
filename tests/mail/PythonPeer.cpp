#include "PythonPeer.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

#include "TestSupport.h"

TPythonPeer::TPythonPeer(const std::vector<std::string>& args,
                         const std::vector<std::string>& env) {
    std::string name = TempFolder() + "/peerXXXXXX";
    const int fd = mkstemp(name.data());
    if (fd >= 0) close(fd);
    LogPath = name;
    int in[2];
    if (pipe(in) != 0) return;
    Child = fork();
    if (Child == 0) {
        dup2(in[0], 0);
        close(in[1]);
        if (!std::freopen(LogPath.c_str(), "w", stdout)) _exit(126);
        for (const std::string& e : env) putenv(const_cast<char*>(e.c_str()));
        std::vector<char*> argv{const_cast<char*>("python3")};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv("/usr/bin/python3", argv.data());
        _exit(127);
    }
    close(in[0]);
    Stdin = in[1];
    FReady =
        WaitFor([&] { return Log().find("ready") != std::string::npos; }, std::chrono::seconds(30));
}

TPythonPeer::~TPythonPeer() {
    if (Stdin >= 0) close(Stdin); // the server ends when its input closes
    if (Child > 0) {
        int st;
        waitpid(Child, &st, 0);
    }
    unlink(LogPath.c_str());
}

std::string TPythonPeer::Log() const {
    return ReadFile(LogPath);
}
