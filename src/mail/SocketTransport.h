// The connection's descriptor and everything that moves bytes over it: the
// poll, plain recv and send, or TLS once it is on, and what the kernel still
// holds unsent. It never waits longer than it is told and never pumps: the
// waits with their time-out, pump and Cancel belong to the socket above it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "mail/TlsChannel.h"

struct sockaddr_in;

class TSocketTransport {
public:
    TSocketTransport() = default;
    ~TSocketTransport();
    TSocketTransport(const TSocketTransport&) = delete;
    TSocketTransport& operator=(const TSocketTransport&) = delete;

    bool IsOpen() const { return Fd >= 0; }
    bool Secure() const { return Tls != nullptr; }
    // A fresh non-blocking TCP socket; false (errno set) when there is none.
    bool Create();
    // Starts connecting; 0 when under way or done, else the errno value.
    int Connect(const sockaddr_in& address);
    // The error a finished connect left (SO_ERROR); 0 when none.
    int ConnectError() const;
    // The events of Events that came within Ms; POLLIN at once when TLS holds
    // decrypted bytes, which the socket does not show. Without a descriptor
    // it only sleeps.
    short Poll(short events, int ms) const;
    // recv() and send(), through TLS once it is on; -1 with errno EAGAIN
    // when the socket must get ready first. A TLS failure raises ETlsError.
    long Receive(char* buffer, size_t size);
    long Transmit(const char* data, size_t size);
    // Whether readable bytes (or a close) wait, a bare reset not counted.
    bool PeekSpoken() const;
    // Drops what arrived unprotected, then begins TLS toward Host.
    void BeginTls(const std::string& host);
    // One handshake step; true when done. A refusal raises ETlsError.
    bool Handshake(TTlsWait& wait);
    // Bytes written that the peer has not acknowledged.
    int64_t Unacknowledged() const;
    // Every byte written has left the socket.
    bool AllSent() const;
    // What the kernel still holds is dropped at the close (a reset), and no
    // TLS close notice goes out behind it.
    void DropUnsent();
    // TLS ends without its close notice (a failed connection).
    void DropTls() { Tls.reset(); }
    // The TLS close notice, then the descriptor closed.
    void Close();

private:
    int Fd = -1;
    std::unique_ptr<TTlsChannel> Tls;
};
