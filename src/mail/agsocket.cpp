#include "mail/agsocket.h"

#include <ares.h>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#include "mail/MailPump.h"

namespace {

constexpr int TurnMs = 5;          // one wait turn: poll this long, then pump
constexpr size_t LineLimit = 1024; // bytes of a reply line kept
constexpr size_t ChunkSize = 2047; // stream chunk of OnProgress
constexpr size_t SendBatch = 32 * ChunkSize;

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

const std::map<int, const char*>& Texts() {
    static const std::map<int, const char*> texts = {
        {10004, "Interrupted function call"},
        {10009, "Bad file number"},
        {10013, "Permission denied."},
        {10014, "Bad address"},
        {10022, "Invalid argument"},
        {10024, "Too many open files"},
        {10035, "Resource temporarily not available"},
        {10036, "Operation now in progress"},
        {10037, "Operation already in progress"},
        {10038, "Socket operation on non-socket"},
        {10039, "Destination address required"},
        {10040, "Message too long"},
        {10041, "Protocol wrong type for socket"},
        {10042, "Bad protocol option"},
        {10043, "Protocol not supported"},
        {10044, "Socket type not supported"},
        {10045, "Operation not supported"},
        {10046, "Protocol family not supported"},
        {10047, "Address family not supported by protocol family"},
        {10048, "Address already in use"},
        {10049, "Cannot assign requested address"},
        {10050, "Network is down"},
        {10051, "Network is unreachable"},
        {10052, "Network dropped connection or reset"},
        {10053, "Software caused connection abort"},
        {10054, "Connection reset by peer"},
        {10055, "No buffer space available"},
        {10056, "Socket is already connected"},
        {10057, "Socket is not connected"},
        {10058, "Can't send after socket shutdown"},
        {10059, "Too many references, can't splice"},
        {10060, "Connection timed out"},
        {10061, "Connection refused"},
        {10062, "Too many levels of symbolic links"},
        {10063, "File name too long"},
        {10064, "Host is down"},
        {10065, "No Route to Host"},
        {10066, "Directory not empty"},
        {10067, "Too many processes"},
        {10068, "Too many users"},
        {10069, "Disc Quota Exceeded"},
        {10070, "Stale NFS file handle"},
        {10071, "Too many levels of remote in path"},
        {10091, "Network subsystem is unavailable"},
        {10092, "WINSOCK DLL Version out of range"},
        {10093, "Successful WSAStartup() not yet performed"},
        {10094, "Graceful shutdown in progress"},
        {11001, "Host not found"},
        {11002, "Non-Authoritative Host not found"},
        {11003, "Non-Recoverable errors: FORMERR, REFUSED, NOTIMP"},
        {11004, "Valid name, no data record of requested type"},
    };
    return texts;
}

int AresCode(int status) {
    switch (status) {
    case ARES_ENOTFOUND:
        return 11001;
    case ARES_ENODATA:
        return 11004;
    case ARES_EFORMERR:
    case ARES_EREFUSED:
    case ARES_ENOTIMP:
    case ARES_EBADNAME:
        return 11003;
    default:
        return 11002; // server failure, no server reachable: try again later
    }
}

} // namespace

std::string SocketErrorText(int code) {
    switch (code) {
    case sckTimedOut:
        return "Operation timed out";
    case sckCanceled:
        return "Operation has been canceled";
    case sckServerRequired:
        return "Server property is required";
    case sckInvalidVersion:
        return "Invalid Winsock version";
    case sckResolveError:
        return "Error resolving remote host";
    case sckServiceRequired:
        return "Service name is required";
    case sckNotConnected:
        return "You have to connect to the server first";
    case sckNotLoaded:
        return "Winsock is not loaded";
    case sckNotFound:
        return "Winsock not found";
    case sckMessageRequired:
        return "MailMessage property must be assigned";
    default:
        break;
    }
    auto it = Texts().find(code);
    if (it == Texts().end()) return "Error #" + std::to_string(code);
    return "[" + std::to_string(code) + "] " + it->second;
}

