// libFuzzer target: messages from random fields, rendered. Every line must
// end in CR LF and no field content may open a header line of its own.
#include <fuzzer/FuzzedDataProvider.h>
#include <sstream>

#include "mail/msencode.h"
#include "mail/msmsg.h"

namespace {

bool AllowedHeader(std::string_view line) {
    for (std::string_view p :
         {"From:     ", "To:       ", "CC:       ", "          ", "Return-Receipt-To: <",
          "X-Priority: ", "Date: ", "Message-ID: <", "Subject: ", "Mime-Version: 1.0",
          "Content-Type: ", "Content-Transfer-Encoding: ", "Content-Disposition: ", "X-Fuzz: ",
          "\t", " "})
        if (line.substr(0, p.size()) == p) return true;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    TmsMessage m;
    m.Sender.Name = in.ConsumeRandomLengthString(80);
    m.Sender.Address = in.ConsumeRandomLengthString(80);
    for (int i = in.ConsumeIntegralInRange(0, 3); i > 0; --i)
        m.Recipients.AddAddress(in.ConsumeRandomLengthString(60), in.ConsumeRandomLengthString(60));
    for (int i = in.ConsumeIntegralInRange(0, 2); i > 0; --i)
        m.CC.AddAddress(in.ConsumeRandomLengthString(60), in.ConsumeRandomLengthString(60));
    m.Subject = in.ConsumeRandomLengthString(300);
    m.Encoding = in.ConsumeBool() ? meUU : meMIME;
    m.CharSet = static_cast<TCharSet>(in.ConsumeIntegralInRange(0, 2));
    m.Priority = static_cast<TPriority>(in.ConsumeIntegralInRange(0, 2));
    m.ReturnReceipt = in.ConsumeBool();
    if (in.ConsumeBool()) m.Headers.Add("X-Fuzz: " + in.ConsumeRandomLengthString(60));
    if (in.ConsumeBool()) m.Headers.Add("\tfold" + in.ConsumeRandomLengthString(20));
    for (int i = in.ConsumeIntegralInRange(0, 5); i > 0; --i)
        m.Body.push_back(in.ConsumeRandomLengthString(400));
    for (int i = in.ConsumeIntegralInRange(0, 3); i > 0; --i) {
        auto item = std::make_unique<TmsAttItem>();
        item->SetFileName(in.ConsumeRandomLengthString(40));
        item->Encoding = static_cast<TTransferEncoding>(in.ConsumeIntegralInRange(0, 2));
        item->Data = in.ConsumeRandomLengthString(2000);
        m.Attachments.Add(std::move(item));
    }
    std::ostringstream out;
    try {
        RenderMessage(m, out);
    } catch (const EMailError&) {
        return 0; // "Paragraph is too large" and the like: refused, not broken
    }
    const std::string text = out.str();
    size_t start = 0;
    bool inHeader = true;
    while (start < text.size()) {
        const size_t crlf = text.find("\r\n", start);
        if (crlf == std::string::npos) __builtin_trap(); // a line without CR LF
        const std::string_view line(text.data() + start, crlf - start);
        if (line.find_first_of("\r\n") != std::string_view::npos) __builtin_trap(); // bare CR or LF
        if (line.empty()) inHeader = false;
        if (inHeader && !AllowedHeader(line)) __builtin_trap(); // a header made by content
        if (line.rfind("Content-Type: multipart", 0) == 0) inHeader = false; // last header line
        start = crlf + 2;
    }
    return 0;
}
