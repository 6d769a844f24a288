#include "mail/SocketErrors.h"

#include <cerrno>
#include <map>

namespace {

const std::map<int, const char*>& Texts() {
    static const std::map<int, const char*> texts = {
        {wsaInterrupted, "Interrupted function call"},
        {wsaBadFile, "Bad file number"},
        {wsaAccessDenied, "Permission denied."},
        {wsaBadAddress, "Bad address"},
        {wsaInvalidArgument, "Invalid argument"},
        {wsaTooManyFiles, "Too many open files"},
        {wsaWouldBlock, "Resource temporarily not available"},
        {wsaInProgress, "Operation now in progress"},
        {wsaAlready, "Operation already in progress"},
        {wsaNotSocket, "Socket operation on non-socket"},
        {wsaDestAddressRequired, "Destination address required"},
        {wsaMessageSize, "Message too long"},
        {wsaProtocolType, "Protocol wrong type for socket"},
        {wsaNoProtocolOption, "Bad protocol option"},
        {wsaProtocolNotSupported, "Protocol not supported"},
        {wsaSocketTypeNotSupported, "Socket type not supported"},
        {wsaOperationNotSupported, "Operation not supported"},
        {wsaFamilyNotSupported, "Protocol family not supported"},
        {wsaAddressFamilyNotSupported, "Address family not supported by protocol family"},
        {wsaAddressInUse, "Address already in use"},
        {wsaAddressNotAvailable, "Cannot assign requested address"},
        {wsaNetworkDown, "Network is down"},
        {wsaNetworkUnreachable, "Network is unreachable"},
        {wsaNetworkReset, "Network dropped connection or reset"},
        {wsaConnectionAborted, "Software caused connection abort"},
        {wsaConnectionReset, "Connection reset by peer"},
        {wsaNoBufferSpace, "No buffer space available"},
        {wsaIsConnected, "Socket is already connected"},
        {wsaNotConnected, "Socket is not connected"},
        {wsaShutdown, "Can't send after socket shutdown"},
        {wsaTooManyReferences, "Too many references, can't splice"},
        {wsaTimedOut, "Connection timed out"},
        {wsaConnectionRefused, "Connection refused"},
        {wsaLoop, "Too many levels of symbolic links"},
        {wsaNameTooLong, "File name too long"},
        {wsaHostDown, "Host is down"},
        {wsaHostUnreachable, "No Route to Host"},
        {wsaNotEmpty, "Directory not empty"},
        {wsaProcessLimit, "Too many processes"},
        {wsaUsers, "Too many users"},
        {wsaDiskQuota, "Disc Quota Exceeded"},
        {wsaStale, "Stale NFS file handle"},
        {wsaRemote, "Too many levels of remote in path"},
        {wsaSystemNotReady, "Network subsystem is unavailable"},
        {wsaVersionNotSupported, "WINSOCK DLL Version out of range"},
        {wsaNotInitialised, "Successful WSAStartup() not yet performed"},
        {wsaDisconnecting, "Graceful shutdown in progress"},
        {wsaHostNotFound, "Host not found"},
        {wsaTryAgain, "Non-Authoritative Host not found"},
        {wsaNoRecovery, "Non-Recoverable errors: FORMERR, REFUSED, NOTIMP"},
        {wsaNoData, "Valid name, no data record of requested type"},
    };
    return texts;
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
        return wsaInterrupted;
    case EBADF:
        return wsaBadFile;
    case EACCES:
        return wsaAccessDenied;
    case EFAULT:
        return wsaBadAddress;
    case EINVAL:
        return wsaInvalidArgument;
    case EMFILE:
        return wsaTooManyFiles;
    case EAGAIN:
        return wsaWouldBlock;
    case EINPROGRESS:
        return wsaInProgress;
    case EALREADY:
        return wsaAlready;
    case ENOTSOCK:
        return wsaNotSocket;
    case EDESTADDRREQ:
        return wsaDestAddressRequired;
    case EMSGSIZE:
        return wsaMessageSize;
    case EPROTOTYPE:
        return wsaProtocolType;
    case ENOPROTOOPT:
        return wsaNoProtocolOption;
    case EPROTONOSUPPORT:
        return wsaProtocolNotSupported;
    case ESOCKTNOSUPPORT:
        return wsaSocketTypeNotSupported;
    case EOPNOTSUPP:
        return wsaOperationNotSupported;
    case EPFNOSUPPORT:
        return wsaFamilyNotSupported;
    case EAFNOSUPPORT:
        return wsaAddressFamilyNotSupported;
    case EADDRINUSE:
        return wsaAddressInUse;
    case EADDRNOTAVAIL:
        return wsaAddressNotAvailable;
    case ENETDOWN:
        return wsaNetworkDown;
    case ENETUNREACH:
        return wsaNetworkUnreachable;
    case ENETRESET:
        return wsaNetworkReset;
    case ECONNABORTED:
        return wsaConnectionAborted;
    case ECONNRESET:
    case EPIPE:
        return wsaConnectionReset;
    case ENOBUFS:
        return wsaNoBufferSpace;
    case EISCONN:
        return wsaIsConnected;
    case ENOTCONN:
        return wsaNotConnected;
    case ESHUTDOWN:
        return wsaShutdown;
    case ETIMEDOUT:
        return wsaTimedOut;
    case ECONNREFUSED:
        return wsaConnectionRefused;
    case EHOSTDOWN:
        return wsaHostDown;
    case EHOSTUNREACH:
        return wsaHostUnreachable;
    default:
        return err;
    }
}
