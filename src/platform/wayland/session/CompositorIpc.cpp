#include "platform/wayland/session/CompositorIpc.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr int WaitMs = 2000;
constexpr char SwayMagic[] = {'i', '3', '-', 'i', 'p', 'c'};

class TSocket {
public:
    TSocket(const std::string& path, const char* peer, std::string& why) : Peer(peer) {
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        if (path.size() >= sizeof addr.sun_path) {
            why = Peer + "'s socket path is too long: " + path;
            return;
        }
        std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
        Fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (Fd >= 0 && connect(Fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) return;
        why = Peer + " does not answer on " + path + " (" + std::strerror(errno) + ").";
        Close();
    }
    ~TSocket() { Close(); }
    TSocket(const TSocket&) = delete;
    TSocket& operator=(const TSocket&) = delete;
    bool Open() const { return Fd >= 0; }

    bool Send(const QByteArray& bytes, std::string& why) {
        for (qsizetype at = 0; at < bytes.size();) {
            const ssize_t n =
                send(Fd, bytes.constData() + at, size_t(bytes.size() - at), MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return Fail(why);
            at += n;
        }
        return true;
    }
    // Up to N bytes (all of the stream with N < 0); fewer only at its end.
    bool Receive(qsizetype n, QByteArray& out, std::string& why) {
        char buffer[65536];
        while (n < 0 || out.size() < n) {
            pollfd p{Fd, POLLIN, 0};
            const int ready = poll(&p, 1, WaitMs);
            if (ready < 0 && errno == EINTR) continue;
            if (ready <= 0) {
                why = Peer + " did not answer in time.";
                return false;
            }
            const size_t want =
                n < 0 ? sizeof buffer : std::min(sizeof buffer, size_t(n - out.size()));
            const ssize_t got = recv(Fd, buffer, want, 0);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) return Fail(why);
            if (got == 0) return n < 0 || Fail(why);
            out.append(buffer, got);
        }
        return true;
    }

private:
    bool Fail(std::string& why) {
        why = Peer + "'s answer broke off.";
        return false;
    }
    void Close() {
        if (Fd >= 0) close(Fd);
        Fd = -1;
    }
    std::string Peer;
    int Fd = -1;
};

} // namespace

std::optional<QByteArray> SwayRequest(const std::string& socket, TSwayMessage type,
                                      std::string& why) {
    TSocket s(socket, "sway", why);
    if (!s.Open()) return std::nullopt;
    QByteArray request(SwayMagic, sizeof SwayMagic);
    const uint32_t head[2] = {0, static_cast<uint32_t>(type)};
    request.append(reinterpret_cast<const char*>(head), sizeof head);
    QByteArray header;
    if (!s.Send(request, why) || !s.Receive(sizeof SwayMagic + sizeof head, header, why))
        return std::nullopt;
    uint32_t answer[2];
    std::memcpy(answer, header.constData() + sizeof SwayMagic, sizeof answer);
    if (!header.startsWith(QByteArray(SwayMagic, sizeof SwayMagic)) ||
        answer[1] != static_cast<uint32_t>(type)) {
        why = "sway's answer is not in its IPC's form.";
        return std::nullopt;
    }
    QByteArray payload;
    if (!s.Receive(answer[0], payload, why)) return std::nullopt;
    return payload;
}

std::optional<QByteArray> HyprlandRequest(const std::string& socket, const QByteArray& request,
                                          std::string& why) {
    TSocket s(socket, "Hyprland", why);
    QByteArray answer;
    if (!s.Open() || !s.Send(request, why) || !s.Receive(-1, answer, why)) return std::nullopt;
    return answer;
}
