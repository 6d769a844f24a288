// One outgoing mail: sender, recipients, subject, text lines, extra header
// lines and attached files, with the content types the model derives itself.
#pragma once

#include <iosfwd>
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

    // Derived from the attachments and the body; the result is also stored.
    std::string ContentType();
    // The same without storing it: what a rendering uses.
    std::string ComputedContentType() const;
    void SetContentType(std::string_view type);

    virtual void Validate() const;
    virtual void SaveToStream(std::ostream& stream) const = 0;
    virtual void Clear();
    void Assign(const TmsCustomMessage& other);

protected:
    std::string StoredContentType = "text/plain";
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
    // Renders the message as RFC 822 text with CR LF line ends; the message
    // stays as it is, so a second rendering gives the same text. Only the
    // mail stack's own exceptions leave it.
    void SaveToStream(std::ostream& stream) const override;
    void Clear() override;
};
