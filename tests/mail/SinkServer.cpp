#include "SinkServer.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "ScriptServer.h"

TSink::TSink() : Port(ClosedPort()) {
    int in[2];
    EXPECT_EQ(pipe(in), 0);
    Child = fork();
    if (Child == 0) {
        dup2(in[0], 0);
        close(in[1]);
        const std::string out = Dir.File("log");
        if (!freopen(out.c_str(), "w", stdout)) _exit(127);
        execl("/usr/bin/python3", "python3", SNAPRIO_SOURCE_DIR "/tests/mail/sink_server.py",
              std::to_string(Port).c_str(), Dir.Path().c_str(), nullptr);
        _exit(127);
    }
    close(in[0]);
    Stdin = in[1];
    EXPECT_TRUE(
        WaitFor([&] { return ReadFile(Dir.File("log")).find("ready") != std::string::npos; },
                std::chrono::seconds(20)));
}

TSink::~TSink() {
    close(Stdin); // the server ends when its input closes
    int st;
    waitpid(Child, &st, 0);
}

std::string TSink::MessagePath(int n) const {
    char name[16];
    std::snprintf(name, sizeof name, "%03d.eml", n);
    return Dir.File(name);
}

std::string TSink::Message(int n) const {
    return ReadFile(MessagePath(n));
}

std::string TSink::Envelope(int n) const {
    char name[16];
    std::snprintf(name, sizeof name, "%03d.env", n);
    return ReadFile(Dir.File(name));
}
