#include "SinkServer.h"

#include <cstdio>
#include <gtest/gtest.h>

#include "ScriptServer.h"

TSink::TSink()
    : Port(ClosedPort()),
      Peer({SNAPRIO_SOURCE_DIR "/tests/mail/sink_server.py", std::to_string(Port), Dir.Path()}) {
    EXPECT_TRUE(Peer.Ready());
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
