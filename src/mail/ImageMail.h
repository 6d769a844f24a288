// The one message the program sends: the capture as the only attachment,
// from the configured sender to one recipient, with its X-Mailer line. The
// e-mail dialog and `snaprio --mail` both send it through SendImageMail.
#pragma once

#include <cstdint>
#include <string>

#include "mail/msmsg.h"
#include "mail/mssmtp.h"

struct TImageMail {
    std::string SenderName, SenderAddress; // "EMail Name", "EMail Address"
    int AttachmentEncoding = 0;            // 0 MIME, anything else uuencode
    std::string ToName, ToAddress, Subject, Text;
    std::string FileName; // the picture file, read when the message is built
    std::string Server;   // "SMTP Host"
    int32_t Port = 25;    // "SMTP Port": used unless Server names one; 0 for none
    int32_t Security = 0; // "Security" (TMailSecurity)
    std::string UserName; // "User Name"; no login when empty
    std::string Password; // never from the settings file
};

// How a send ended, short of an exception the user is shown as it stands.
// SentUnanswered: the user cancelled after the whole message had gone out.
enum class TImageMailResult { Sent, SentUnanswered, NoWinsock, NoConnection, MessageRejected };

// The text the user is shown for a result (empty for Sent).
std::string ImageMailText(TImageMailResult result);
extern const char* const NoRecipientText;

// Clears Message and fills it; the file's read error passes on (EMailError).
void BuildImageMessage(TmsMessage& message, const TImageMail& mail);

// The whole send: socket library, message, connect, send, disconnect, unload.
// A failed connect (ESocketError, ETimedOutError) and a message the client
// refuses (EMessageError) are results, and so is a cancel that came after the
// whole message had gone out. Any other error (an unreadable file, a
// server's refusal, a cancel) passes on after the session is closed and the
// socket library unloaded, so that the next call starts afresh and sends the
// same message again. Smtp's TimeOut and events are the caller's. Reason,
// when given, receives the error text behind NoConnection or MessageRejected.
TImageMailResult SendImageMail(TmsSMTP& smtp, TmsMessage& message, const TImageMail& mail,
                               std::string* reason = nullptr);

// The settings' check: connects to Mail's server with its security and
// login, says QUIT, and reports what happened in one text: false with the
// error as a send would show it.
bool TestMailServer(TmsSMTP& smtp, const TImageMail& mail, std::string& report);

// Leading and trailing blanks removed, as the dialog's fields are taken.
std::string TrimBlanks(const std::string& text);
