#include "mail/agsocket.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <linux/sockios.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include "mail/HostLookup.h"
#include "mail/MailPump.h"
#include "mail/TlsChannel.h"

namespace {

constexpr int TurnMs = 3;          // one wait turn: poll this long, then pump
constexpr size_t LineLimit = 1024; // bytes of a reply line kept

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

void TagWinsock::Load() {
    if (Missing) throw EWinsockDLLError(SocketErrorText(sckNotFound));
    Loaded = true;
}

bool TagWinsock::IsAvailable() {
    if (Loaded) return true;
    try {
        Load();
        Unload();
        return true;
    } catch (const EWinsockDLLError&) {
        return false;
    }
}

TagWinsock& Winsock() {
    static TagWinsock winsock;
    return winsock;
}

void TTimeCounter::Start() {
    TimedOut = false; // a mark of an earlier wait never ends this one
    Deadline = NowMs() + int64_t{TimeOut} * 1000;
    Running = true;
}

void TTimeCounter::Tick() {
    if (Running && NowMs() >= Deadline) TimedOut = true;
}

int TTimeCounter::Remaining() const {
    return Running ? static_cast<int>(std::max<int64_t>(0, (Deadline - NowMs() + 999) / 1000))
                   : TimeOut;
}

TagSocket::TagSocket() = default;

TagSocket::~TagSocket() {
    Lookup.reset();
    if (Socket >= 0) ::close(Socket);
}

std::string TagSocket::HostPart() const {
    return Server.substr(0, Server.find(':'));
}

namespace {

// The text after the colon in Server when it is a whole number (a sign
// allowed), else empty.
std::string PortText(const std::string& server) {
    const size_t colon = server.find(':');
    if (colon == std::string::npos) return "";
    const std::string text = server.substr(colon + 1);
    const size_t digits = text[0] == '-' || text[0] == '+' ? 1 : 0;
    if (text.size() <= digits) return "";
    for (size_t k = digits; k < text.size(); ++k)
        if (text[k] < '0' || text[k] > '9') return "";
    return text;
}

} // namespace

int TagSocket::PortPart() const {
    if (PortPartOutOfRange()) return 0;
    const std::string text = PortText(Server);
    return text.empty() ? 0 : std::stoi(text);
}

bool TagSocket::PortPartOutOfRange() const {
    const std::string text = PortText(Server);
    if (text.empty()) return false;
    const bool negative = text[0] == '-';
    const std::string digits = text.substr(text.find_first_not_of("+-"));
    const size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos) return false; // zero: no port given
    return negative || digits.size() - first > 5 || std::stol(digits.substr(first)) > 65535;
}

void TagSocket::ResetState() {
    Canceled = false;
    Counter.TimedOut = false;
    Lookup.reset();
    PeerClosed = false;
    FPeerSpoke = false;
    FAllLeftAtCancel = false;
}

int TagSocket::ReplyCode(const std::string& line) const {
    if (line.size() < 3) {
        // Fewer than three characters: whatever digits there are.
        if (line.empty()) return -1;
        for (char c : line)
            if (c < '0' || c > '9') return -1;
        return std::stoi(line);
    }
    for (int i = 0; i < 3; ++i)
        if (line[i] < '0' || line[i] > '9') return -1;
    return std::stoi(line.substr(0, 3));
}

void TagSocket::RaiseSocketError(int code) {
    Counter.Stop();
    std::string msg = SocketErrorText(code);
    if (OnError) OnError(msg);
    if (code == 10054) Close();
    throw ESocketError(msg);
}

void TagSocket::RaiseTimeOut() {
    Counter.Stop();
    std::string msg = SocketErrorText(sckTimedOut);
    if (OnError) OnError(msg);
    Lookup.reset();
    Close();
    throw ETimedOutError();
}

void TagSocket::RaiseCanceled() {
    Counter.Stop();
    std::string msg = SocketErrorText(sckCanceled);
    if (OnError) OnError(msg);
    throw ECanceledError();
}

void TagSocket::RaisePortError(const std::string& text) {
    Counter.Stop();
    std::string msg = text;
    if (OnError) OnError(msg);
    throw EMailError(msg);
}

void TagSocket::Open() {
    if (OnOpen) OnOpen();
    if (Server.empty()) RaiseSocketError(sckServerRequired);
    if (!Winsock().IsLoaded()) throw EWinsockDLLError(SocketErrorText(sckNotLoaded));
    char name[512] = {};
    LocalHost = ::gethostname(name, sizeof name - 1) == 0 && name[0] ? name : HostPart();
    ResolveHost();
    ResolvePort();
    Pending.clear();
    Socket = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (Socket < 0) RaiseSocketError(SocketCodeOfErrno(errno));
}

