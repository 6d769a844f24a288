// A real SMTP server with TLS and a login (tls_server.py over aiosmtpd), with
// a test authority and server certificates made by openssl for the run.
#pragma once

#include <string>

#include "PythonPeer.h"
#include "TestSupport.h"

// The login the servers accept.
extern const std::string User, Secret;

// The authority (ca.pem) and the certificates good, other and expired (.pem
// and .key), made once per run.
const TTempDir& Certs();

// Trusts only the given authority file while it lives.
class TTrust {
public:
    explicit TTrust(const std::string& file);
    ~TTrust();
};

class TTlsServer {
public:
    // Mode: starttls, tls, nostarttls, inject or cut; Cert: good, other or expired.
    TTlsServer(const std::string& mode, const std::string& cert,
               const std::string& mechs = "PLAIN,LOGIN");
    // "AUTH <mechanism> <user>" and "MAIL <sender> tls|clear" lines as they came.
    std::string Commands() const { return ReadFile(Dir.File("commands")); }
    std::string Message(int n) const {
        return ReadFile(Dir.File("00" + std::to_string(n) + ".eml"));
    }
    TTempDir Dir;
    int Port;

private:
    TPythonPeer Peer;
};
