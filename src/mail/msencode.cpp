#include "mail/msencode.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <random>

#include "mail/MailPump.h"
#include "mail/mscoding.h"
#include "mail/msmsg.h"

namespace {

constexpr size_t FlushSize = 1 << 20;
constexpr const char* MultipartNote = "This is a multipart message in MIME format";

std::string OneLine(std::string_view s) {
    std::string out(s);
    std::replace(out.begin(), out.end(), '\r', ' ');
    std::replace(out.begin(), out.end(), '\n', ' ');
    return out;
}

} // namespace

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    }
    return lines;
}

TmsCustomEncoder::TmsCustomEncoder(TmsCustomMessage& message) : Message(message) {
    for (const std::string& line : Message.Body)
        if (line.size() >= 256) {
            BodyNeedsQP = true;
            break;
        }
}

TmsCustomEncoder::~TmsCustomEncoder() = default;

void TmsCustomEncoder::Flush() {
    if (Stream && !Out.empty()) Stream->write(Out.data(), static_cast<std::streamsize>(Out.size()));
    Out.clear();
    if (Stream && !*Stream) throw EMailError("Cannot write the message");
}

void TmsCustomEncoder::WriteLine(std::string_view text) {
    text = text.substr(0, std::min(text.size(), text.find('\0')));
    if (text.find_first_of("\r\n") == std::string_view::npos) {
        Out.append(text).append("\r\n");
    } else {
        for (std::string_view line : SplitLines(text)) Out.append(line).append("\r\n");
    }
    if (Out.size() >= FlushSize) Flush();
}

void TmsCustomEncoder::WriteHeaderLine(std::string_view text) {
    WriteLine(OneLine(text));
}

std::string TmsCustomEncoder::MakeBoundary() {
    // A fresh generator seeded from the clock and the system's entropy; the
    // pumps keep the window live as the original's reseeding loop did.
    const auto now = std::chrono::system_clock::now().time_since_epoch().count();
    std::mt19937 rng(static_cast<unsigned>(now) ^ std::random_device{}());
    for (int i = 0; i < 101; ++i) MailPump();
    const int more = static_cast<int>(rng() % 30) + 1;
    for (int i = 0; i < more; ++i) MailPump();
    std::string b;
    for (int i = 0; i < 8; ++i) b += static_cast<char>('0' + rng() % 9);
    return b;
}

void TmsCustomEncoder::Execute() {
    Out.clear();
    if (Stream) Stream->seekp(0);
    WriteHeaders();
    if (Message.Encoding == meUU) {
        EncodeUU();
    } else {
        const std::string type = Message.ContentType();
        const bool attachments = Message.Attachments.Count() > 0;
        if (type == "multipart/mixed")
            EncodeMultipart(false);
        else if (type == "multipart/alternative")
            EncodeMultipart(true);
        else if (type == "text/plain" && !attachments)
            EncodePlain();
        else if (type == "text/html" || type == "text/rtf")
            EncodeFormatted(type);
        else
            EncodeSinglePart();
    }
    Flush();
    if (Stream) Stream->flush();
}

void TmsCustomEncoder::WriteBodyTextHeaders() {
    const char* charset = Message.CharSet == csISO8859     ? "iso-8859-1"
                          : Message.CharSet == csISO2022jp ? "iso-2022-jp"
                                                           : "us-ascii";
    WriteLine(std::string("Content-Type: text/plain; charset=\"") + charset + "\"");
    const bool qp = Message.CharSet == csISO8859 || BodyNeedsQP;
    WriteLine(qp ? "Content-Transfer-Encoding: quoted-printable"
                 : "Content-Transfer-Encoding: 7bit");
}

void TmsCustomEncoder::WritePreparedBody() {
    if (Message.CharSet == csISO8859 || BodyNeedsQP) {
        std::string text;
        for (const std::string& line : Message.Body) text.append(line).append("\r\n");
        std::vector<std::string> lines;
        TQuotedPrintable(text, lines).Encode();
        for (const std::string& l : lines) WriteLine(l);
    } else {
        for (const std::string& l : Message.Body) WriteLine(l);
    }
}

