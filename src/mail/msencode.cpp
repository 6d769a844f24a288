#include "mail/msencode.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <random>

#include "mail/MailPump.h"
#include "mail/MessageStamp.h"
#include "mail/mscoding.h"
#include "mail/msmsg.h"

namespace {

constexpr size_t FlushSize = 256 << 10; // the data phase may begin once this much is rendered
constexpr size_t LineLimit = 998;       // octets of a line without its CR LF (RFC 5321)
constexpr size_t WordBytes = 39;        // UTF-8 bytes of one encoded word: 64 characters
constexpr const char* MultipartNote = "This is a multipart message in MIME format";

// Field content on one line: CR and LF become blanks, zero bytes go (a zero
// would end the line early, and the address after it with it).
std::string OneLine(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s)
        if (c != '\0') out += c == '\r' || c == '\n' ? ' ' : c;
    return out;
}

bool HasEightBit(std::string_view s) {
    for (unsigned char c : s)
        if (c >= 0x80) return true;
    return false;
}

// RFC 2047 encoded words (base64), folded onto lines of their own; a UTF-8
// sequence is never cut between two words.
std::string EncodedWords(std::string_view text, const char* charset) {
    std::string out;
    size_t at = 0;
    while (at < text.size()) {
        size_t n = std::min(WordBytes, text.size() - at);
        while (at + n < text.size() && n > 1 &&
               (static_cast<unsigned char>(text[at + n]) & 0xC0) == 0x80)
            --n;
        if (!out.empty()) out += "\r\n ";
        out += std::string("=?") + charset + "?B?";
        AppendBase64(out, reinterpret_cast<const unsigned char*>(text.data()) + at, n);
        out += "?=";
        at += n;
    }
    return out;
}

// A parameter value inside double quotes: quote and backslash escaped.
std::string Quoted(std::string_view s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

// Pieces of at most LineLimit octets: broken before the last blank in the
// second half of the reach, else at the limit, never inside a UTF-8 sequence. Header pieces
// after the first begin with a blank, so they continue the field.
template <class F> void ForEachPiece(std::string_view line, bool header, F&& write) {
    while (line.size() > LineLimit) {
        size_t end = line.find_last_of(" \t", LineLimit);
        if (end == std::string_view::npos || end < LineLimit / 2) {
            end = LineLimit;
            while (end > 1 && (static_cast<unsigned char>(line[end]) & 0xC0) == 0x80) --end;
        }
        write(line.substr(0, end));
        line.remove_prefix(end);
        if (header && line.front() != ' ' && line.front() != '\t') {
            // Room for the blank that makes the rest a continuation.
            std::string rest = " " + std::string(line);
            ForEachPiece(rest, true, write);
            return;
        }
    }
    write(line);
}

} // namespace

std::string MessageContentType(const TmsCustomMessage& message) {
    const TmsAttList& atts = message.Attachments;
    const int n = atts.Count();
    bool allAlt = n > 0;
    for (int i = 0; i < n && allAlt; ++i) allAlt = atts.Items(i).Role() == arAlternative;
    const TAttRole lone = n == 1 && message.Body.empty() ? atts.Items(0).Role() : arFile;
    if (message.Encoding == meUU) return "";
    if (allAlt) return "multipart/alternative";
    if (lone == arRtfBody) return "text/rtf";
    if (lone == arHtmlBody) return "text/html";
    if (message.Body.empty())
        return n == 1 ? atts.Items(0).ContentType : n ? "multipart/mixed" : "text/plain";
    if (n) return "multipart/mixed";
    return message.StoredContentType.empty() ? "text/plain" : message.StoredContentType;
}

std::string TakeContentType(TmsCustomMessage& message) {
    message.StoredContentType = MessageContentType(message);
    return message.StoredContentType;
}

void RenderMessage(const TmsMessage& message, std::ostream& stream) {
    TmsMessageEncoder encoder(message);
    encoder.Stream = &stream;
    try {
        encoder.Execute();
    } catch (const EMailError&) {
        throw;
    } catch (const std::exception& e) {
        throw EMailError(std::string("The message cannot be written: ") + e.what());
    }
}

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