void TagSocket::ResolveHost() {
    const std::string host = HostPart().substr(0, 127);
    in_addr a{};
    if (::inet_pton(AF_INET, host.c_str(), &a) == 1) {
        RemoteAddress = a.s_addr;
    } else {
        Lookup = std::make_unique<THostLookup>();
        if (!Lookup->Ready()) RaiseSocketError(10091);
        Lookup->Start(host);
        Counter.Start();
        while (!Lookup->Done() && !Counter.TimedOut && !Canceled) {
            Lookup->Turn(std::min(TurnMs, MailPumpDueMs()));
            MailPumpNow();
            Counter.Tick();
        }
        Counter.Stop();
        const bool done = Lookup->Done();
        const int error = Lookup->ErrorCode();
        RemoteAddress = Lookup->Address();
        Lookup.reset(); // cancels a look-up still under way
        if (done && error) RaiseSocketError(error);
        if (!done && Canceled) RaiseCanceled();
        if (!done) RaiseTimeOut();
    }
    char text[INET_ADDRSTRLEN] = {};
    in_addr back{RemoteAddress};
    ::inet_ntop(AF_INET, &back, text, sizeof text);
    RemoteText = text;
    if (::inet_pton(AF_INET, text, &back) != 1) RaiseSocketError(sckResolveError);
}

void TagSocket::ResolvePort() {
    // A port written in Server wins, then the configured port; the services
    // entry only when neither is given (it would always say 25 for "smtp").
    if (PortPartOutOfRange())
        RaisePortError("The port in \"" + Server + "\" is not between 1 and 65535");
    if (const int fromServer = PortPart()) {
        FPort = static_cast<uint16_t>(fromServer);
        return;
    }
    if (DefaultPort) {
        FPort = DefaultPort;
        return;
    }
    if (ServiceName.empty()) RaiseSocketError(sckServiceRequired);
    if (Canceled) RaiseCanceled();
    servent entry{}, *found = nullptr;
    char buf[1024];
    if (::getservbyname_r(ServiceName.substr(0, 63).c_str(), "tcp", &entry, buf, sizeof buf,
                          &found) != 0 ||
        !found)
        RaisePortError("No port is set, and the services file has no entry for \"" + ServiceName +
                       "\"");
    FPort = ntohs(static_cast<uint16_t>(found->s_port));
}

short TagSocket::PollTurn(short events) {
    if ((events & POLLIN) && Tls && Tls->HasBuffered()) {
        // Decrypted bytes wait inside TLS, not on the socket.
        MailPumpNow();
        Counter.Tick();
        return POLLIN;
    }
    // Sleep no longer than the pump may wait: work done since the last pump
    // counts against the turn.
    const int ms = std::min(TurnMs, MailPumpDueMs());
    pollfd p{Socket, events, 0};
    const int r = Socket >= 0 ? ::poll(&p, 1, ms) : (::poll(nullptr, 0, ms), 0);
    MailPumpNow();
    Counter.Tick();
    return r > 0 ? p.revents : 0;
}

