#include "mail/DotStuffing.h"

#include <cstring>

void TDotStuffer::Append(std::string_view chunk, std::string& out) {
    const size_t n = chunk.size();
    if (n == 0) return;
    // Only a dot can need a second one, and most data (base64 above all) has
    // none: look for dots and ask whether each begins a line.
    auto atLineStart = [&](size_t i) {
        if (i >= 2) return chunk[i - 2] == '\r' && chunk[i - 1] == '\n';
        if (i == 1) return AfterCR && chunk[0] == '\n';
        return LineStart;
    };
    size_t start = 0, from = 0;
    while (from < n) {
        const void* dot = std::memchr(chunk.data() + from, '.', n - from);
        if (!dot) break;
        const auto i = static_cast<size_t>(static_cast<const char*>(dot) - chunk.data());
        if (atLineStart(i)) {
            out.append(chunk.substr(start, i - start)).push_back('.');
            start = i; // the dot itself goes out with the next piece
        }
        from = i + 1;
    }
    out.append(chunk.substr(start));
    // The encoder ends every line in CR LF; a line starts after the pair.
    LineStart = atLineStart(n);
    AfterCR = chunk[n - 1] == '\r';
}

std::string DotStuff(std::string_view text) {
    std::string out;
    TDotStuffer().Append(text, out);
    return out;
}
