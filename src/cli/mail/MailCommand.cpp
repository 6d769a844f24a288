#include "cli/mail/MailCommand.h"

#include <cstdio>
#include <string>

#include "cli/mail/TerminalPassword.h"
#include "settings/Configs.h"
#include "mail/ImageMail.h"
#include "mail/PasswordStore.h"
#include "mail/mssmtp.h"

namespace {

// The login's password: from the Secret Service, else asked on the terminal
// (Asked then says so).
bool MailPassword(TImageMail& mail, bool& asked) {
    std::string why;
    const TSecretResult found = LookUpMailPassword(mail.Server, mail.UserName, mail.Password, &why);
    if (found == TSecretResult::Found) return true;
    const std::string where = mail.UserName + " at " + mail.Server;
    const TAskResult answer = AskPassword("Password for " + where + ": ", mail.Password);
    asked = answer == TAskResult::Given;
    if (asked) return true;
    if (answer != TAskResult::NoTerminal) {
        std::fprintf(stderr, "snaprio: no password for %s: %s\n", where.c_str(),
                     answer == TAskResult::Empty ? "an empty password was entered"
                                                 : "the input ended before a password was entered");
        return false;
    }
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
