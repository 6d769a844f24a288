// A real SMTP server for the tests: aiosmtpd on 127.0.0.1 (sink_server.py),
// storing every message's data and envelope in a private folder.
#pragma once

#include <string>

#include "PythonPeer.h"
#include "TestSupport.h"

class TSink {
public:
    TSink(); // waits until the server listens
    TSink(const TSink&) = delete;
    TSink& operator=(const TSink&) = delete;
    // The Nth message's data as received, and its envelope (sender, then one
    // recipient a line); empty while it has not arrived.
    std::string Message(int n) const;
    std::string Envelope(int n) const;
    std::string MessagePath(int n) const;
    TTempDir Dir;
    int Port;

private:
    TPythonPeer Peer;
};