TmsCustomEncoder::TmsCustomEncoder(const TmsCustomMessage& message) : Message(message) {
    for (const std::string& line : Message.Body) {
        BodyNeedsQP = BodyNeedsQP || line.size() >= 256;
        EightBitBody = EightBitBody || HasEightBit(line);
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
    auto put = [this](std::string_view piece) { Out.append(piece).append("\r\n"); };
    if (text.find_first_of("\r\n") == std::string_view::npos) {
        ForEachPiece(text, false, put);
    } else {
        for (std::string_view line : SplitLines(text)) ForEachPiece(line, false, put);
    }
    if (Out.size() >= FlushSize) Flush();
}

void TmsCustomEncoder::WriteHeaderLine(std::string_view text) {
    WriteFoldedLine(OneLine(text));
}

void TmsCustomEncoder::WriteFoldedLine(std::string_view text) {
    for (std::string_view line : SplitLines(text))
        ForEachPiece(line, true,
                     [this](std::string_view piece) { Out.append(piece).append("\r\n"); });
    if (Out.size() >= FlushSize) Flush();
}

bool TmsCustomEncoder::Utf8Body() const {
    return Message.CharSet == csUSASCII && EightBitBody;
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
        const std::string type = MessageContentType(Message);
        const bool attachments = Message.Attachments.Count() > 0;
        if (type == "multipart/mixed")
            EncodeMultipart(false);
        else if (type == "multipart/alternative")
            EncodeMultipart(true);
        else if (type == "text/plain" && !attachments)
            EncodePlain();
        else if (type == "text/html" || type == "text/rtf")
            EncodeFormatted(type);
        else if (attachments)
            EncodeSinglePart();
        else
            EncodePlain(); // a stored type of an attachment, but only text to send
    }
    Flush();
    if (Stream) Stream->flush();
}

void TmsCustomEncoder::WriteBodyTextHeaders() {
    // Text typed with letters beyond ASCII goes out as what it is: UTF-8.
    const char* charset = Message.CharSet == csISO8859     ? "iso-8859-1"
                          : Message.CharSet == csISO2022jp ? "iso-2022-jp"
                          : Utf8Body()                     ? "utf-8"
                                                           : "us-ascii";
    WriteLine(std::string("Content-Type: text/plain; charset=\"") + charset + "\"");
    const bool qp = Message.CharSet == csISO8859 || BodyNeedsQP || Utf8Body();
    WriteLine(qp ? "Content-Transfer-Encoding: quoted-printable"
                 : "Content-Transfer-Encoding: 7bit");
}