int SocketCodeOfErrno(int err) {
    switch (err) {
    case EINTR:
        return 10004;
    case EBADF:
        return 10009;
    case EACCES:
        return 10013;
    case EFAULT:
        return 10014;
    case EINVAL:
        return 10022;
    case EMFILE:
        return 10024;
    case EAGAIN:
        return 10035;
    case EINPROGRESS:
        return 10036;
    case EALREADY:
        return 10037;
    case ENOTSOCK:
        return 10038;
    case EDESTADDRREQ:
        return 10039;
    case EMSGSIZE:
        return 10040;
    case EPROTOTYPE:
        return 10041;
    case ENOPROTOOPT:
        return 10042;
    case EPROTONOSUPPORT:
        return 10043;
    case ESOCKTNOSUPPORT:
        return 10044;
    case EOPNOTSUPP:
        return 10045;
    case EPFNOSUPPORT:
        return 10046;
    case EAFNOSUPPORT:
        return 10047;
    case EADDRINUSE:
        return 10048;
    case EADDRNOTAVAIL:
        return 10049;
    case ENETDOWN:
        return 10050;
    case ENETUNREACH:
        return 10051;
    case ENETRESET:
        return 10052;
    case ECONNABORTED:
        return 10053;
    case ECONNRESET:
    case EPIPE:
        return 10054;
    case ENOBUFS:
        return 10055;
    case EISCONN:
        return 10056;
    case ENOTCONN:
        return 10057;
    case ESHUTDOWN:
        return 10058;
    case ETIMEDOUT:
        return 10060;
    case ECONNREFUSED:
        return 10061;
    case EHOSTDOWN:
        return 10064;
    case EHOSTUNREACH:
        return 10065;
    default:
        return err;
    }
}

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

void* TagWinsock::GetProc(const std::string& name) const {
    if (!Loaded) throw EWinsockDLLError(SocketErrorText(sckNotLoaded));
    static const std::map<std::string, void*> procs = {
        {"closesocket", reinterpret_cast<void*>(&::close)},
        {"connect", reinterpret_cast<void*>(&::connect)},
        {"recv", reinterpret_cast<void*>(&::recv)},
        {"send", reinterpret_cast<void*>(&::send)},
        {"socket", reinterpret_cast<void*>(&::socket)},
        {"gethostname", reinterpret_cast<void*>(&::gethostname)},
        {"inet_addr", reinterpret_cast<void*>(&::inet_addr)},
    };
    auto it = procs.find(name);
    if (it == procs.end()) throw EWinsockDLLError("Function " + name + " not found");
    return it->second;
}

TagWinsock& Winsock() {
    static TagWinsock winsock;
    return winsock;
}

