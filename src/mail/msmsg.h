// One outgoing mail: sender, recipients, subject, text lines, extra header
// lines and attached files. The model only holds the mail; msencode.h renders
// it and derives the message's content type.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "mail/MailErrors.h"

enum TMsgEncoding { meMIME, meUU };
enum TCharSet { csUSASCII, csISO8859, csISO2022jp };
enum TPriority { ptLow, ptNormal, ptHigh };
enum TTransferEncoding : unsigned char { te7Bit, teBase64, teQuotedPrintable };

// "7 bit", "Base64", "Quoted-Printable": the Content-Transfer-Encoding texts.
const char* TransferEncodingName(TTransferEncoding e);

class TmsMailAddress {
public:
    std::string Name;    // display name, up to 255 characters
    std::string Address; // mail address, up to 255 characters
    void Assign(const TmsMailAddress& other) { *this = other; }
    void Clear() { Name.clear(), Address.clear(); }
};

class TmsAddressList {
public:
    int Count() const { return static_cast<int>(FItems.size()); }
    TmsMailAddress& Items(int index) { return *FItems.at(static_cast<size_t>(index)); }
    const TmsMailAddress& Items(int index) const { return *FItems.at(static_cast<size_t>(index)); }
    void Add(std::unique_ptr<TmsMailAddress> address) { FItems.push_back(std::move(address)); }
    // Both values cut to 255 characters.
    void AddAddress(std::string_view address, std::string_view name);
    void Clear() { FItems.clear(); }
    void Assign(const TmsAddressList& other);

private:
    std::vector<std::unique_ptr<TmsMailAddress>> FItems;
};

// What an attachment stands for, by the name mail programs give such parts:
// "_alt.*" one alternative of the text, "_htmbody.htm" and "_rtfbody.rtf" the
// text itself (any case, in any folder).
enum TAttRole { arFile, arAlternative, arHtmlBody, arRtfBody };

class TmsAttItem {
public:
    std::string Data;        // the file's bytes
    std::string FileName;    // full path as given; headers show its name part
    std::string ContentType; // "application/octet-stream" when the system knows none
    TTransferEncoding Encoding = teBase64;

    // Stores the name and derives the content type and transfer encoding.
    void SetFileName(std::string_view name);
    // The name part of FileName.
    std::string Name() const;
    TAttRole Role() const;
    void Assign(const TmsAttItem& other) { *this = other; }
};

class TmsAttList {
public:
    int Count() const { return static_cast<int>(FItems.size()); }
    TmsAttItem& Items(int index) { return *FItems.at(static_cast<size_t>(index)); }
    const TmsAttItem& Items(int index) const { return *FItems.at(static_cast<size_t>(index)); }
    void Add(std::unique_ptr<TmsAttItem> item) { FItems.push_back(std::move(item)); }
    // Reads the whole file; EMailError when it cannot be read (nothing added).
    void AddFile(const std::string& fileName);
    void Clear() { FItems.clear(); }
    void Assign(const TmsAttList& other);

private:
    std::vector<std::unique_ptr<TmsAttItem>> FItems;
};

// Extra header lines as they are written; an entry that begins with a space
// or a tab continues the one before.
class TmsHeaders : public std::vector<std::string> {
public:
    void Add(std::string line) { push_back(std::move(line)); }
    // Removes the first field of that name with its continuation lines.
    void RemoveField(std::string name);
};

class TmsCustomMessage {
public:
    TmsCustomMessage() = default;
    virtual ~TmsCustomMessage() = default;
    TmsCustomMessage(const TmsCustomMessage&) = delete;
    TmsCustomMessage& operator=(const TmsCustomMessage&) = delete;

    TmsAttList Attachments;
    TMsgEncoding Encoding = meMIME;
    TmsMailAddress Sender;
    std::string Subject;
    TCharSet CharSet = csUSASCII;
    TmsHeaders Headers;
    std::vector<std::string> Body;

    // The type a message of text alone goes out as (lower case); the one the
    // parts give wins when there are any (MessageContentType).
    std::string StoredContentType = "text/plain";
    void SetContentType(std::string_view type);

    virtual void Validate() const;
    virtual void Clear();
    void Assign(const TmsCustomMessage& other);
};

class TmsMessage : public TmsCustomMessage {
public:
    TmsAddressList Recipients;
    bool ReturnReceipt = false;
    TPriority Priority = ptNormal;
    TmsAddressList CC;
    TmsAddressList BCC;

    // Sender and at least one recipient address; no address may carry a line
    // break, an angle bracket or a zero byte.
    void Validate() const override;
    void Clear() override;
};
