#include "cli/MailCommand.h"

#include <cstdio>
#include <string>
#include <termios.h>
#include <unistd.h>

#include "config/Configs.h"
#include "mail/ImageMail.h"
#include "mail/PasswordStore.h"
#include "mail/mssmtp.h"

namespace {

// One line from the terminal on standard input, not echoed; false at its end.
bool AskPassword(const std::string& prompt, std::string& password) {
    std::fprintf(stderr, "%s", prompt.c_str());
    std::fflush(stderr);
    termios old{};
    const bool terminal = ::tcgetattr(0, &old) == 0;
    if (terminal) {
        termios quiet = old;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(0, TCSAFLUSH, &quiet);
    }
    password.clear();
    bool line = false; // a whole line, ended by Enter
    for (char c; !line && ::read(0, &c, 1) == 1;) {
        if (c == '\n')
            line = true;
        else
            password += c;
    }
    if (terminal) ::tcsetattr(0, TCSAFLUSH, &old);
    std::fprintf(stderr, "\n");
    return line && !password.empty();
}

// The login's password: from the Secret Service, else asked on the terminal
// (Asked then says so).
bool MailPassword(TImageMail& mail, bool& asked) {
    std::string why;
    const TSecretResult found = LookUpMailPassword(mail.Server, mail.UserName, mail.Password, &why);
    if (found == TSecretResult::Found) return true;
    const std::string where = mail.UserName + " at " + mail.Server;
    asked = ::isatty(0) && AskPassword("Password for " + where + ": ", mail.Password);
    if (asked) return true;
    const std::string cause = found == TSecretResult::NotFound ? "the Secret Service has none"
                                                               : "no Secret Service (" + why + ")";
    std::fprintf(stderr,
                 "snaprio: no password for %s: %s, and standard input is no terminal to ask "
                 "on; run snaprio --mail in a terminal once\n",
                 where.c_str(), cause.c_str());
    return false;
}

} // namespace

int MailCommand(int argc, char** argv) {
    // snaprio --mail ADDRESS FILE [--subject TEXT] [--text TEXT]
    if (argc < 4) {
        std::fprintf(stderr, "snaprio: --mail takes ADDRESS and FILE\n");
        return 2;
    }
    TImageMail mail;
    mail.ToAddress = argv[2];
    mail.FileName = argv[3];
    for (int i = 4; i < argc; i += 2) {
        const std::string opt = argv[i];
        if (i + 1 >= argc || (opt != "--subject" && opt != "--text")) {
            std::fprintf(stderr, "snaprio: unknown or incomplete option '%s' for --mail\n",
                         argv[i]);
            return 2;
        }
        (opt == "--subject" ? mail.Subject : mail.Text) = argv[i + 1];
    }
    LoadConfig();
    if (Config.SMTPHost.empty() || Config.EMailAddress.empty()) {
        std::fprintf(stderr, "snaprio: the e-mail settings are not configured: \"SMTP Host\" and "
                             "\"EMail Address\" in [EMail] of SNAPRO.INI must be set\n");
        return 1;
    }
    mail.SenderName = Config.EMailName;
    mail.SenderAddress = Config.EMailAddress;
    mail.AttachmentEncoding = Config.AttachmentEncoding;
    mail.Server = Config.SMTPHost;
    mail.Port = Config.SMTPPort;
    mail.Security = Config.Security;
    mail.UserName = Config.UserName;
    bool asked = false;
    if (SecuredMode(mail.Security) && !mail.UserName.empty() && !MailPassword(mail, asked))
        return 1;
    TmsMessage message;
    TmsSMTP smtp;
    smtp.TimeOut = 40;
    try {
        std::string reason;
        const TImageMailResult result = SendImageMail(smtp, message, mail, &reason);
        if (result == TImageMailResult::Sent) {
            // The server took it: kept for the next time where a Secret Service runs.
            if (asked) StoreMailPassword(mail.Server, mail.UserName, mail.Password);
            return 0;
        }
        // A script's reader wants the cause more than the dialog's advice.
        std::fprintf(stderr, "snaprio: %s\n",
                     (reason.empty() ? ImageMailText(result) : reason).c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "snaprio: %s\n", e.what());
    }
    return 1;
}
