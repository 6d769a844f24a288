// Talking to the running copy: `snaprio --show | --configure | --quit` send
// one line over a local socket beside the instance marker, readable by the
// user alone, and wait for "ok".
#pragma once

#include <QObject>
#include <functional>
#include <string>
#include <string_view>

enum class TRemoteCommand { None, Show, Configure, Quit };

// "--show" -> Show, ...; None for anything else.
TRemoteCommand RemoteCommandOf(std::string_view option);
// The word sent over the socket ("show"), and back; None for an unknown one.
std::string_view RemoteWord(TRemoteCommand command);
TRemoteCommand RemoteCommandFromWord(std::string_view word);

// The socket's path: the runtime folder, beside the marker.
std::string RemoteSocketPath();

// The client: sends Command to the running copy. Returns the exit status
// (0 done, 1 no copy answers) and says why on stderr.
int SendRemoteCommand(TRemoteCommand command);

class QLocalServer;

// The server in the running copy. Each command is answered first and then
// handed to Handler from the event loop, so a command that opens a modal box
// never keeps the client waiting.
class TRemoteServer : public QObject {
    Q_OBJECT
public:
    explicit TRemoteServer(std::function<void(TRemoteCommand)> handler, QObject* parent = nullptr);
    ~TRemoteServer() override;
    // Takes the socket path (a stale socket of a dead copy is replaced: the
    // caller holds the marker). False when it cannot listen.
    bool Listen();

private:
    std::function<void(TRemoteCommand)> Handler;
    QLocalServer* Server;
};
