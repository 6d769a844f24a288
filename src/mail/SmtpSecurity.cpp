#include "mail/SmtpSecurity.h"

#include <sstream>

#include "mail/MailErrors.h"
#include "mail/mscoding.h"

const char* const NoStartTlsText = "The server does not offer STARTTLS; nothing was sent.";
const char* const UnknownSecurityText =
    "The \"Security\" of the e-mail settings is none of None (0), STARTTLS (1) or TLS (2); "
    "nothing was sent. Choose one on the E-Mail page of the configuration.";
const char* const NoLoginText =
    "The server does not offer a login that this program can use (AUTH PLAIN or LOGIN); "
    "nothing was sent.";
const char* const WrongPasswordHint = "The server refused the user name or password. Some "
                                      "providers require an app password for mail programs.";

std::string WrongPasswordText(const std::string& reply) {
    return reply + "\n" + WrongPasswordHint;
}

TSmtpExtensions ParseExtensions(const std::vector<std::string>& lines) {
    TSmtpExtensions ext;
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.size() < 4 || line.compare(0, 3, "250") != 0) continue;
        std::istringstream in(LowerCase(line.substr(4)));
        std::vector<std::string> words;
        for (std::string w; in >> w;) words.push_back(w);
        if (words.empty()) continue;
        if (words[0] == "starttls") ext.StartTls = true;
        // "AUTH=LOGIN" is the older spelling some servers still send.
        if (words[0].rfind("auth=", 0) == 0)
            words.push_back(words[0].substr(5));
        else if (words[0] != "auth")
            continue;
        for (size_t k = 1; k < words.size(); ++k) {
            ext.AuthPlain |= words[k] == "plain";
            ext.AuthLogin |= words[k] == "login";
        }
    }
    return ext;
}

TAuthMechanism ChooseMechanism(const TSmtpExtensions& ext) {
    if (ext.AuthPlain) return TAuthMechanism::Plain;
    if (ext.AuthLogin) return TAuthMechanism::Login;
    return TAuthMechanism::None;
}

std::string PlainCredentials(const std::string& user, const std::string& password) {
    const std::string raw = std::string(1, '\0') + user + std::string(1, '\0') + password;
    std::string out;
    AppendBase64(out, reinterpret_cast<const unsigned char*>(raw.data()), raw.size());
    return out;
}

TMailSecurity SecurityOf(int setting) {
    return setting >= msNone && setting <= msTls ? static_cast<TMailSecurity>(setting) : msUnknown;
}

TMailSecurity SendingSecurity(int setting) {
    const TMailSecurity mode = SecurityOf(setting);
    if (mode == msUnknown) throw EMailError(UnknownSecurityText);
    return mode;
}

bool SecuredMode(int setting) {
    return SecurityOf(setting) == msStartTls || SecurityOf(setting) == msTls;
}

int ProposedPort(TMailSecurity mode) {
    return mode == msStartTls ? 587 : mode == msTls ? 465 : 25;
}
