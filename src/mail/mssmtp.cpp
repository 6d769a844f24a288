#include "mail/mssmtp.h"

#include "mail/DotStuffing.h"
#include "mail/MailPump.h"
#include "mail/SpoolRender.h"
#include "mail/mscoding.h"

namespace {

constexpr size_t CommandLimit = 255;

} // namespace

void TmsMailBase::Connect() {
    if (Connected()) return;
    Open();
    LogIn();
}

void TmsMailBase::Disconnect() {
    if (!Connected()) return;
    LogOut();
    Close();
}

TmsSMTP::TmsSMTP() {
    ServiceName = "smtp";
    DefaultPort = 25;
}

void TmsSMTP::Open() {
    if (Server.empty()) RaiseSocketError(sckServerRequired);
    ResetState();
    TmsMailBase::Open();
}

namespace {

// What the user is told a reply answered: "MAIL FROM", "the end of the data".
std::string CommandName(const std::string& command) {
    if (command.empty()) return "the greeting";
    if (command == ".") return "the end of the data";
    const size_t colon = command.find(':');
    return command.substr(0, colon != std::string::npos ? colon : command.find(' '));
}

} // namespace

void TmsSMTP::Expect(int code, int replyClass, const std::string& command) {
    if (code >= 0 && code / 100 == replyClass) return;
    if (!LastReply.empty()) throw EServerError(LastReply);
    // No words from the server: say what happened instead of nothing.
    if (code < 0 && PeerHasClosed()) {
        std::string msg = command.empty()
                              ? "The server closed the connection before its greeting"
                              : "The server closed the connection after " + CommandName(command);
        if (OnError) OnError(msg);
        Close();
        throw ESocketError(msg);
    }
    throw EServerError("The server answered " + CommandName(command) + " with an empty line");
}

void TmsSMTP::Step(const std::string& command, int replyClass) {
    WriteLine(command);
    Expect(ReadReply(), replyClass, command);
}

void TmsSMTP::LogIn() {
    if (Security != msNone) return SecureLogIn();
    ConnectSocket();
    Expect(ReadReply(), 2, "");
    WriteLine("HELO " + LocalHostName());
    if (const int code = ReadReply(); code < 0 || code / 100 != 2) {
        if (code < 0 && LastReply.empty() && PeerHasClosed()) Expect(code, 2, "HELO");
        Step("HELO", 2);
    }
}

void TmsSMTP::SecureLogIn() {
    ConnectSocket();
    if (Security == msTls) StartTls();
    Expect(ReadReply(), 2, "");
    TSmtpExtensions ext = Hello();
    if (Security == msStartTls) {
        // Never on in clear text: a server (or someone between) that hides
        // STARTTLS gets nothing of the message.
        if (!ext.StartTls) throw EMailError(NoStartTlsText);
        Step("STARTTLS", 2);
        StartTls();
        ext = Hello();
    }
    if (!UserName.empty()) Authenticate(ext);
}

TSmtpExtensions TmsSMTP::Hello() {
    std::vector<std::string> lines;
    auto shown = OnLineReceived;
    OnLineReceived = [&](const std::string& line) {
        lines.push_back(line);
        if (shown) shown(line);
    };
    int code = -1;
    try {
        WriteLine("EHLO " + LocalHostName());
        code = ReadReply();
    } catch (...) {
        OnLineReceived = shown;
        throw;
    }
    OnLineReceived = shown;
    Expect(code, 2, "EHLO");
    return ParseExtensions(lines);
}

void TmsSMTP::WriteSecret(const std::string& text, const std::string& shown) {
    auto log = std::move(OnLineSent);
    OnLineSent = nullptr;
    try {
        WriteLine(text);
    } catch (...) {
        OnLineSent = std::move(log);
        throw;
    }
    OnLineSent = std::move(log);
    if (OnLineSent) OnLineSent(shown);
}

