#include "mail/TlsChannel.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

namespace {

// The reason of the last OpenSSL failure, or Fallback when it left none.
std::string LastReason(const char* fallback) {
    const unsigned long code = ERR_peek_last_error();
    ERR_clear_error();
    if (code == 0) return fallback;
    const char* reason = ERR_reason_error_string(code);
    return reason ? reason : fallback;
}

bool IsAddress(const std::string& host) {
    in_addr a4{};
    in6_addr a6{};
    return ::inet_pton(AF_INET, host.c_str(), &a4) == 1 ||
           ::inet_pton(AF_INET6, host.c_str(), &a6) == 1;
}

// OpenSSL writes with plain send(): a peer that has gone would end the
// process with SIGPIPE. Held back for the call, and one raised by it taken.
class TNoSigPipe {
public:
    TNoSigPipe() {
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        sigset_t pending;
        sigpending(&pending);
        WasPending = sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &pipe, &Old);
    }
    ~TNoSigPipe() {
        const int err = errno; // the guarded call's, for the caller
        if (!WasPending) {
            sigset_t pipe;
            sigemptyset(&pipe);
            sigaddset(&pipe, SIGPIPE);
            const timespec none{0, 0};
            while (sigtimedwait(&pipe, nullptr, &none) > 0) {
            }
        }
        pthread_sigmask(SIG_SETMASK, &Old, nullptr);
        errno = err;
    }

private:
    sigset_t Old;
    bool WasPending = false;
};

} // namespace

std::string CertificateErrorText(const std::string& reason) {
    return "The server's certificate could not be verified: " + reason;
}

struct TTlsChannel::TState {
    SSL_CTX* Ctx = nullptr;
    SSL* Ssl = nullptr;
    ~TState() {
        if (Ssl) SSL_free(Ssl);
        if (Ctx) SSL_CTX_free(Ctx);
    }
    // What an SSL_ call's result means: wait, a socket error left in errno
    // (Wait None), or a failure raised.
    void Check(int result, TTlsWait& wait, const char* what) {
        const int err = errno;
        switch (SSL_get_error(Ssl, result)) {
        case SSL_ERROR_WANT_READ:
            wait = TTlsWait::Read;
            return;
        case SSL_ERROR_WANT_WRITE:
            wait = TTlsWait::Write;
            return;
        case SSL_ERROR_SYSCALL:
            // The connection itself failed (reset, broken pipe): the socket
            // layer says so as for any connection.
            if (ERR_peek_error() == 0 && err != 0 && SSL_is_init_finished(Ssl)) {
                errno = err;
                return;
            }
            break;
        default:
            break;
        }
        const long verify = SSL_get_verify_result(Ssl);
        if (verify != X509_V_OK) {
            ERR_clear_error();
            throw ETlsError(CertificateErrorText(X509_verify_cert_error_string(verify)));
        }
        throw ETlsError(std::string(what) + ": " + LastReason("the connection was closed"));
    }
};

TTlsChannel::TTlsChannel(int fd, const std::string& host) : S(std::make_unique<TState>()) {
    ERR_clear_error();
    S->Ctx = SSL_CTX_new(TLS_client_method());
    if (!S->Ctx) throw ETlsError("The secure connection could not be set up: " + LastReason("?"));
    SSL_CTX_set_min_proto_version(S->Ctx, TLS1_2_VERSION);
    // The system store; SSL_CERT_FILE and SSL_CERT_DIR are read here.
    SSL_CTX_set_default_verify_paths(S->Ctx);
    SSL_CTX_set_verify(S->Ctx, SSL_VERIFY_PEER, nullptr);
    S->Ssl = SSL_new(S->Ctx);
    if (!S->Ssl || SSL_set_fd(S->Ssl, fd) != 1)
        throw ETlsError("The secure connection could not be set up: " + LastReason("?"));
    SSL_set_mode(S->Ssl, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    X509_VERIFY_PARAM* param = SSL_get0_param(S->Ssl);
    if (IsAddress(host)) {
        X509_VERIFY_PARAM_set1_ip_asc(param, host.c_str());
    } else {
        X509_VERIFY_PARAM_set_hostflags(param, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
        X509_VERIFY_PARAM_set1_host(param, host.c_str(), host.size());
        SSL_set_tlsext_host_name(S->Ssl, host.c_str());
    }
    SSL_set_connect_state(S->Ssl);
}

TTlsChannel::~TTlsChannel() = default;

bool TTlsChannel::Handshake(TTlsWait& wait) {
    ERR_clear_error();
    wait = TTlsWait::None;
    const TNoSigPipe guard;
    const int r = SSL_do_handshake(S->Ssl);
    if (r == 1) return true;
    S->Check(r, wait, "The secure connection could not be made");
    return false;
}

long TTlsChannel::Read(char* buffer, size_t size, TTlsWait& wait) {
    ERR_clear_error();
    wait = TTlsWait::None;
    size_t got = 0;
    errno = 0; // only a failure of this call may be read there
    if (SSL_read_ex(S->Ssl, buffer, size, &got) == 1) return static_cast<long>(got);
    const int saved = errno;
    const int err = SSL_get_error(S->Ssl, 0);
    if (err == SSL_ERROR_ZERO_RETURN) return 0;
    // A peer that drops the connection without a close notice has closed too.
    if (err == SSL_ERROR_SYSCALL && ERR_peek_error() == 0 && saved == 0) return 0;
    errno = saved;
    if (err == SSL_ERROR_SSL &&
        ERR_GET_REASON(ERR_peek_last_error()) == SSL_R_UNEXPECTED_EOF_WHILE_READING) {
        ERR_clear_error();
        return 0;
    }
    S->Check(0, wait, "The secure connection failed");
    return -1;
}

long TTlsChannel::Write(const char* data, size_t size, TTlsWait& wait) {
    ERR_clear_error();
    wait = TTlsWait::None;
    size_t put = 0;
    const TNoSigPipe guard;
    errno = 0;
    if (SSL_write_ex(S->Ssl, data, size, &put) == 1) return static_cast<long>(put);
    S->Check(0, wait, "The secure connection failed");
    return -1;
}

bool TTlsChannel::HasBuffered() const {
    return SSL_pending(S->Ssl) > 0;
}

void TTlsChannel::Shutdown() {
    ERR_clear_error();
    const TNoSigPipe guard;
    SSL_shutdown(S->Ssl);
    ERR_clear_error();
}
