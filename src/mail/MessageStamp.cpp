#include "mail/MessageStamp.h"

#include <cstdio>
#include <random>

namespace {

// Letters, digits, hyphens and dots between labels: anything else (a stray
// bracket, a line break) would break the field or the id.
bool PlainDomain(const std::string& d) {
    if (d.empty() || d.front() == '.' || d.back() == '.' || d.find("..") != std::string::npos)
        return false;
    for (char c : d)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
              c == '-' || c == '.'))
            return false;
    return true;
}

} // namespace

std::string MailDate(std::time_t when) {
    static const char* const Days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const Months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm t{};
    localtime_r(&when, &t);
    const long offset = t.tm_gmtoff / 60; // minutes east of UTC
    const long shown = offset < 0 ? -offset : offset;
    char text[64];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d %c%02ld%02ld",
                  Days[t.tm_wday], t.tm_mday, Months[t.tm_mon], t.tm_year + 1900, t.tm_hour,
                  t.tm_min, t.tm_sec, offset < 0 ? '-' : '+', shown / 60, shown % 60);
    return text;
}

std::string MakeMessageId(const std::string& senderAddress) {
    std::random_device random;
    char id[40];
    std::snprintf(id, sizeof id, "%08x%08x%08x%08x", random(), random(), random(), random());
    const size_t at = senderAddress.rfind('@');
    const std::string domain = at == std::string::npos ? "" : senderAddress.substr(at + 1);
    return std::string("<") + id + "@" + (PlainDomain(domain) ? domain : "localhost") + ">";
}
