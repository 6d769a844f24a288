#include "mail/HostLookup.h"

#include <ares.h>
#include <cstring>
#include <mutex>
#include <netdb.h>
#include <poll.h>

#include "mail/SocketErrors.h"

namespace {

int CodeOfStatus(int status) {
    switch (status) {
    case ARES_SUCCESS:
        return 0;
    case ARES_ENOTFOUND:
        return wsaHostNotFound;
    case ARES_ENODATA:
        return wsaNoData;
    case ARES_EFORMERR:
    case ARES_EREFUSED:
    case ARES_ENOTIMP:
    case ARES_EBADNAME:
        return wsaNoRecovery;
    default:
        return wsaTryAgain; // server failure, no server reachable: try again later
    }
}

} // namespace

THostLookup::THostLookup() {
    static std::once_flag once;
    std::call_once(once, [] { ares_library_init(ARES_LIB_INIT_ALL); });
    ares_options opts{};
    opts.timeout = 2000; // per try, milliseconds; the socket's count-down bounds the whole
    opts.tries = 2;
    if (ares_init_options(&Channel, &opts, ARES_OPT_TIMEOUTMS | ARES_OPT_TRIES) != ARES_SUCCESS)
        Channel = nullptr;
}

THostLookup::~THostLookup() {
    if (Channel) ares_destroy(Channel); // calls back pending queries with ARES_EDESTRUCTION
}

void THostLookup::Start(const std::string& host) {
    ares_gethostbyname(Channel, host.c_str(), AF_INET, &THostLookup::Callback, this);
}

void THostLookup::Callback(void* arg, int status, int, hostent* host) {
    auto* self = static_cast<THostLookup*>(arg);
    if (status == ARES_ECANCELLED || status == ARES_EDESTRUCTION) return;
    self->FDone = true;
    if (status == ARES_SUCCESS && !(host && host->h_addr_list[0])) status = ARES_ENODATA;
    self->FError = CodeOfStatus(status);
    if (status == ARES_SUCCESS) std::memcpy(&self->FAddress, host->h_addr_list[0], 4);
}

void THostLookup::Turn(int ms) {
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
