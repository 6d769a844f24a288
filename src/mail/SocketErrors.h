// The socket layer's exceptions and its message table: the Windows Sockets
// error numbers (errno values map onto them) and the layer's own codes.
#pragma once

#include <string>

#include "mail/MailErrors.h"

class ESocketError : public EMailError {
public:
    using EMailError::EMailError;
};
class ETimedOutError : public EMailError {
public:
    ETimedOutError() : EMailError("Operation timed out") {}
};
class ECanceledError : public EMailError {
public:
    ECanceledError() : EMailError("Operation has been canceled") {}
};
class EWinsockDLLError : public EMailError {
public:
    using EMailError::EMailError;
};

// The Windows Sockets error numbers: the texts and the codes users see
// ("[10061] Connection refused") keep them.
enum TWinsockError : int {
    wsaInterrupted = 10004,
    wsaBadFile = 10009,
    wsaAccessDenied = 10013,
    wsaBadAddress = 10014,
    wsaInvalidArgument = 10022,
    wsaTooManyFiles = 10024,
    wsaWouldBlock = 10035,
    wsaInProgress = 10036,
    wsaAlready = 10037,
    wsaNotSocket = 10038,
    wsaDestAddressRequired = 10039,
    wsaMessageSize = 10040,
    wsaProtocolType = 10041,
    wsaNoProtocolOption = 10042,
    wsaProtocolNotSupported = 10043,
    wsaSocketTypeNotSupported = 10044,
    wsaOperationNotSupported = 10045,
    wsaFamilyNotSupported = 10046,
    wsaAddressFamilyNotSupported = 10047,
    wsaAddressInUse = 10048,
    wsaAddressNotAvailable = 10049,
    wsaNetworkDown = 10050,
    wsaNetworkUnreachable = 10051,
    wsaNetworkReset = 10052,
    wsaConnectionAborted = 10053,
    wsaConnectionReset = 10054,
    wsaNoBufferSpace = 10055,
    wsaIsConnected = 10056,
    wsaNotConnected = 10057,
    wsaShutdown = 10058,
    wsaTooManyReferences = 10059,
    wsaTimedOut = 10060,
    wsaConnectionRefused = 10061,
    wsaLoop = 10062,
    wsaNameTooLong = 10063,
    wsaHostDown = 10064,
    wsaHostUnreachable = 10065,
    wsaNotEmpty = 10066,
    wsaProcessLimit = 10067,
    wsaUsers = 10068,
    wsaDiskQuota = 10069,
    wsaStale = 10070,
    wsaRemote = 10071,
    wsaSystemNotReady = 10091,
    wsaVersionNotSupported = 10092,
    wsaNotInitialised = 10093,
    wsaDisconnecting = 10094,
    wsaHostNotFound = 11001,
    wsaTryAgain = 11002,
    wsaNoRecovery = 11003,
    wsaNoData = 11004,
};

// Codes of the message table of our own.
enum : int {
    sckTimedOut = 57000,
    sckCanceled = 57001,
    sckServerRequired = 57002,
    sckInvalidVersion = 57003,
    sckResolveError = 57004,
    sckServiceRequired = 57005,
    sckNotConnected = 57008,
    sckFunctionNotFound = 57010,
    sckNotLoaded = 57011,
    sckNotFound = 57012,
    sckMessageRequired = 57102,
};

// "[10061] Connection refused", "Server property is required", ..., or
// "Error #" and the number for a code without a text.
std::string SocketErrorText(int code);
// The Windows Sockets code standing for an errno value (ECONNREFUSED 10061, ...).
int SocketCodeOfErrno(int err);