void TmsCustomEncoder::WriteAttachmentData(const TmsAttItem& item) {
    const auto* d = reinterpret_cast<const unsigned char*>(item.Data.data());
    const size_t size = item.Data.size();
    switch (item.Encoding) {
    case teBase64: {
        size_t at = 0;
        for (;;) {
            const size_t n = std::min(Base64LineBytes, size - at);
            AppendBase64(Out, d + at, n);
            Out.append("\r\n");
            at += n;
            if (Out.size() >= FlushSize) Flush();
            MailPump();
            if (n < Base64LineBytes) break;
        }
        break;
    }
    case teQuotedPrintable: {
        std::vector<std::string> lines;
        TQuotedPrintable(item.Data, lines).Encode();
        for (const std::string& l : lines) WriteLine(l);
        break;
    }
    case te7Bit:
        for (std::string_view line : SplitLines(item.Data)) {
            WriteLine(line);
            MailPump();
        }
        break;
    }
}

void TmsCustomEncoder::EncodeMultipart(bool alternative) {
    TmsAttList& atts = Message.Attachments;
    const int n = atts.Count();
    auto lowerName = [&](int i) { return LowerCase(atts.Items(i).Name()); };
    bool htmlFirst = n > 0 && Message.Body.empty() && lowerName(0) == "_htmbody.htm";
    bool rtfFirst = n > 0 && Message.Body.empty() && lowerName(0) == "_rtfbody.rtf";
    bool altFirst = n > 0 && lowerName(0).rfind("_alt.", 0) == 0;
    std::string b = MakeBoundary(), outer;
    WriteHeaderLine("Content-Type: " + Message.ContentType() + "; boundary=\"" + b + "\"");
    WriteLine("");
    WriteLine(MultipartNote);
    WriteLine("");
    WriteLine("--" + b);
    if (altFirst && !alternative) {
        outer = b;
        b = MakeBoundary();
        WriteLine("Content-Type:  multipart/alternative; boundary=\"" + b + "\"");
        WriteLine("Content-Transfer-Encoding: 7bit");
        WriteLine("");
        WriteLine("--" + b);
    }
    if (!Message.Body.empty()) {
        WriteBodyTextHeaders();
        WriteLine("");
        WritePreparedBody();
        WriteLine("");
        WriteLine("--" + b);
    }
    for (int i = 0; i < n; ++i) {
        const TmsAttItem& item = atts.Items(i);
        const std::string name = item.Name();
        if (i > 0) {
            WriteLine("");
            WriteLine("--" + b);
            htmlFirst = rtfFirst = false;
        }
        const bool bare = alternative || altFirst || htmlFirst || rtfFirst;
        if (bare)
            WriteHeaderLine("Content-Type: " + item.ContentType);
        else
            WriteHeaderLine("Content-Type: " + item.ContentType + "; name=\"" + name + "\"");
        WriteLine(std::string("Content-Transfer-Encoding: ") + TransferEncodingName(item.Encoding));
        if (!bare) WriteHeaderLine("Content-Disposition: attachment; filename=\"" + name + "\"");
        WriteLine("");
        WriteAttachmentData(item);
        WriteLine("");
        if (i == n - 1) {
            WriteLine("--" + b + "--");
        } else if (altFirst && lowerName(i + 1).rfind("_alt.", 0) != 0) {
            altFirst = false;
            WriteLine("--" + b + "--");
            b = outer;
        }
    }
}

void TmsCustomEncoder::EncodeUU() {
    WriteLine("");
    for (const std::string& l : Message.Body) WriteLine(l);
    for (int i = 0; i < Message.Attachments.Count(); ++i) {
        const TmsAttItem& item = Message.Attachments.Items(i);
        WriteLine("");
        WriteHeaderLine("begin 600 " + item.Name());
        const std::string_view data = item.Data;
        size_t at = 0;
        // Lines of 45 bytes and a shorter last one. An empty last read would
        // be a second "`" line before "end", which uudecode rejects.
        for (;;) {
            const size_t n = std::min(UULineBytes, data.size() - at);
            if (n > 0) {
                AppendUULine(Out, reinterpret_cast<const unsigned char*>(data.data()) + at, n);
                Out.append("\r\n");
            }
            at += n;
            if (Out.size() >= FlushSize) Flush();
            MailPump();
            if (n < UULineBytes) break;
        }
        WriteLine("`");
        WriteLine("end");
    }
}

