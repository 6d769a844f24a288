#include "TlsServer.h"

#include <cstdlib>
#include <gtest/gtest.h>

#include "ScriptServer.h"

const std::string User = "ann", Secret = "s3cret pass";

const TTempDir& Certs() {
    static TTempDir dir;
    static const int made =
        RunCommand({"/bin/sh", SNAPRIO_SOURCE_DIR "/tests/mail/make_certs.sh", dir.Path()});
    EXPECT_EQ(made, 0);
    return dir;
}

TTrust::TTrust(const std::string& file) {
    setenv("SSL_CERT_FILE", file.c_str(), 1);
    setenv("SSL_CERT_DIR", "/nonexistent", 1);
}

TTrust::~TTrust() {
    unsetenv("SSL_CERT_FILE");
    unsetenv("SSL_CERT_DIR");
}

TTlsServer::TTlsServer(const std::string& mode, const std::string& cert, const std::string& mechs)
    : Port(ClosedPort()),
      Peer({SNAPRIO_SOURCE_DIR "/tests/mail/tls_server.py", mode, std::to_string(Port), Dir.Path(),
            Certs().File(cert + ".pem"), Certs().File(cert + ".key"), User, Secret, mechs}) {
    EXPECT_TRUE(Peer.Ready()) << Peer.Log();
}
