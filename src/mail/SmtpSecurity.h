// What the secure conversation needs beyond the basic commands: the security
// mode, the extensions an EHLO reply offers, the login's commands and the
// texts the user is shown.
#pragma once

#include <string>
#include <vector>

// "Security" of the [EMail] settings: 0 none, 1 STARTTLS, 2 TLS from the first
// byte. Any other value is unknown: nothing is sent rather than guess the mode.
enum TMailSecurity : int { msUnknown = -1, msNone = 0, msStartTls = 1, msTls = 2 };

enum class TAuthMechanism { None, Login, Plain };

struct TSmtpExtensions {
    bool StartTls = false;
    bool AuthPlain = false;
    bool AuthLogin = false;
};

// The extensions of an EHLO reply, from its lines ("250-STARTTLS",
// "250 AUTH LOGIN PLAIN", ...); the first line is the server's greeting.
TSmtpExtensions ParseExtensions(const std::vector<std::string>& lines);
// PLAIN when offered (one round trip), else LOGIN, else None.
TAuthMechanism ChooseMechanism(const TSmtpExtensions& ext);
// The base64 answer of AUTH PLAIN: an empty authorisation, user, password.
std::string PlainCredentials(const std::string& user, const std::string& password);

// A mode outside 0..2 is msUnknown.
TMailSecurity SecurityOf(int setting);
// The same for a send: an unknown mode raises EMailError (UnknownSecurityText).
TMailSecurity SendingSecurity(int setting);
// A mode that asks for the login's password: STARTTLS or TLS.
bool SecuredMode(int setting);
// The port a mode proposes (587 for STARTTLS, 465 for TLS, 25 for none).
int ProposedPort(TMailSecurity mode);

extern const char* const NoStartTlsText;
extern const char* const UnknownSecurityText;
extern const char* const NoLoginText;
extern const char* const WrongPasswordHint;
// The server's 535 reply and the hint after it.
std::string WrongPasswordText(const std::string& reply);
