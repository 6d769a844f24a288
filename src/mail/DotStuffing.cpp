#include "mail/DotStuffing.h"

#include <cstring>

void TDotStuffer::Append(std::string_view chunk, std::string& out) {
    size_t start = 0;
    out.reserve(out.size() + chunk.size() + 16);
    for (size_t i = 0; i < chunk.size(); ++i) {
        const char c = chunk[i];
        if (LineStart && c == '.') {
            out.append(chunk.substr(start, i - start)).push_back('.');
            start = i;
        }
        // The encoder ends every line in CR LF; a line starts after the pair.
        LineStart = AfterCR && c == '\n';
        AfterCR = c == '\r';
        if (!LineStart && !AfterCR) {
            // Skip ahead to the next CR, where anything can happen again.
            const void* cr = std::memchr(chunk.data() + i + 1, '\r', chunk.size() - i - 1);
            if (!cr) break;
            i = static_cast<size_t>(static_cast<const char*>(cr) - chunk.data()) - 1;
        }
    }
    out.append(chunk.substr(start));
}

std::string DotStuff(std::string_view text) {
    std::string out;
    TDotStuffer().Append(text, out);
    return out;
}