void TmsCustomEncoder::WritePreparedBody() {
    if (Message.CharSet == csISO8859 || BodyNeedsQP || Utf8Body()) {
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
    const TmsAttList& atts = Message.Attachments;
    const int n = atts.Count();
    const TAttRole first = n > 0 ? atts.Items(0).Role() : arFile;
    bool htmlFirst = Message.Body.empty() && first == arHtmlBody;
    bool rtfFirst = Message.Body.empty() && first == arRtfBody;
    bool altFirst = first == arAlternative;
    std::string b = MakeBoundary(), outer;
    WriteHeaderLine("Content-Type: " + MessageContentType(Message) + "; boundary=\"" + b + "\"");
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
            WriteHeaderLine("Content-Type: " + item.ContentType + "; name=" + Quoted(name));
        WriteLine(std::string("Content-Transfer-Encoding: ") + TransferEncodingName(item.Encoding));
        if (!bare) WriteHeaderLine("Content-Disposition: attachment; filename=" + Quoted(name));
        WriteLine("");
        WriteAttachmentData(item);
        WriteLine("");
        if (i == n - 1) {
            WriteLine("--" + b + "--");
        } else if (altFirst && atts.Items(i + 1).Role() != arAlternative) {
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
    const TAttRole role = Message.Attachments.Count() == 1 ? item.Role() : arFile;
    const bool html = role == arHtmlBody, rtf = role == arRtfBody;
    if (html)
        WriteLine("Content-Type: text/html");
    else if (rtf)
        WriteLine("Content-Type: text/rtf");
    else
        WriteHeaderLine("Content-Type: " + item.ContentType + "; name=" + Quoted(item.Name()));
    WriteLine(std::string("Content-Transfer-Encoding: ") + TransferEncodingName(item.Encoding));
    if (!html && !rtf)
        WriteHeaderLine("Content-Disposition: attachment; filename=" + Quoted(item.Name()));
    WriteLine("");
    WriteAttachmentData(item);
}

void TmsCustomEncoder::EncodeFormatted(const std::string& contentType) {
    std::string line =
        contentType == "text/html" ? "Content-Type: text/html" : "Content-Type: text/rtf";
    if (Message.CharSet != csUSASCII)
        line += "; charset=\"iso-8859-1\"";
    else if (Utf8Body())
        line += "; charset=\"utf-8\"";
    WriteLine(line);
    WriteLine("Content-Transfer-Encoding: quoted-printable");
    WriteLine("");
    // Without body lines the text is the lone _htmbody.htm or _rtfbody.rtf
    // attachment's own.
    std::string text;
    if (Message.Body.empty() && Message.Attachments.Count() == 1)
        text = Message.Attachments.Items(0).Data;
    for (const std::string& l : Message.Body) text.append(l).append("\r\n");
    std::vector<std::string> lines;
    TQuotedPrintable(text, lines).Encode();
    for (const std::string& l : lines) WriteLine(l);
}

TmsMessageEncoder::TmsMessageEncoder(const TmsMessage& message) : TmsCustomEncoder(message) {}

const char* TmsMessageEncoder::WordCharset() const {
    return Message.CharSet == csISO8859 ? "ISO-8859-1" : "UTF-8";
}

std::string TmsMessageEncoder::HeaderText(const std::string& text) const {
    const std::string one = OneLine(text);
    const bool jis = Message.CharSet == csISO2022jp && Message.Encoding == meMIME;
    if (jis && !one.empty() && one[0] == '\x1B') return EncodeHeaderWord(one);
    return HasEightBit(one) ? EncodedWords(one, WordCharset()) : one;
}

std::string TmsMessageEncoder::HeaderName(const std::string& name) const {
    std::string out = OneLine(name);
    if (HasEightBit(out) && !(out.size() && out[0] == '\x1B'))
        return EncodedWords(out, WordCharset());
    // A name with a special character (a comma, say) is one quoted string, or
    // readers see more than one address; a name with a quote stays as given.
    if (out.find_first_of("()<>[]:;@\\,.") != std::string::npos &&
        out.find('"') == std::string::npos) {
        std::string quoted = "\"";
        for (char c : out) (c == '\\' ? quoted += "\\\\" : quoted += c);
        out = quoted + "\"";
    }
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
                           OneLine(a.Address) + ">";
        if (i + 1 < list.Count()) line += ",";
        WriteFoldedLine(line);
    }
}

void TmsMessageEncoder::WriteHeaders() {
    const auto& m = static_cast<const TmsMessage&>(Message);
    WriteFoldedLine("From:     " + HeaderName(m.Sender.Name) + " <" + OneLine(m.Sender.Address) +
                    ">");
    WriteAddressList("To", m.Recipients);
    WriteAddressList("CC", m.CC);
    if (m.ReturnReceipt) WriteHeaderLine("Return-Receipt-To: <" + m.Sender.Address + ">");
    if (m.Priority == ptLow)
        WriteLine("X-Priority: 5");
    else if (m.Priority == ptHigh)
        WriteLine("X-Priority: 1");
    WriteLine("Date: " + MailDate(std::time(nullptr)));
    WriteLine("Message-ID: " + MakeMessageId(m.Sender.Address));
    // Fields of our own replace the caller's; the message itself is left as it is.
    TmsHeaders headers = m.Headers;
    for (const char* field :
         {"From", "To", "CC", "BCC", "Return-Receipt-To", "X-Priority", "Date", "Message-ID",
          "Subject", "Mime-Version", "Content-Type", "X-Encoding", "Content-Transfer-Encoding"})
        headers.RemoveField(field);
    for (const std::string& h : headers) WriteHeaderLine(h);
    if (!m.Subject.empty()) WriteFoldedLine("Subject: " + HeaderText(CutShortString(m.Subject)));
    if (m.Encoding == meMIME) WriteLine("Mime-Version: 1.0");
}
