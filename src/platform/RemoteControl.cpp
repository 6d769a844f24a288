#include "platform/RemoteControl.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <array>
#include <cstdio>
#include <utility>

#include "platform/Paths.h"

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
constexpr qint64 MaxLine = 64; // a longer line is no command of ours

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
                     "snaprio: Snaprio 2000 is not running (nothing answers at %s); "
                     "start it with 'snaprio'\n",
                     path.c_str());
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
    : QObject(parent), Handler(std::move(handler)), Server(new QLocalServer(this)) {
    Server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(Server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = Server->nextPendingConnection()) {
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            connect(client, &QLocalSocket::readyRead, this, [this, client] {
                if (!client->canReadLine()) {
                    if (client->bytesAvailable() > MaxLine) client->abort();
                    return;
                }
                const QByteArray word = client->readLine(MaxLine).trimmed();
                const TRemoteCommand command = RemoteCommandFromWord(word.toStdString());
                client->write(command == TRemoteCommand::None ? "unknown\n" : "ok\n");
                client->flush();
                client->disconnectFromServer();
                if (command != TRemoteCommand::None)
                    QTimer::singleShot(0, this, [this, command] { Handler(command); });
            });
        }
    });
}

TRemoteServer::~TRemoteServer() {
    Server->close(); // removes the socket file
}

bool TRemoteServer::Listen() {
    if (RemoteSocketPath().empty()) return false;
    const QString path = QString::fromStdString(RemoteSocketPath());
    QLocalServer::removeServer(path);
    return Server->listen(path);
}
