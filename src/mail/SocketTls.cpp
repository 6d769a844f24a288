// The socket's TLS half: the handshake in wait turns and the byte moves that
// go through it once it is on. Without TLS the byte moves are recv and send.
#include <cerrno>
#include <poll.h>
#include <sys/socket.h>

#include "mail/MailPump.h"
#include "mail/TlsChannel.h"
#include "mail/agsocket.h"

void TagSocket::RaiseTlsError(const std::string& text) {
    Counter.Stop();
    std::string msg = text;
    if (OnError) OnError(msg);
    Tls.reset(); // no close notice over a connection that failed
    Close();
    throw ETlsError(msg);
}

void TagSocket::StartTls() {
    if (Socket < 0) RaiseSocketError(sckNotConnected);
    if (Canceled) RaiseCanceled();
    // What came after the server's go-ahead was never protected; the server
    // sends nothing more before our hello, so whatever is there now goes.
    Reader.Clear();
    for (char drop[4096]; ::recv(Socket, drop, sizeof drop, MSG_DONTWAIT) > 0;) {
    }
    try {
        Tls = std::make_unique<TTlsChannel>(Socket, HostPart());
    } catch (const ETlsError& e) {
        RaiseTlsError(e.what());
    }
    Counter.Start();
    for (;;) {
        TTlsWait wait = TTlsWait::None;
        bool done = false;
        try {
            done = Tls->Handshake(wait);
        } catch (const ETlsError& e) {
            RaiseTlsError(e.what());
        }
        if (done) break;
        PollTurn(wait == TTlsWait::Write ? POLLOUT : POLLIN);
        if (Canceled) RaiseCanceled(); // Cancel closed the connection: Tls is gone
        if (Counter.TimedOut) RaiseTimeOut();
    }
    Counter.Stop();
}

long TagSocket::Receive(char* buffer, size_t size) {
    if (!Tls) return ::recv(Socket, buffer, size, 0);
    TTlsWait wait = TTlsWait::None;
    long n = -1;
    try {
        n = Tls->Read(buffer, size, wait);
    } catch (const ETlsError& e) {
        RaiseTlsError(e.what());
    }
    if (n < 0 && wait != TTlsWait::None) errno = EAGAIN;
    return n;
}

long TagSocket::Transmit(const char* data, size_t size) {
    if (!Tls) return ::send(Socket, data, size, MSG_NOSIGNAL);
    TTlsWait wait = TTlsWait::None;
    long n = -1;
    try {
        n = Tls->Write(data, size, wait);
    } catch (const ETlsError& e) {
        RaiseTlsError(e.what());
    }
    if (n < 0 && wait != TTlsWait::None) errno = EAGAIN;
    return n;
}

bool TagSocket::PeerHasSpokenOverTls() {
    pollfd p{Socket, POLLIN, 0};
    const bool readable = ::poll(&p, 1, 0) > 0 && (p.revents & (POLLIN | POLLHUP | POLLERR));
    if (!readable && !Tls->HasBuffered()) return false;
    char buf[4096];
    const long n = Receive(buf, sizeof buf);
    if (n > 0) Reader.Feed(std::string_view(buf, static_cast<size_t>(n)));
    if (n == 0) PeerEnded();
    return n >= 0; // a bare reset is no answer
}
