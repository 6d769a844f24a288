// Renders a TmsMessage (msmsg.h) as RFC 822 text: headers, then a MIME multipart or
// single-part body, or plain text with uuencoded attachments. Every line ends
// in CR LF; no bare CR or LF is ever written. The text is the message itself:
// the SMTP data phase adds the dot-stuffing of the transport.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

class TmsCustomMessage;
class TmsMessage;
class TmsAttItem;
class TmsAddressList;

// The Content-Type the MIME parts give: multipart/alternative when every
// attachment is an alternative, the type of a lone text or file part,
// multipart/mixed for text with files, none for uuencoded mail, else the
// message's stored type (text/plain when it has none).
std::string MessageContentType(const TmsCustomMessage& message);
// The same, kept as the message's stored type.
std::string TakeContentType(TmsCustomMessage& message);
// Renders the message into Stream with CR LF line ends; the message stays as
// it is, so a second rendering gives the same text. Only the mail stack's own
// exceptions leave it.
void RenderMessage(const TmsMessage& message, std::ostream& stream);

class TmsCustomEncoder {
public:
    explicit TmsCustomEncoder(const TmsCustomMessage& message);
    virtual ~TmsCustomEncoder();
    TmsCustomEncoder(const TmsCustomEncoder&) = delete;
    TmsCustomEncoder& operator=(const TmsCustomEncoder&) = delete;

    const TmsCustomMessage& Message; // rendering never changes it
    std::ostream* Stream = nullptr;  // set by the caller before Execute
    bool BodyNeedsQP = false;        // some body entry is 256 characters or longer
    bool EightBitBody = false;       // some body entry holds a byte above 127

    // Renders the whole message into Stream.
    void Execute();
    // Text (up to a zero byte) and CR LF; line breaks inside Text become
    // line breaks of the output, and a line over 998 octets is broken.
    void WriteLine(std::string_view text);
    // Eight digits 0 to 8.
    std::string MakeBoundary();

protected:
    virtual void WriteHeaders() = 0;
    // A header line: CR and LF inside field content become blanks, zero
    // bytes go; over 998 octets it is folded.
    void WriteHeaderLine(std::string_view text);
    // A header line already made safe, with CR LF blank folds of its own.
    void WriteFoldedLine(std::string_view text);
    // A US-ASCII message whose text holds more: declared UTF-8.
    bool Utf8Body() const;
    void WriteBodyTextHeaders();
    void WritePreparedBody();
    void WriteAttachmentData(const TmsAttItem& item);
    void EncodeMultipart(bool alternative);
    void EncodeUU();
    void EncodePlain();
    void EncodeSinglePart();
    void EncodeFormatted(const std::string& contentType);
    void Flush();

    std::string Out; // output waiting for the stream
};

class TmsMessageEncoder : public TmsCustomEncoder {
public:
    explicit TmsMessageEncoder(const TmsMessage& message);

protected:
    void WriteHeaders() override;
    void WriteAddressList(std::string fieldName, const TmsAddressList& list);
    // A display name as written: encoded words when it holds 8-bit text;
    // else quoted when it holds a special character and no quote, then
    // encoded for ISO-2022-JP MIME messages.
    std::string HeaderName(const std::string& name) const;
    // Subject text: encoded words when it holds 8-bit text.
    std::string HeaderText(const std::string& text) const;
    // The character set of encoded words: the message's Latin-1, else UTF-8.
    const char* WordCharset() const;
};

// The lines of Text: CR LF is one break, any other CR or LF a break of its
// own; a break at the very end opens no further line.
std::vector<std::string_view> SplitLines(std::string_view text);
