#include "mail/ImageMail.h"

#include "mail/mscoding.h"
#include "product/ProductName.h"

const char* const NoRecipientText = "No recipient address has been entered.  Please correct.";

std::string ImageMailText(TImageMailResult result) {
    switch (result) {
    case TImageMailResult::Sent:
        break;
    case TImageMailResult::SentUnanswered:
        return "The message had already been sent when the send was stopped: the server has it "
               "whole, and only its answer was not awaited.";
    case TImageMailResult::NoWinsock:
        return "The necessary winsock files are not present on your computer.  Internet "
               "connections cannot be made.  E-Mail cannot be sent.";
    case TImageMailResult::NoConnection:
        return std::string("A connection could not be made to the SMTP Server. You are either not "
                           "connected to the Internet or an invalid SMTP Server has been "
                           "specified.  To change the SMTP Server, you will need to go to ") +
               " the configuration section of " + ProgramTitle +
               " by right clicking on the system tray icon.";
    case TImageMailResult::MessageRejected:
        return "No recipients specified or no return address specified. This E-Mail attempt will "
               "abort.";
    }
    return "";
}

std::string TrimBlanks(const std::string& text) {
    const size_t b = text.find_first_not_of(" \t");
    if (b == std::string::npos) return "";
    return text.substr(b, text.find_last_not_of(" \t") - b + 1);
}

void BuildImageMessage(TmsMessage& m, const TImageMail& mail) {
    m.Clear();
    m.Sender.Address = mail.SenderAddress;
    m.Sender.Name = mail.SenderName;
    m.Headers.Add(std::string("X-Mailer: ") + ProgramTitle);
    m.Encoding = mail.AttachmentEncoding != 0 ? meUU : meMIME;
    m.ReturnReceipt = false;
    m.Recipients.AddAddress(TrimBlanks(mail.ToAddress), TrimBlanks(mail.ToName));
    m.Subject = CutShortString(TrimBlanks(mail.Subject));
    m.Body.push_back(mail.Text);
    m.Attachments.AddFile(mail.FileName);
}

namespace {

void UseServer(TmsSMTP& smtp, const TImageMail& mail) {
    // Cut to 16 bits, a port typed into the file by hand would be another one.
    if (mail.Port < 0 || mail.Port > 65535)
        throw EMailError("The \"SMTP Port\" " + std::to_string(mail.Port) +
                         " is not between 1 and 65535");
    smtp.Server = mail.Server;
    smtp.DefaultPort = static_cast<uint16_t>(mail.Port);
    smtp.Security = SendingSecurity(mail.Security);
    smtp.UserName = mail.UserName;
    smtp.Password = mail.Password;
}

} // namespace

bool TestMailServer(TmsSMTP& smtp, const TImageMail& mail, std::string& report) {
    if (!smtp.IsWinsockAvailable()) {
        report = ImageMailText(TImageMailResult::NoWinsock);
        return false;
    }
    smtp.SetWinsockLoaded(true);
    bool ok = false;
    try {
        UseServer(smtp, mail);
        smtp.Connect();
        smtp.Disconnect();
        const TMailSecurity security = SecurityOf(mail.Security);
        report = "The server " + mail.Server + " answered" +
                 (security == msNone  ? ""
                  : security == msTls ? " over TLS"
                                      : " over STARTTLS") +
                 (mail.UserName.empty() || security == msNone
                      ? std::string()
                      : " and accepted the login of " + mail.UserName) +
                 ".";
        ok = true;
    } catch (const EMailError& e) {
        report = e.what();
    }
    smtp.Close();
    smtp.SetWinsockLoaded(false);
    return ok;
}

TImageMailResult SendImageMail(TmsSMTP& smtp, TmsMessage& message, const TImageMail& mail,
                               std::string* reason) {
    if (!smtp.IsWinsockAvailable()) return TImageMailResult::NoWinsock;
    if (!smtp.Connected()) smtp.SetWinsockLoaded(true);
    TImageMailResult result = TImageMailResult::NoConnection;
    try {
        BuildImageMessage(message, mail);
        smtp.MailMessage = &message;
        UseServer(smtp, mail);
        // Connected() alone is not trusted here: a refused connect may leave
        // the socket open.
        bool connected = false;
        try {
            smtp.Connect();
            connected = true;
        } catch (const ESocketError& e) {
            if (reason) *reason = e.what();
        } catch (const ETimedOutError& e) {
            if (reason) *reason = e.what();
        }
        if (!connected) {
            smtp.Close();
        } else {
            result = TImageMailResult::Sent;
            try {
                smtp.Send();
                if (smtp.SentUnanswered()) result = TImageMailResult::SentUnanswered;
            } catch (const EMessageError& e) {
                if (reason) *reason = e.what();
                result = TImageMailResult::MessageRejected;
            }
            if (result != TImageMailResult::MessageRejected) {
                // The server has taken the message: a failing goodbye must not
                // make the user send it twice.
                try {
                    smtp.Disconnect();
                } catch (const EMailError&) {
                    smtp.Close();
                }
            } else {
                smtp.Disconnect();
            }
        }
    } catch (const EServerError&) {
        // The server refused a step but still talks: end the session politely.
        try {
            smtp.Disconnect();
        } catch (const EMailError&) {
            smtp.Close();
        }
        smtp.SetWinsockLoaded(false);
        throw;
    } catch (...) {
        smtp.Close();
        smtp.SetWinsockLoaded(false);
        throw;
    }
    smtp.SetWinsockLoaded(false);
    return result;
}