void TmsCustomEncoder::EncodePlain() {
    WriteBodyTextHeaders();
    WriteLine("");
    WritePreparedBody();
}

void TmsCustomEncoder::EncodeSinglePart() {
    const TmsAttItem& item = Message.Attachments.Items(0);
    const std::string name = LowerCase(item.Name());
    const bool one = Message.Attachments.Count() == 1;
    const bool html = one && name == "_htmbody.htm", rtf = one && name == "_rtfbody.rtf";
    if (html)
        WriteLine("Content-Type: text/html");
    else if (rtf)
        WriteLine("Content-Type: text/rtf");
    else
        WriteHeaderLine("Content-Type: " + item.ContentType + "; name=\"" + item.Name() + "\"");
    WriteLine(std::string("Content-Transfer-Encoding: ") + TransferEncodingName(item.Encoding));
    if (!html && !rtf)
        WriteHeaderLine("Content-Disposition: attachment; filename=\"" + item.Name() + "\"");
    WriteLine("");
    WriteAttachmentData(item);
}

void TmsCustomEncoder::EncodeFormatted(const std::string& contentType) {
    std::string line =
        contentType == "text/html" ? "Content-Type: text/html" : "Content-Type: text/rtf";
    if (Message.CharSet != csUSASCII) line += "; charset=\"iso-8859-1\"";
    WriteLine(line);
    WriteLine("Content-Transfer-Encoding: quoted-printable");
    WriteLine("");
    std::string text;
    for (const std::string& l : Message.Body) text.append(l).append("\r\n");
    std::vector<std::string> lines;
    TQuotedPrintable(text, lines).Encode();
    Message.Body = lines;
    for (const std::string& l : lines) WriteLine(l);
}

TmsMessageEncoder::TmsMessageEncoder(TmsMessage& message) : TmsCustomEncoder(message) {}

std::string TmsMessageEncoder::HeaderName(const std::string& name) const {
    std::string out = name;
    if (out.find('.') != std::string::npos && out.find('"') == std::string::npos)
        out = "\"" + out + "\"";
    if (Message.CharSet == csISO2022jp && Message.Encoding == meMIME) out = EncodeHeaderWord(out);
    return out;
}

void TmsMessageEncoder::WriteAddressList(std::string fieldName, const TmsAddressList& list) {
    if (list.Count() == 0) return;
    if (fieldName.empty() || fieldName.back() != ':') fieldName += ':';
    fieldName.resize(std::max<size_t>(fieldName.size(), 10), ' ');
    for (int i = 0; i < list.Count(); ++i) {
        const TmsMailAddress& a = list.Items(i);
        std::string line = (i == 0 ? fieldName : std::string(10, ' ')) + HeaderName(a.Name) + " <" +
                           a.Address + ">";
        if (i + 1 < list.Count()) line += ",";
        WriteHeaderLine(line);
    }
}

void TmsMessageEncoder::WriteHeaders() {
    auto& m = static_cast<TmsMessage&>(Message);
    WriteHeaderLine("From:     " + HeaderName(m.Sender.Name) + " <" + m.Sender.Address + ">");
    WriteAddressList("To", m.Recipients);
    WriteAddressList("CC", m.CC);
    if (m.ReturnReceipt) WriteHeaderLine("Return-Receipt-To: <" + m.Sender.Address + ">");
    if (m.Priority == ptLow)
        WriteLine("X-Priority: 5");
    else if (m.Priority == ptHigh)
        WriteLine("X-Priority: 1");
    for (const char* field :
         {"From", "To", "CC", "BCC", "Return-Receipt-To", "X-Priority", "Subject", "Mime-Version",
          "Content-Type", "X-Encoding", "Content-Transfer-Encoding"})
        m.Headers.RemoveField(field);
    for (const std::string& h : m.Headers) WriteHeaderLine(h);
    if (!m.Subject.empty()) {
        const std::string subject = CutShortString(m.Subject);
        WriteHeaderLine("Subject: " + (m.CharSet == csISO2022jp && m.Encoding == meMIME
                                           ? EncodeHeaderWord(subject)
                                           : subject));
    }
    if (m.Encoding == meMIME) WriteLine("Mime-Version: 1.0");
}
