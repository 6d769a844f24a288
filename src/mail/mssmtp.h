// The SMTP client: one message over the basic RFC 821 commands (HELO, MAIL
// FROM, RCPT TO, DATA, QUIT), rendered into a spool file first. With
// Security on, the session is secured first (STARTTLS or TLS from the first
// byte), greeted with EHLO and, given a user name, logged in; the envelope
// and the data are the same.
#pragma once

#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "mail/SmtpSecurity.h"
#include "mail/TempFileStream.h"
#include "mail/agsocket.h"
#include "mail/msmsg.h"

// The server answered with a code the step does not accept; the message is
// the server's reply line.
class EServerError : public EMailError {
public:
    using EMailError::EMailError;
};

class TmsMailBase : public TagSocket {
public:
    // Open and log in, unless connected already.
    void Connect();
    // Log out and close, when connected.
    void Disconnect();

protected:
    virtual void LogIn() = 0;
    virtual void LogOut() = 0;
};

class TmsSMTP : public TmsMailBase {
public:
    TmsSMTP();

    TmsMessage* MailMessage = nullptr;
    TMailSecurity Security = msNone;
    std::string UserName, Password; // the login; only ever sent over TLS
    std::function<void()> OnPrepare, OnSending, OnMailSent;
    std::function<void(const std::string& address, const std::string& reply, bool& proceed)>
        OnAddressRejected;

    // Sends MailMessage over the open session. A Cancel once the end of the
    // data has left the socket ends it without an error and without the
    // server's answer: SentUnanswered() then says so.
    void Send();
    bool SentUnanswered() const { return FSentUnanswered; }

    void Open() override;

    // The last spool's path (gone once Send has ended), for tests.
    const std::string& LastSpoolPath() const { return SpoolPath; }

protected:
    void LogIn() override;
    void LogOut() override;

private:
    void SecureLogIn();
    // EHLO and its reply's extensions; a refusal is an error.
    TSmtpExtensions Hello();
    void Authenticate(const TSmtpExtensions& ext);
    // Writes a line that carries the login; the line log shows Shown instead.
    void WriteSecret(const std::string& text, const std::string& shown);
    // Writes Command and raises EServerError unless the reply is of Class.
    void Step(const std::string& command, int replyClass);
    // Raises unless Code is of ReplyClass: EServerError with the reply, or
    // words of our own when the server said nothing to Command.
    void Expect(int code, int replyClass, const std::string& command);

    std::string SpoolPath;
    bool FSentUnanswered = false;
};
