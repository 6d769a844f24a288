// The TCP connection under the SMTP client: host and service look-up,
// connect, CR LF text lines and a spooled byte stream. Every operation looks
// blocking to its caller but waits in short poll() turns that pump the
// message loop (MailPump), so the window stays live and Cancel can be called
// from it. Failures raise ESocketError, ETimedOutError or ECanceledError.
// The bytes move through the transport (SocketTransport.h); the replies are
// read by the reply reader (ReplyReader.h).
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <istream>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "mail/ReplyReader.h"
#include "mail/SendSource.h"
#include "mail/SocketErrors.h"
#include "mail/SocketTransport.h"

class THostLookup;

// The binding of the sockets library. Here the C library is always there;
// a test can make it unavailable.
class TagWinsock {
public:
    bool IsLoaded() const { return Loaded; }
    void Load(); // EWinsockDLLError "Winsock not found" when unavailable
    void Unload() { Loaded = false; }
    bool IsAvailable();

    void SetMissingForTests(bool missing) { Missing = missing; }

private:
    bool Loaded = false;
    bool Missing = false;
};
TagWinsock& Winsock();

// A count-down in seconds. Start clears TimedOut: every wait starts clean.
class TTimeCounter {
public:
    int TimeOut = 60;
    bool TimedOut = false;
    void Start();
    void Stop() { Running = false; }
    // Checks the clock: sets TimedOut when the time is up.
    void Tick();
    int Remaining() const;

private:
    bool Running = false;
    int64_t Deadline = 0; // steady clock, milliseconds
};

class TagSocket {
public:
    TagSocket();
    virtual ~TagSocket();
    TagSocket(const TagSocket&) = delete;
    TagSocket& operator=(const TagSocket&) = delete;

    std::string Server;       // host or dotted IPv4 address, optionally ":port"
    uint16_t DefaultPort = 0; // the port when Server names none; 0: the services entry
    std::string ServiceName;
    int& TimeOut = Counter.TimeOut;
    std::string LastReply;

    std::function<void()> OnOpen, OnConnected, OnClosing, OnClosed, OnCancel;
    std::function<void(int perc, int transferred)> OnProgress;
    std::function<void(std::string& msg)> OnError;
    std::function<void(const std::string&)> OnLineSent, OnLineReceived;

    bool WinsockLoaded() const { return Winsock().IsLoaded(); }
    void SetWinsockLoaded(bool on) { on ? Winsock().Load() : Winsock().Unload(); }
    bool IsWinsockAvailable() { return Winsock().IsAvailable(); }

    bool Connected() const { return Transport.IsOpen(); }
    std::string HostPart() const;
    // The port written after a colon in Server; 0 when none is (letters, 0,
    // or a number outside 1-65535, which Open refuses).
    int PortPart() const;
    bool PortPartOutOfRange() const;
    const std::string& RemoteAddressText() const { return RemoteText; }
    const std::string& LocalHostName() const { return LocalHost; }
    uint16_t Port() const { return FPort; }

    virtual void ResetState();
    virtual int ReplyCode(const std::string& line) const;
    virtual void Open();
    virtual void Close();
    // Ends the operation that waits now with ECanceledError; callable from
    // the message pump. What the kernel still holds unsent is dropped.
    virtual void Cancel();
    // At the last Cancel every byte written had left the socket (nothing
    // was dropped): what was written reaches the peer.
    bool AllLeftAtCancel() const { return FAllLeftAtCancel; }

    void ConnectSocket();
    // One reply line (LF alone accepted, trailing CR and LF removed, at most
    // 1024 bytes kept, a zero byte ends it); its code, or -1 when the peer
    // closed before a line was complete.
    int ReadLine(std::string& line);
    // A whole reply, multi-line ones to their last line; the first line's
    // code, or -1 (LastReply empty) when the peer closed before the last
    // line. The time-out bounds the whole reply.
    int ReadReply();
    // Text and CR LF; text with a CR or LF in it is refused.
    void WriteLine(const std::string& text);
    // The stream from its start, in chunks of 2047 bytes with OnProgress;
    // Filter, when given, transforms each chunk before it goes out. Stops
    // early, with PeerSpoke() true, when the peer answers or closes meanwhile.
    using TSendFilter = std::function<void(std::string_view, std::string&)>;
    void SendStream(std::istream& stream, const TSendFilter& filter = {});
    // The same from a source that may still be growing; OnProgress of the
    // chunks sent before its size is known follows once it is.
    void SendSource(TSendSource& source, const TSendFilter& filter = {});
    bool PeerSpoke() const { return FPeerSpoke; }
    // The peer ended the connection (a read met its end).
    bool PeerHasClosed() const { return PeerClosed; }

    // Turns the open connection into TLS, the server's certificate checked
    // against HostPart(). Bytes the server sent before are dropped: nothing
    // that arrived unprotected may be taken as a reply afterwards. A refused
    // certificate or handshake raises ETlsError (the connection closed).
    void StartTls();
    bool Secure() const { return Transport.Secure(); }

    [[noreturn]] void RaiseSocketError(int code);
    [[noreturn]] void RaiseTimeOut();
    [[noreturn]] void RaiseCanceled();
    // A setting that names no usable port: an EMailError of its own words,
    // not a failed connection, so that the user is told what to correct.
    [[noreturn]] void RaisePortError(const std::string& text);

protected:
    bool Canceled = false;

private:
    // One poll turn of at most a few ms on the socket, then a pump.
    short PollTurn(short events);
    void ResolveHost();
    void ResolvePort();
    int ReadLineWithin(std::string& line);
    // One wait turn for reply bytes; what arrives goes to Reader.
    void AwaitBytes();
    void PeerEnded();
    // The data phase's progress: a chunk is reported once the peer has taken
    // its bytes (acknowledged them), so that the bar follows the server, not
    // what the kernel here has buffered.
    struct TDataProgress {
        // Bytes handed to the socket once a chunk is, and the position after it.
        std::deque<std::pair<int64_t, int64_t>> Chunks;
        int64_t Handed = 0; // bytes of the data phase handed to the socket
        int64_t Taken = 0;  // of them, those the peer has acknowledged
        int64_t Size = -1;  // the source's size once known
    };
    // Progress, when given, marks the data phase. False when, in the data
    // phase, the peer answered instead of reading.
    bool SendAll(const char* data, size_t size, TDataProgress* progress = nullptr);
    // Reports the chunks the peer has taken; true when it reported any.
    bool ReportTaken(TDataProgress& progress);
    // Waits, reporting, until the peer has taken every chunk; false when it
    // answered meanwhile.
    bool DrainData(TDataProgress& progress);
    // Over TLS only text (or the end) counts, and the text read goes to Reader.
    bool PeerHasSpoken();
    [[noreturn]] void RaiseConnectError(int err);
    // The transport's byte moves; a TLS failure closes the connection and
    // raises ETlsError with OnError.
    long Receive(char* buffer, size_t size);
    long Transmit(const char* data, size_t size);
    [[noreturn]] void RaiseTlsError(const std::string& text);

    TTimeCounter Counter;
    TSocketTransport Transport; // the descriptor, the poll and TLS
    uint32_t RemoteAddress = 0;
    std::string RemoteText, LocalHost;
    uint16_t FPort = 0;
    TReplyReader Reader; // received bytes after the last line taken
    bool PeerClosed = false;
    bool FPeerSpoke = false;
    bool FAllLeftAtCancel = false;
    std::unique_ptr<THostLookup> Lookup; // the host look-up under way, if any
};
