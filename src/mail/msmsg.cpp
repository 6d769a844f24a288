#include "mail/msmsg.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <sys/mman.h>
#include <unistd.h>

#include "mail/MailPump.h"
#include "mail/MimeTypes.h"
#include "mail/mscoding.h"

namespace {

std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

std::string NamePart(std::string_view path) {
    const size_t slash = path.find_last_of('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

// Memory touched for the first time costs a page fault a page; asking the
// kernel for a fresh range in one call is far cheaper. Where the call is not
// known (kernels before 5.14) the pages simply fault as before.
void PrefaultForWrite(char* data, size_t size) {
    const auto page = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + page - 1) & ~(page - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + size) & ~(page - 1);
    if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
}

// An address that would end the SMTP command or the header field it is in.
void CheckAddress(const std::string& address) {
    if (address.find_first_of(std::string_view("\r\n<>\0", 5)) != std::string::npos)
        throw EMessageError(
            "The address \"" +
            address.substr(0, address.find_first_of(std::string_view("\r\n\0", 3))) +
            "\" contains a character that is not allowed");
}

} // namespace

const char* TransferEncodingName(TTransferEncoding e) {
    switch (e) {
    case te7Bit:
        return "7 bit";
    case teQuotedPrintable:
        return "Quoted-Printable";
    default:
        return "Base64";
    }
}

void TmsAddressList::AddAddress(std::string_view address, std::string_view name) {
    auto a = std::make_unique<TmsMailAddress>();
    a->Address = CutShortString(address);
    a->Name = CutShortString(name);
    Add(std::move(a));
}

void TmsAddressList::Assign(const TmsAddressList& other) {
    if (&other == this) return;
    Clear();
    for (const auto& a : other.FItems) Add(std::make_unique<TmsMailAddress>(*a));
}

void TmsAttItem::SetFileName(std::string_view name) {
    FileName = std::string(name);
    if (name.empty()) return;
    const std::string part = NamePart(name);
    const size_t dot = part.find_last_of('.');
    ContentType =
        dot == std::string::npos ? std::string() : ContentTypeOfExtension(part.substr(dot));
    if (ContentType.empty()) ContentType = "application/octet-stream";
    const std::string up = Upper(ContentType);
    if (up == "TEXT/PLAIN" || up == "TEXT/RTF" || up == "TEXT/HTML")
        Encoding = teQuotedPrintable;
    else if (up == "MESSAGE/RFC822")
        Encoding = te7Bit;
    else
        Encoding = teBase64;
}

std::string TmsAttItem::Name() const {
    return NamePart(FileName);
}

TAttRole TmsAttItem::Role() const {
    const std::string name = LowerCase(Name());
    if (name.rfind("_alt.", 0) == 0) return arAlternative;
    if (name == "_htmbody.htm") return arHtmlBody;
    if (name == "_rtfbody.rtf") return arRtfBody;
    return arFile;
}

void TmsAttList::AddFile(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    if (!in) throw EMailError("Cannot open file " + fileName);
    auto item = std::make_unique<TmsAttItem>();
    item->SetFileName(fileName);
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    in.seekg(0);
    if (size > 0) {
        // In pieces, with the window kept live between them: a large file
        // takes longer to read (and its memory longer to fill) than a pump
        // may wait.
        constexpr std::streamoff Piece = 1 << 20;
        item->Data.reserve(static_cast<size_t>(size));
        std::streamoff got = 0;
        while (got < size) {
            const std::streamoff n = std::min(Piece, size - got);
            PrefaultForWrite(item->Data.data() + got, static_cast<size_t>(n));
            item->Data.resize(static_cast<size_t>(got + n));
            in.read(item->Data.data() + got, n);
            got += in.gcount();
            if (!in) break;
            MailPumpNow(); // a piece is work enough for one pump
        }
        item->Data.resize(static_cast<size_t>(got));
    }
    std::ostringstream rest; // whatever the file grew by meanwhile
    if (in.peek() != std::char_traits<char>::eof()) rest << in.rdbuf();
    if (in.bad()) throw EMailError("Cannot read file " + fileName);
    item->Data += rest.str();
    Add(std::move(item));
}

void TmsAttList::Assign(const TmsAttList& other) {
    if (&other == this) return;
    Clear();
    for (const auto& a : other.FItems) Add(std::make_unique<TmsAttItem>(*a));
}

void TmsHeaders::RemoveField(std::string name) {
    if (empty()) return;
    if (name.empty() || name.back() != ':') name += ':';
    const std::string key = LowerCase(name);
    for (size_t i = 0; i < size(); ++i) {
        if (LowerCase(std::string_view((*this)[i]).substr(0, key.size())) != key) continue;
        size_t end = i + 1;
        while (end < size() && !(*this)[end].empty() &&
               ((*this)[end][0] == ' ' || (*this)[end][0] == '\t'))
            ++end;
        erase(begin() + static_cast<long>(i), begin() + static_cast<long>(end));
        return;
    }
}

void TmsCustomMessage::SetContentType(std::string_view type) {
    StoredContentType = LowerCase(type);
}

void TmsCustomMessage::Validate() const {
    if (Sender.Address.empty()) throw EMessageError("The address of sender is required");
    CheckAddress(Sender.Address);
}

void TmsCustomMessage::Clear() {
    Body.clear();
    Attachments.Clear();
    Sender.Clear();
    Headers.clear();
    Subject.clear();
    Encoding = meMIME;
    CharSet = csUSASCII;
    StoredContentType.clear();
}

void TmsCustomMessage::Assign(const TmsCustomMessage& other) {
    if (&other == this) return;
    Sender = other.Sender;
    Subject = other.Subject;
    Encoding = other.Encoding;
    CharSet = other.CharSet;
    Headers = other.Headers;
    Body = other.Body;
    Attachments.Assign(other.Attachments);
    StoredContentType = other.StoredContentType;
}

void TmsMessage::Validate() const {
    TmsCustomMessage::Validate();
    bool any = false;
    for (const TmsAddressList* list : {&Recipients, &CC, &BCC})
        for (int i = 0; i < list->Count(); ++i) {
            CheckAddress(list->Items(i).Address);
            any = any || !list->Items(i).Address.empty();
        }
    if (!any) throw EMessageError("At least one Recipient, CC or BCC must be entered");
}

void TmsMessage::Clear() {
    TmsCustomMessage::Clear();
    CC.Clear();
    BCC.Clear();
    Recipients.Clear();
}
