// The one message the program sends: the capture as the only attachment,
// from the configured sender to one recipient, with its X-Mailer line.
#pragma once

#include <string>

#include "mail/msmsg.h"

struct TImageMail {
    std::string SenderName, SenderAddress; // "EMail Name", "EMail Address"
    int AttachmentEncoding = 0;            // 0 MIME, anything else uuencode
    std::string ToName, ToAddress, Subject, Text;
    std::string FileName; // the picture file, read now
};

// Clears Message and fills it; the file's read error passes on (EMailError).
void BuildImageMessage(TmsMessage& message, const TImageMail& mail);

// Leading and trailing blanks removed, as the dialog's fields are taken.
std::string TrimBlanks(const std::string& text);
