#include "ScriptServer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int Listen(int* port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(fd, 4);
    socklen_t len = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    *port = ntohs(a.sin_port);
    return fd;
}
} // namespace

void TConn::Send(const std::string& text) {
    Log.push_back("S: " + text.substr(0, text.find("\r\n")));
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::send(Fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (n <= 0) return;
        done += static_cast<size_t>(n);
    }
}

std::string TConn::Expect() {
    for (;;) {
        const size_t lf = Buffer.find("\r\n");
        if (lf != std::string::npos) {
            std::string line = Buffer.substr(0, lf);
            Buffer.erase(0, lf + 2);
            Log.push_back("C: " + line);
            return line;
        }
        char buf[4096];
        const ssize_t n = ::recv(Fd, buf, sizeof buf, 0);
        if (n <= 0) {
            Log.push_back("C: <closed>");
            return "";
        }
        Buffer.append(buf, static_cast<size_t>(n));
    }
}

std::string TConn::ReadData() {
    for (;;) {
        const size_t end = Buffer.find("\r\n.\r\n");
        if (end != std::string::npos) {
            Data = Buffer.substr(0, end + 2);
            Buffer.erase(0, end + 5);
            Log.push_back("C: <data " + std::to_string(Data.size()) + " bytes>");
            Log.push_back("C: .");
            return Data;
        }
        char buf[65536];
        const ssize_t n = ::recv(Fd, buf, sizeof buf, 0);
        if (n <= 0) {
            Log.push_back("C: <closed in data>");
            return "";
        }
        Buffer.append(buf, static_cast<size_t>(n));
    }
}

void TConn::ReadSome(size_t bytes) {
    while (Buffer.size() < bytes) {
        char buf[65536];
        const ssize_t n = ::recv(Fd, buf, std::min(sizeof buf, bytes - Buffer.size()), 0);
        if (n <= 0) return;
        Buffer.append(buf, static_cast<size_t>(n));
    }
    Buffer.erase(0, bytes);
}

int TConn::ReadDataSlowly(size_t bytesPerTurn, int msPerTurn, std::atomic<int64_t>* read) {
    std::string all;
    int turns = 0;
    while (all.find("\r\n.\r\n") == std::string::npos) {
        std::this_thread::sleep_for(std::chrono::milliseconds(msPerTurn));
        ++turns;
        size_t got = 0;
        while (got < bytesPerTurn) {
            char buf[65536];
            const ssize_t n =
                ::recv(Fd, buf, std::min(sizeof buf, bytesPerTurn - got), MSG_DONTWAIT);
            if (n <= 0) break;
            all.append(buf, static_cast<size_t>(n));
            got += static_cast<size_t>(n);
            if (read) *read += n;
        }
        char peek;
        const ssize_t left = got ? 1 : ::recv(Fd, &peek, 1, MSG_DONTWAIT | MSG_PEEK);
        if (left == 0 || (left < 0 && errno != EAGAIN)) { // closed or reset
            Log.push_back("C: <closed in data>");
            return turns;
        }
        const size_t keep = std::min<size_t>(all.size(), 8);
        all.erase(0, all.size() - keep); // only the tail matters for the end marker
    }
    Log.push_back("C: <data>");
    Log.push_back("C: .");
    return turns;
}

void TConn::Drip(const std::string& text, int msPerByte) {
    for (char c : text) {
        if (::send(Fd, &c, 1, MSG_NOSIGNAL) != 1) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(msPerByte));
    }
}

void TConn::Reset() {
    linger l{1, 0};
    setsockopt(Fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    Close();
}

void TConn::Close() {
    if (Fd >= 0) ::close(Fd);
    Fd = -1;
}

void TConn::WaitForClose() {
    char buf[4096];
    while (Fd >= 0 && ::recv(Fd, buf, sizeof buf, 0) > 0) {
    }
}

TScriptServer::TScriptServer(std::function<void(TConn&)> script) {
    Listener = Listen(&FPort);
    Thread = std::thread([this, script] {
        pollfd p{Listener, POLLIN, 0};
        if (::poll(&p, 1, 20000) <= 0) return;
        const int fd = ::accept(Listener, nullptr, nullptr);
        if (fd < 0) return;
        TConn c(fd);
        script(c);
        c.Close();
        Log = c.Log;
        FData = c.Data;
    });
}

TScriptServer::~TScriptServer() {
    if (Thread.joinable()) {
        ::shutdown(Listener, SHUT_RDWR);
        Thread.join();
    }
    ::close(Listener);
}

std::vector<std::string> TScriptServer::Conversation() {
    if (Thread.joinable()) Thread.join();
    return Log;
}

void Hello(TConn& c) {
    c.Send("220 test.example ESMTP\r\n");
    c.Expect();
    c.Send("250 hello\r\n");
}

void UpToData(TConn& c, const char* dataReply) {
    Hello(c);
    for (const char* reply : {"250 ok\r\n", "250 ok\r\n", dataReply}) {
        c.Expect();
        c.Send(reply);
    }
}

int ClosedPort() {
    int port;
    const int fd = Listen(&port);
    ::close(fd);
    return port;
}
