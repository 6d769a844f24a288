#include "mail/ImageMail.h"

#include "mail/mscoding.h"

std::string TrimBlanks(const std::string& text) {
    const size_t b = text.find_first_not_of(" \t");
    if (b == std::string::npos) return "";
    return text.substr(b, text.find_last_not_of(" \t") - b + 1);
}

void BuildImageMessage(TmsMessage& m, const TImageMail& mail) {
    m.Clear();
    m.Sender.Address = mail.SenderAddress;
    m.Sender.Name = mail.SenderName;
    m.Headers.Add("X-Mailer: Snaprio 2000");
    m.Encoding = mail.AttachmentEncoding != 0 ? meUU : meMIME;
    m.ReturnReceipt = false;
    m.Recipients.AddAddress(TrimBlanks(mail.ToAddress), TrimBlanks(mail.ToName));
    m.Subject = CutShortString(TrimBlanks(mail.Subject));
    m.Body.push_back(mail.Text);
    m.Attachments.AddFile(mail.FileName);
}
