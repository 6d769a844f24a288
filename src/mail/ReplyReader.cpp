#include "mail/ReplyReader.h"

#include <algorithm>

int ReplyCode(std::string_view line) {
    const size_t digits = std::min<size_t>(line.size(), 3);
    if (digits == 0) return -1;
    int code = 0;
    for (size_t i = 0; i < digits; ++i) {
        if (line[i] < '0' || line[i] > '9') return -1;
        code = code * 10 + (line[i] - '0');
    }
    return code;
}

void TReplyReader::Clear() {
    Pending.clear();
    Partial.clear();
    Full = false;
    Ended = false;
}

TLineResult TReplyReader::NextLine(std::string& line) {
    line.clear();
    const size_t lf = Pending.find('\n');
    const size_t take = lf == std::string::npos ? Pending.size() : lf;
    if (!Full) {
        Partial.append(Pending, 0, std::min(take, LineLimit - Partial.size()));
        Full = Partial.size() >= LineLimit;
    }
    Pending.erase(0, lf == std::string::npos ? Pending.size() : lf + 1);
    if (lf == std::string::npos) {
        if (!Ended) return TLineResult::More;
        Partial.clear();
        Full = false;
        return TLineResult::Cut;
    }
    line.swap(Partial);
    Partial.clear();
    Full = false;
    line.resize(std::min(line.size(), line.find('\0'))); // the line is zero-terminated text
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    return TLineResult::Line;
}

bool TReply::Add(const std::string& line) {
    FLast = line;
    if (First) {
        First = false;
        FCode = ReplyCode(line);
        return !(FCode > 0 && line.find('-') == 3);
    }
    return ReplyCode(line) == FCode && line.find(' ') == 3;
}

void TReply::Cut() {
    FCode = -1;
    FLast.clear();
}

TLineResult TReply::Read(TReplyReader& reader,
                         const std::function<void(const std::string&)>& onLine) {
    for (;;) {
        std::string line;
        const TLineResult got = reader.NextLine(line);
        if (got == TLineResult::More) return got;
        if (got == TLineResult::Cut) {
            Cut();
            return got;
        }
        if (onLine) onLine(line);
        if (Add(line)) return got;
    }
}
