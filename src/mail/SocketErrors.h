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

// Codes of the message table: the Windows Sockets numbers and our own.
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
