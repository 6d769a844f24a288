#include "mail/agsocket.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "mail/HostLookup.h"
#include "mail/MailPump.h"
#include "mail/TlsChannel.h"

namespace {

constexpr int TurnMs = 3; // one wait turn: poll this long, then pump

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
    return ::ReplyCode(line);
}

void TagSocket::RaiseSocketError(int code) {
    Counter.Stop();
    std::string msg = SocketErrorText(code);
    if (OnError) OnError(msg);
    if (code == wsaConnectionReset) Close();
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
    Reader.Clear();
    if (!Transport.Create()) RaiseSocketError(SocketCodeOfErrno(errno));
}

void TagSocket::ResolveHost() {
    const std::string host = HostPart().substr(0, 127);
    in_addr a{};
    if (::inet_pton(AF_INET, host.c_str(), &a) == 1) {
        RemoteAddress = a.s_addr;
    } else {
        Lookup = std::make_unique<THostLookup>();
        if (!Lookup->Ready()) RaiseSocketError(wsaSystemNotReady);
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
    // Sleep no longer than the pump may wait: work done since the last pump
    // counts against the turn.
    const short ev = Transport.Poll(events, std::min(TurnMs, MailPumpDueMs()));
    MailPumpNow();
    Counter.Tick();
    return ev;
}

void TagSocket::ConnectSocket() {
    if (Canceled) RaiseCanceled();
    if (!Transport.IsOpen()) RaiseSocketError(sckNotConnected);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(FPort);
    addr.sin_addr.s_addr = RemoteAddress;
    Counter.Start();
    if (const int err = Transport.Connect(addr)) RaiseConnectError(err);
    for (;;) {
        const short ev = PollTurn(POLLOUT);
        if (Canceled) RaiseCanceled();
        if (ev & (POLLOUT | POLLERR | POLLHUP)) break;
        if (Counter.TimedOut) RaiseTimeOut();
    }
    Counter.Stop();
    // A refused or unreachable server is said at once, not after the time-out.
    if (const int err = Transport.ConnectError()) RaiseConnectError(err);
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

void TagSocket::AwaitBytes() {
    // Checked on every turn, so a server that keeps talking without ending
    // its reply cannot hold the wait past the time-out.
    if (Counter.TimedOut) RaiseTimeOut();
    const short ev = PollTurn(POLLIN);
    if (Canceled) RaiseCanceled();
    if (ev & (POLLIN | POLLHUP | POLLERR)) {
        char buf[4096];
        const long n = Receive(buf, sizeof buf);
        if (n > 0)
            Reader.Feed(std::string_view(buf, static_cast<size_t>(n)));
        else if (n == 0)
            PeerEnded();
        else if (errno != EAGAIN && errno != EINTR)
            RaiseSocketError(SocketCodeOfErrno(errno));
    }
}

int TagSocket::ReadLineWithin(std::string& line) {
    if (!Transport.IsOpen()) RaiseSocketError(sckNotConnected);
    TLineResult got;
    while ((got = Reader.NextLine(line)) == TLineResult::More) AwaitBytes();
    if (got == TLineResult::Cut) return -1;
    if (OnLineReceived) OnLineReceived(line);
    return ReplyCode(line);
}

int TagSocket::ReadReply() {
    if (!Transport.IsOpen()) RaiseSocketError(sckNotConnected);
    Counter.Start(); // one count-down for the whole reply, however it trickles in
    TReply reply;
    while (reply.Read(Reader, OnLineReceived) == TLineResult::More) AwaitBytes();
    Counter.Stop();
    LastReply = reply.LastLine();
    return reply.Code();
}

void TagSocket::PeerEnded() {
    PeerClosed = true;
    Reader.End();
}

bool TagSocket::PeerHasSpoken() {
    // Poll says at once when TLS holds decrypted bytes.
    if (!(Transport.Poll(POLLIN, 0) & (POLLIN | POLLHUP | POLLERR))) return false;
    if (!Transport.Secure()) return Transport.PeekSpoken();
    // TLS has records of its own: only text (or the end) counts, and the
    // text read is the reply's.
    char buf[4096];
    const long n = Receive(buf, sizeof buf);
    if (n > 0) Reader.Feed(std::string_view(buf, static_cast<size_t>(n)));
    if (n == 0) PeerEnded();
    return n >= 0; // a bare reset is no answer
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
    if (!Transport.IsOpen()) RaiseSocketError(sckNotConnected);
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
    FAllLeftAtCancel = Transport.AllSent();
    if (!FAllLeftAtCancel) {
        // A plain close would still send what the kernel holds, the end of
        // the data included, long after the user was told it stopped: a
        // reset drops it at once. No close notice over TLS either: it would
        // only queue behind that data.
        Transport.DropUnsent();
    }
    Close();
}

void TagSocket::Close() {
    if (!Transport.IsOpen()) return;
    if (OnClosing) OnClosing();
    Transport.Close();
    Reader.Clear();
    if (OnClosed) OnClosed();
}

void TagSocket::RaiseTlsError(const std::string& text) {
    Counter.Stop();
    std::string msg = text;
    if (OnError) OnError(msg);
    Transport.DropTls(); // no close notice over a connection that failed
    Close();
    throw ETlsError(msg);
}

void TagSocket::StartTls() {
    if (!Transport.IsOpen()) RaiseSocketError(sckNotConnected);
    if (Canceled) RaiseCanceled();
    // What came after the server's go-ahead was never protected; the server
    // sends nothing more before our hello, so whatever is there now goes.
    Reader.Clear();
    try {
        Transport.BeginTls(HostPart());
    } catch (const ETlsError& e) {
        RaiseTlsError(e.what());
    }
    Counter.Start();
    for (;;) {
        TTlsWait wait = TTlsWait::None;
        bool done = false;
        try {
            done = Transport.Handshake(wait);
        } catch (const ETlsError& e) {
            RaiseTlsError(e.what());
        }
        if (done) break;
        PollTurn(wait == TTlsWait::Write ? POLLOUT : POLLIN);
        if (Canceled) RaiseCanceled(); // Cancel closed the connection: TLS is gone
        if (Counter.TimedOut) RaiseTimeOut();
    }
    Counter.Stop();
}

long TagSocket::Receive(char* buffer, size_t size) {
    try {
        return Transport.Receive(buffer, size);
    } catch (const ETlsError& e) {
        RaiseTlsError(e.what());
    }
}

long TagSocket::Transmit(const char* data, size_t size) {
    try {
        return Transport.Transmit(data, size);
    } catch (const ETlsError& e) {
        RaiseTlsError(e.what());
    }
}
