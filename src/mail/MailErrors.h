// Exceptions of the mail stack; each carries the text the user is shown.
#pragma once

#include <stdexcept>
#include <string>

class EMailError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The message cannot be sent as it stands (no sender, no recipient, ...).
class EMessageError : public EMailError {
public:
    using EMailError::EMailError;
};
