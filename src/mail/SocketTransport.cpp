#include "mail/SocketTransport.h"

#include <cerrno>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

TSocketTransport::~TSocketTransport() {
    Tls.reset();
    if (Fd >= 0) ::close(Fd);
}

bool TSocketTransport::Create() {
    Fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    return Fd >= 0;
}

int TSocketTransport::Connect(const sockaddr_in& address) {
    if (::connect(Fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
        errno != EINPROGRESS)
        return errno;
    return 0;
}

int TSocketTransport::ConnectError() const {
    int err = 0;
    socklen_t len = sizeof err;
    ::getsockopt(Fd, SOL_SOCKET, SO_ERROR, &err, &len);
    return err;
}

short TSocketTransport::Poll(short events, int ms) const {
    if ((events & POLLIN) && Tls && Tls->HasBuffered()) return POLLIN;
    pollfd p{Fd, events, 0};
    const int r = Fd >= 0 ? ::poll(&p, 1, ms) : (::poll(nullptr, 0, ms), 0);
    return r > 0 ? p.revents : 0;
}

long TSocketTransport::Receive(char* buffer, size_t size) {
    if (!Tls) return ::recv(Fd, buffer, size, 0);
    TTlsWait wait = TTlsWait::None;
    const long n = Tls->Read(buffer, size, wait);
    if (n < 0 && wait != TTlsWait::None) errno = EAGAIN;
    return n;
}

long TSocketTransport::Transmit(const char* data, size_t size) {
    if (!Tls) return ::send(Fd, data, size, MSG_NOSIGNAL);
    TTlsWait wait = TTlsWait::None;
    const long n = Tls->Write(data, size, wait);
    if (n < 0 && wait != TTlsWait::None) errno = EAGAIN;
    return n;
}

bool TSocketTransport::PeekSpoken() const {
    char c;
    // Buffered reply bytes stay readable after a reset; a bare reset is no answer.
    return ::recv(Fd, &c, 1, MSG_PEEK | MSG_DONTWAIT) >= 0;
}

void TSocketTransport::BeginTls(const std::string& host) {
    for (char drop[4096]; ::recv(Fd, drop, sizeof drop, MSG_DONTWAIT) > 0;) {
    }
    Tls = std::make_unique<TTlsChannel>(Fd, host);
}

bool TSocketTransport::Handshake(TTlsWait& wait) {
    return Tls->Handshake(wait);
}

int64_t TSocketTransport::Unacknowledged() const {
    int queued = 0;
    return Fd >= 0 && ::ioctl(Fd, SIOCOUTQ, &queued) == 0 ? queued : 0;
}

bool TSocketTransport::AllSent() const {
    int unsent = 0;
    return Fd >= 0 && ::ioctl(Fd, SIOCOUTQNSD, &unsent) == 0 && unsent == 0;
}

void TSocketTransport::DropUnsent() {
    if (Fd < 0) return;
    const linger drop{1, 0};
    ::setsockopt(Fd, SOL_SOCKET, SO_LINGER, &drop, sizeof drop);
    Tls.reset();
}

void TSocketTransport::Close() {
    if (Fd < 0) return;
    if (Tls) Tls->Shutdown();
    Tls.reset();
    ::close(Fd);
    Fd = -1;
}