void TTimeCounter::Start() {
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

// A c-ares host look-up: asynchronous, cancellable.
struct TagSocket::TLookup {
    ares_channel Channel = nullptr;
    bool Done = false;
    int Status = ARES_SUCCESS;
    uint32_t Address = 0;

    TLookup() {
        static std::once_flag once;
        std::call_once(once, [] { ares_library_init(ARES_LIB_INIT_ALL); });
        ares_options opts{};
        opts.timeout = 2000; // per try, milliseconds; our own count-down bounds the whole
        opts.tries = 2;
        if (ares_init_options(&Channel, &opts, ARES_OPT_TIMEOUTMS | ARES_OPT_TRIES) != ARES_SUCCESS)
            Channel = nullptr;
    }
    ~TLookup() {
        if (Channel) ares_destroy(Channel); // calls back pending queries with ARES_EDESTRUCTION
    }
    static void Callback(void* arg, int status, int, hostent* host) {
        auto* self = static_cast<TLookup*>(arg);
        if (status == ARES_ECANCELLED || status == ARES_EDESTRUCTION) return;
        self->Done = true;
        self->Status = status;
        if (status == ARES_SUCCESS && host && host->h_addr_list[0])
            std::memcpy(&self->Address, host->h_addr_list[0], 4);
        else if (status == ARES_SUCCESS)
            self->Status = ARES_ENODATA;
    }
    // One turn: wait a little on c-ares's sockets, let it work.
    void Turn(int ms) {
        ares_socket_t socks[ARES_GETSOCK_MAXNUM];
        const int bits = ares_getsock(Channel, socks, ARES_GETSOCK_MAXNUM);
        pollfd fds[ARES_GETSOCK_MAXNUM];
        int n = 0;
        for (int i = 0; i < ARES_GETSOCK_MAXNUM; ++i) {
            short ev = 0;
            if (ARES_GETSOCK_READABLE(bits, i)) ev |= POLLIN;
            if (ARES_GETSOCK_WRITABLE(bits, i)) ev |= POLLOUT;
            if (ev) fds[n++] = {socks[i], ev, 0};
        }
        if (n == 0) {
            ::poll(nullptr, 0, ms);
        } else if (::poll(fds, static_cast<nfds_t>(n), ms) > 0) {
            for (int i = 0; i < n; ++i)
                ares_process_fd(Channel,
                                fds[i].revents & (POLLIN | POLLERR | POLLHUP) ? fds[i].fd
                                                                              : ARES_SOCKET_BAD,
                                fds[i].revents & POLLOUT ? fds[i].fd : ARES_SOCKET_BAD);
            return;
        }
        ares_process_fd(Channel, ARES_SOCKET_BAD, ARES_SOCKET_BAD); // time-outs and retries
    }
};

TagSocket::TagSocket() = default;

TagSocket::~TagSocket() {
    Lookup.reset();
    if (Socket >= 0) ::close(Socket);
}

std::string TagSocket::HostPart() const {
    return Server.substr(0, Server.find(':'));
}

int TagSocket::PortPart() const {
    const size_t colon = Server.find(':');
    if (colon == std::string::npos) return 0;
    const std::string text = Server.substr(colon + 1);
    if (text.empty() || text.size() > 10) return 0;
    size_t i = text[0] == '-' || text[0] == '+' ? 1 : 0;
    if (i == text.size()) return 0;
    for (size_t k = i; k < text.size(); ++k)
        if (text[k] < '0' || text[k] > '9') return 0;
    const long long v = std::stoll(text);
    return v > INT32_MAX || v < INT32_MIN ? 0 : static_cast<int>(v);
}

void TagSocket::ResetState() {
    Canceled = false;
    Counter.TimedOut = false;
    Lookup.reset();
    PeerClosed = false;
    FPeerSpoke = false;
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
        Lookup = std::make_unique<TLookup>();
        if (!Lookup->Channel) RaiseSocketError(10091);
        ares_gethostbyname(Lookup->Channel, host.c_str(), AF_INET, &TLookup::Callback,
                           Lookup.get());
        Counter.Start();
        while (!Lookup->Done && !Counter.TimedOut && !Canceled) {
            Lookup->Turn(TurnMs);
            MailPumpNow();
            Counter.Tick();
        }
        Counter.Stop();
        const bool done = Lookup->Done;
        const int status = Lookup->Status;
        RemoteAddress = Lookup->Address;
        Lookup.reset(); // cancels a look-up still under way
        if (done && status != ARES_SUCCESS) RaiseSocketError(AresCode(status));
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
    const int fromServer = PortPart() & 0xFFFF;
    if (fromServer) {
        FPort = static_cast<uint16_t>(fromServer);
        return;
    }
    if (ServiceName.empty()) RaiseSocketError(sckServiceRequired);
    if (Canceled) RaiseCanceled();
    servent entry{}, *found = nullptr;
    char buf[1024];
    if (::getservbyname_r(ServiceName.substr(0, 63).c_str(), "tcp", &entry, buf, sizeof buf,
                          &found) == 0 &&
        found)
        FPort = ntohs(static_cast<uint16_t>(found->s_port));
    else
        FPort = DefaultPort;
}

short TagSocket::PollTurn(short events) {
    pollfd p{Socket, events, 0};
    const int r = Socket >= 0 ? ::poll(&p, 1, TurnMs) : (::poll(nullptr, 0, TurnMs), 0);
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
        RaiseSocketError(SocketCodeOfErrno(errno));
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
    if (err) RaiseSocketError(SocketCodeOfErrno(err));
    if (OnConnected) OnConnected();
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
        const short ev = PollTurn(POLLIN);
        if (Canceled) RaiseCanceled();
        if (ev & (POLLIN | POLLHUP | POLLERR)) {
            char buf[4096];
            const ssize_t n = ::recv(Socket, buf, sizeof buf, 0);
            if (n > 0)
                Pending.append(buf, static_cast<size_t>(n));
            else if (n == 0)
                PeerClosed = true;
            else if (errno != EAGAIN && errno != EINTR)
                RaiseSocketError(SocketCodeOfErrno(errno));
        } else if (Counter.TimedOut) {
            RaiseTimeOut();
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
            if (next == -1 && PeerClosed && line.empty()) break;
            LastReply = line;
            if (next == code && line.find(' ') == 3) break;
        }
    }
    Counter.Stop();
    return code;
}