void TmsSMTP::Authenticate(const TSmtpExtensions& ext) {
    if (!Secure()) throw EMailError(NoLoginText); // never a password in clear text
    auto refused = [&](int code) {
        if (code == 535) throw EServerError(WrongPasswordText(LastReply));
        Expect(code, 2, "AUTH");
    };
    switch (ChooseMechanism(ext)) {
    case TAuthMechanism::None:
        throw EMailError(NoLoginText);
    case TAuthMechanism::Plain:
        WriteSecret("AUTH PLAIN " + PlainCredentials(UserName, Password), "AUTH PLAIN ****");
        refused(ReadReply());
        break;
    case TAuthMechanism::Login:
        WriteLine("AUTH LOGIN");
        Expect(ReadReply(), 3, "AUTH");
        WriteSecret(EncodeBase64(UserName, std::string::npos), "****");
        Expect(ReadReply(), 3, "AUTH");
        WriteSecret(EncodeBase64(Password, std::string::npos), "****");
        refused(ReadReply());
        break;
    }
}

void TmsSMTP::LogOut() {
    MailPumpNow();
    Step("QUIT", 2);
}

void TmsSMTP::Send() {
    FSentUnanswered = false;
    if (!MailMessage) RaiseSocketError(sckMessageRequired);
    // The message is checked and rendered before the connection is needed;
    // MAIL FROM then says when there is none.
    const TmsMessage& m = *MailMessage;
    m.Validate();
    // Every envelope command must fit whole: a cut address would be another one.
    auto checkLength = [](const std::string& command) {
        if (command.size() > CommandLimit)
            throw EMessageError("The address \"" + command.substr(command.find('<') + 1, 40) +
                                "...\" is too long");
    };
    checkLength("MAIL FROM:<" + m.Sender.Address + ">");
    for (const TmsAddressList* list : {&m.Recipients, &m.CC, &m.BCC})
        for (int i = 0; i < list->Count(); ++i)
            checkLength("RCPT TO:<" + list->Items(i).Address + ">");

    TTempFileStream spool;
    SpoolPath = spool.Path();
    if (OnPrepare) OnPrepare();
    // Rendered while the envelope and then the data go out, the data phase
    // reading behind the render.
    TSpoolRender render(m, spool);

    if (OnSending) OnSending();
    Step("MAIL FROM:<" + m.Sender.Address + ">", 2);
    for (const TmsAddressList* list : {&m.Recipients, &m.CC, &m.BCC})
        for (int i = 0; i < list->Count(); ++i) {
            const std::string& address = list->Items(i).Address;
            WriteLine("RCPT TO:<" + address + ">");
            const int code = ReadReply();
            if (code >= 0 && code / 100 == 2) continue;
            bool proceed = false;
            if (OnAddressRejected) OnAddressRejected(address, LastReply, proceed);
            if (!proceed) Expect(code, 2, "RCPT TO:");
        }
    render.CheckFailure(); // a message that could not be rendered gets no data phase
    Step("DATA", 3);

    // The one place of SMTP transparency: every line that begins with a dot
    // gets a second one, which the server takes off again.
    TDotStuffer stuffer;
    auto stuff = [&](std::string_view chunk, std::string& out) { stuffer.Append(chunk, out); };
    try {
        SendSource(render, stuff);
    } catch (...) {
        // A render that fails in the middle of the data: only dropping the
        // connection keeps the server from taking what was sent as the message.
        if (render.Failed()) Close();
        throw;
    }
    if (PeerSpoke()) {
        // The server refused the data early (and may have closed): its reply
        // is the error to show.
        const int code = ReadReply();
        if (code < 0 && LastReply.empty()) RaiseSocketError(wsaConnectionReset);
        Expect(code, 2, ".");
        throw EServerError(LastReply); // a 2xx before the data ended is no acceptance either
    }
    WriteLine("");
    WriteLine(".");
    int code = -1;
    try {
        code = ReadReply();
    } catch (const ECanceledError&) {
        // The end of the data had left when the user cancelled: the server
        // has the whole message, and only its answer was not awaited.
        if (!AllLeftAtCancel()) throw;
        FSentUnanswered = true;
        return;
    }
    Expect(code, 2, ".");
    if (OnMailSent) OnMailSent();
}