void TagSocket::ConnectSocket() {
    if (Canceled) RaiseCanceled();
    if (Socket < 0) RaiseSocketError(sckNotConnected);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(FPort);
    addr.sin_addr.s_addr = RemoteAddress;
    Counter.Start();
    if (::connect(Socket, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 &&
        errno != EINPROGRESS)
        RaiseConnectError(errno);
    for (;;) {
        const short ev = PollTurn(POLLOUT);
        if (Canceled) RaiseCanceled();
        if (ev & (POLLOUT | POLLERR | POLLHUP)) break;
        if (Counter.TimedOut) RaiseTimeOut();
    }
    Counter.Stop();
    // A refused or unreachable server is said at once, not after the time-out.
    int err = 0;
    socklen_t len = sizeof err;
    ::getsockopt(Socket, SOL_SOCKET, SO_ERROR, &err, &len);
    if (err) RaiseConnectError(err);
    if (OnConnected) OnConnected();
}

void TagSocket::RaiseConnectError(int err) {
    // The socket is of no further use: closed, so that Connected() says so
    // and a second Connect starts afresh.
    Close();
    RaiseSocketError(SocketCodeOfErrno(err));
}

int TagSocket::ReadLine(std::string& line) {
    Counter.Start();
    const int code = ReadLineWithin(line);
    Counter.Stop();
    return code;
}

int TagSocket::ReadLineWithin(std::string& line) {
    if (Socket < 0) RaiseSocketError(sckNotConnected);
    line.clear();
    std::string text; // what the line keeps: at most LineLimit bytes
    bool full = false;
    for (;;) {
        const size_t lf = Pending.find('\n');
        const size_t take = lf == std::string::npos ? Pending.size() : lf;
        if (!full) {
            text.append(Pending, 0, std::min(take, LineLimit - text.size()));
            full = text.size() >= LineLimit;
        }
        // Past the limit the rest of the line is read and dropped.
        Pending.erase(0, lf == std::string::npos ? Pending.size() : lf + 1);
        if (lf != std::string::npos) break;
        if (PeerClosed) return -1;
        // Checked on every turn, so a server that keeps talking without
        // ending its reply cannot hold the wait past the time-out.
        if (Counter.TimedOut) RaiseTimeOut();
        const short ev = PollTurn(POLLIN);
        if (Canceled) RaiseCanceled();
        if (ev & (POLLIN | POLLHUP | POLLERR)) {
            char buf[4096];
            const long n = Receive(buf, sizeof buf);
            if (n > 0)
                Pending.append(buf, static_cast<size_t>(n));
            else if (n == 0)
                PeerClosed = true;
            else if (errno != EAGAIN && errno != EINTR)
                RaiseSocketError(SocketCodeOfErrno(errno));
        }
    }
    text.resize(std::min(text.size(), text.find('\0'))); // the line is zero-terminated text
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
    line = text;
    if (OnLineReceived) OnLineReceived(line);
    return ReplyCode(line);
}

int TagSocket::ReadReply() {
    Counter.Start(); // one count-down for the whole reply, however it trickles in
    const int code = ReadLineWithin(LastReply);
    if (code > 0 && LastReply.find('-') == 3) {
        for (;;) {
            std::string line;
            const int next = ReadLineWithin(line);
            if (next == -1 && PeerClosed && line.empty()) {
                // Cut before its last line (a close, or TLS's close notice):
                // no reply, whatever its first lines said.
                Counter.Stop();
                LastReply.clear();
                return -1;
            }
            LastReply = line;
            if (next == code && line.find(' ') == 3) break;
        }
    }
    Counter.Stop();
    return code;
}

bool TagSocket::PeerHasSpoken() {
    if (Tls) return PeerHasSpokenOverTls();
    pollfd p{Socket, POLLIN, 0};
    if (::poll(&p, 1, 0) <= 0 || !(p.revents & (POLLIN | POLLHUP | POLLERR))) return false;
    char c;
    // Buffered reply bytes stay readable after a reset; a bare reset is no answer.
    return ::recv(Socket, &c, 1, MSG_PEEK | MSG_DONTWAIT) >= 0;
}

bool TagSocket::SendAll(const char* data, size_t size, TDataProgress* progress) {
    const bool inData = progress != nullptr;
    size_t done = 0;
    while (done < size) {
        // Cancel (from the pump) closes the socket: never send on it after that.
        if (Canceled) RaiseCanceled();
        const long n = Transmit(data + done, size - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            if (inData) {
                progress->Handed += n;
                Counter.Start(); // the time-out limits a stall
            }
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            const int err = errno;
            // A server that refuses the data answers and closes: its answer
            // is the error to show, not the broken pipe.
            if (inData && PeerHasSpoken()) return false;
            RaiseSocketError(SocketCodeOfErrno(err));
        }
        const short ev = PollTurn(inData ? POLLOUT | POLLIN : POLLOUT);
        if (Canceled) RaiseCanceled();
        if (inData && !(ev & POLLOUT) && (ev & (POLLIN | POLLHUP | POLLERR)) && PeerHasSpoken())
            return false;
        if (inData) ReportTaken(*progress);
        if (Counter.TimedOut) RaiseTimeOut();
    }
    return true;
}

void TagSocket::WriteLine(const std::string& text) {
    if (Socket < 0) RaiseSocketError(sckNotConnected);
    if (text.find_first_of("\r\n") != std::string::npos)
        throw EMessageError("A command may not contain a line break");
    const std::string data = text + "\r\n";
    Counter.Start();
    SendAll(data.data(), data.size());
    Counter.Stop();
    if (OnLineSent) OnLineSent(text);
}

void TagSocket::Cancel() {
    Canceled = true;
    if (OnCancel) OnCancel();
    // A look-up under way is dropped by its own wait, which sees Canceled next.
    int unsent = 0;
    FAllLeftAtCancel = Socket >= 0 && ::ioctl(Socket, SIOCOUTQNSD, &unsent) == 0 && unsent == 0;
    if (Socket >= 0 && !FAllLeftAtCancel) {
        // A plain close would still send what the kernel holds, the end of
        // the data included, long after the user was told it stopped: a
        // reset drops it at once. No close notice over TLS either: it would
        // only queue behind that data.
        const linger drop{1, 0};
        ::setsockopt(Socket, SOL_SOCKET, SO_LINGER, &drop, sizeof drop);
        Tls.reset();
    }
    Close();
}

void TagSocket::Close() {
    if (Socket < 0) return;
    if (OnClosing) OnClosing();
    if (Tls) Tls->Shutdown();
    Tls.reset();
    ::close(Socket);
    Socket = -1;
    Pending.clear();
    if (OnClosed) OnClosed();
}
