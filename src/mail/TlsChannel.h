// TLS over a connected non-blocking socket (OpenSSL). Every call does what it
// can without blocking and says which way the socket must become ready before
// the next try, so the caller's own waits (pump, Cancel, time-out) bound each
// step. The server's certificate is checked against the system store
// (SSL_CERT_FILE and SSL_CERT_DIR name another) and against the host name.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "mail/MailErrors.h"

// The secure connection failed; the text names the reason.
class ETlsError : public EMailError {
public:
    using EMailError::EMailError;
};

enum class TTlsWait { None, Read, Write };

class TTlsChannel {
public:
    // Host is the name the certificate must carry (a dotted address is
    // checked as an address). Raises ETlsError when OpenSSL cannot start.
    TTlsChannel(int fd, const std::string& host);
    ~TTlsChannel();
    TTlsChannel(const TTlsChannel&) = delete;
    TTlsChannel& operator=(const TTlsChannel&) = delete;

    // One step of the handshake: true once it is complete, else Wait says
    // what to wait for. A refused certificate or handshake raises ETlsError.
    bool Handshake(TTlsWait& wait);
    // Bytes read (> 0), 0 when the peer closed, -1 when Wait says to wait
    // (or, with Wait None, a socket error in errno).
    long Read(char* buffer, size_t size, TTlsWait& wait);
    // Bytes written (> 0) or -1 when Wait says to wait (or, with Wait None, a
    // socket error in errno). Raises ETlsError.
    long Write(const char* data, size_t size, TTlsWait& wait);
    // Decrypted bytes ready without touching the socket.
    bool HasBuffered() const;
    // A close notice to the peer, as far as it goes without waiting.
    void Shutdown();

private:
    struct TState;
    std::unique_ptr<TState> S;
};

// "The server's certificate could not be verified: " and the reason.
std::string CertificateErrorText(const std::string& reason);
