// Talking to the running copy: `snaprio --show | --configure | --quit` send
// one line over a local socket beside the instance marker, readable by the
// user alone, and wait for "ok".
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <deque>
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

class QLocalSocket;
class QSocketNotifier;

// The server in the running copy. Each command is answered first and then
// handed to Handler from the event loop, so a command that opens a modal box
// never keeps the client waiting. Clients that send no line are dropped after
// a while, and at the descriptor limit the one that has waited longest makes
// room: the socket answers as long as the program lives, and goes with it.
class TRemoteServer : public QObject {
    Q_OBJECT
public:
    explicit TRemoteServer(std::function<void(TRemoteCommand)> handler, QObject* parent = nullptr);
    ~TRemoteServer() override;
    // Takes the socket path (a stale socket of a dead copy is replaced: the
    // caller holds the marker). False when it cannot listen.
    bool Listen();

private:
    void AcceptAll();
    void Adopt(int fd);
    void Drop(QLocalSocket* client);

    std::function<void(TRemoteCommand)> Handler;
    std::string Path;
    int ListenFd = -1;
    QSocketNotifier* Accepting = nullptr;
    QTimer AcceptRetry;
    std::deque<QPointer<QLocalSocket>> Clients; // oldest first
};
