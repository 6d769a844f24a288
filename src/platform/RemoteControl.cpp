#include "platform/RemoteControl.h"

#include <QLocalSocket>
#include <QSocketNotifier>
#include <QTimer>
#include <array>
#include <cerrno>
#include <cstdio>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

#include "settings/Paths.h"
#include "product/ProductName.h"

namespace {

struct TCommandName {
    TRemoteCommand Command;
    std::string_view Option, Word;
};
constexpr std::array<TCommandName, 3> Commands{{
    {TRemoteCommand::Show, "--show", "show"},
    {TRemoteCommand::Configure, "--configure", "configure"},
    {TRemoteCommand::Quit, "--quit", "quit"},
}};

constexpr int AnswerTimeoutMs = 5000;
constexpr qint64 MaxLine = 64;     // a longer line is no command of ours, newline included
constexpr int IdleClientMs = 5000; // a client of ours sends its line at once
constexpr int AcceptRetryMs = 200; // out of descriptors with no client to drop

} // namespace

TRemoteCommand RemoteCommandOf(std::string_view option) {
    for (const auto& c : Commands)
        if (c.Option == option) return c.Command;
    return TRemoteCommand::None;
}

std::string_view RemoteWord(TRemoteCommand command) {
    for (const auto& c : Commands)
        if (c.Command == command) return c.Word;
    return {};
}

TRemoteCommand RemoteCommandFromWord(std::string_view word) {
    for (const auto& c : Commands)
        if (c.Word == word) return c.Command;
    return TRemoteCommand::None;
}

std::string RemoteSocketPath() {
    const std::string marker = MarkerPath();
    return marker.empty() ? marker : marker + ".socket";
}

int SendRemoteCommand(TRemoteCommand command) {
    const std::string path = RemoteSocketPath();
    if (path.empty()) {
        std::fprintf(stderr, "snaprio: %s\n", RuntimeDirRefusal().c_str());
        return 1;
    }
    QLocalSocket socket;
    socket.connectToServer(QString::fromStdString(path));
    if (!socket.waitForConnected(AnswerTimeoutMs)) {
        std::fprintf(stderr,
                     "snaprio: %s is not running (nothing answers at %s); "
                     "start it with 'snaprio'\n",
                     ProgramTitle, path.c_str());
        return 1;
    }
    const std::string line = std::string(RemoteWord(command)) + "\n";
    socket.write(line.data(), qint64(line.size()));
    socket.waitForBytesWritten(AnswerTimeoutMs);
    QByteArray answer;
    while (!answer.contains('\n') && socket.waitForReadyRead(AnswerTimeoutMs))
        answer += socket.readAll();
    if (answer.trimmed() != "ok") {
        std::fprintf(stderr, "snaprio: the running copy did not answer '%s'\n",
                     std::string(RemoteWord(command)).c_str());
        return 1;
    }
    return 0;
}

TRemoteServer::TRemoteServer(std::function<void(TRemoteCommand)> handler, QObject* parent)
    : QObject(parent), Handler(std::move(handler)) {
    AcceptRetry.setSingleShot(true);
    AcceptRetry.setInterval(AcceptRetryMs);
    connect(&AcceptRetry, &QTimer::timeout, this, [this] { Accepting->setEnabled(true); });
}

TRemoteServer::~TRemoteServer() {
    if (ListenFd < 0) return;
    ::close(ListenFd);
    ::unlink(Path.c_str());
}

bool TRemoteServer::Listen() {
    Path = RemoteSocketPath();
    if (Path.empty()) return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (Path.size() >= sizeof address.sun_path) return false;
    Path.copy(address.sun_path, Path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    ::unlink(Path.c_str()); // a stale socket of a dead copy: the caller holds the marker
    const mode_t mask = ::umask(077);
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::umask(mask);
    if (!bound || ::listen(fd, SOMAXCONN) != 0) {
        ::close(fd);
        return false;
    }
    ListenFd = fd;
    Accepting = new QSocketNotifier(ListenFd, QSocketNotifier::Read, this);
    connect(Accepting, &QSocketNotifier::activated, this, [this] { AcceptAll(); });
    return true;
}

void TRemoteServer::AcceptAll() {
    for (;;) {
        const int fd = ::accept4(ListenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd >= 0) {
            Adopt(fd);
            continue;
        }
        if (errno == EINTR || errno == ECONNABORTED) continue;
        if (errno != EMFILE && errno != ENFILE) return; // nothing pending, or a passing fault
        // Out of descriptors: the client that has waited longest without a
        // command makes room; with none to drop, try again in a while. The
        // listener itself stays whatever happens.
        while (!Clients.empty() && !Clients.front()) Clients.pop_front();
        if (Clients.empty()) {
            Accepting->setEnabled(false);
            AcceptRetry.start();
            return;
        }
        Drop(Clients.front());
        Clients.pop_front();
    }
}

void TRemoteServer::Drop(QLocalSocket* client) {
    client->abort(); // frees the descriptor now
    client->deleteLater();
}

void TRemoteServer::Adopt(int fd) {
    auto* client = new QLocalSocket(this);
    if (!client->setSocketDescriptor(fd)) {
        ::close(fd);
        client->deleteLater();
        return;
    }
    Clients.emplace_back(client);
    connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
    QTimer::singleShot(IdleClientMs, client, [this, client] { Drop(client); });
    connect(client, &QLocalSocket::readyRead, this, [this, client] {
        if (!client->canReadLine()) {
            if (client->bytesAvailable() > MaxLine) Drop(client);
            return;
        }
        const QByteArray line = client->readLine();
        const TRemoteCommand command = line.size() > MaxLine
                                           ? TRemoteCommand::None
                                           : RemoteCommandFromWord(line.trimmed().toStdString());
        client->write(command == TRemoteCommand::None ? "unknown\n" : "ok\n");
        client->flush();
        client->disconnectFromServer();
        if (command != TRemoteCommand::None)
            QTimer::singleShot(0, this, [this, command] { Handler(command); });
    });
}