void TagSocket::SendAll(const char* data, size_t size, bool restartOnProgress) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::send(Socket, data + done, size - done, MSG_NOSIGNAL);
        if (n > 0) {
            done += static_cast<size_t>(n);
            if (restartOnProgress) Counter.Start(); // the time-out limits a stall
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) RaiseSocketError(SocketCodeOfErrno(errno));
        PollTurn(POLLOUT);
        if (Canceled) RaiseCanceled();
        if (Counter.TimedOut) RaiseTimeOut();
    }
}

void TagSocket::WriteLine(const std::string& text) {
    if (Socket < 0) RaiseSocketError(sckNotConnected);
    if (text.find_first_of("\r\n") != std::string::npos)
        throw EMessageError("A command may not contain a line break");
    const std::string data = text + "\r\n";
    Counter.Start();
    SendAll(data.data(), data.size(), false);
    Counter.Stop();
    if (OnLineSent) OnLineSent(text);
}

void TagSocket::SendStream(std::istream& stream,
                           const std::function<void(std::string_view, std::string&)>& filter) {
    if (Socket < 0) RaiseSocketError(sckNotConnected);
    stream.clear();
    stream.seekg(0, std::ios::end);
    const int64_t size = static_cast<int64_t>(stream.tellg());
    stream.seekg(0);
    FPeerSpoke = false;
    std::string out;
    std::vector<int64_t> positions; // stream positions of the chunks in Out
    char chunk[ChunkSize];
    bool last = false;
    Counter.Start();
    while (!last) {
        stream.read(chunk, ChunkSize);
        const auto got = static_cast<size_t>(stream.gcount());
        last = got < ChunkSize;
        if (filter)
            filter(std::string_view(chunk, got), out);
        else
            out.append(chunk, got);
        const int64_t pos = static_cast<int64_t>(stream.tellg());
        positions.push_back(pos < 0 ? std::max<int64_t>(size, 0) : pos); // -1 once the end was read
        MailPump();
        if (out.size() < SendBatch && !last) continue;
        // The peer answering now means it refused the data: stop and let the
        // caller read what it said.
        pollfd p{Socket, POLLIN, 0};
        if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLIN | POLLHUP | POLLERR))) {
            FPeerSpoke = true;
            Counter.Stop();
            return;
        }
        SendAll(out.data(), out.size(), true);
        out.clear();
        for (int64_t pos : positions) {
            if (OnProgress) {
                const double exact =
                    size > 0 ? static_cast<double>(pos) * 100.0 / static_cast<double>(size) : 0;
                OnProgress(static_cast<int>(std::nearbyint(exact)), static_cast<int>(pos));
            }
        }
        positions.clear();
    }
    Counter.Stop();
    if (OnProgress) OnProgress(0, 0);
}

void TagSocket::Cancel() {
    Canceled = true;
    if (OnCancel) OnCancel();
    // A look-up under way is dropped by its own wait, which sees Canceled next.
    Close();
}

void TagSocket::Close() {
    if (Socket < 0) return;
    if (OnClosing) OnClosing();
    ::close(Socket);
    Socket = -1;
    Pending.clear();
    if (OnClosed) OnClosed();
}
