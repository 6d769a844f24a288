#include "mail/mscoding.h"

#include <array>
#include <cstring>

#include "mail/MailErrors.h"
#include "mail/MailPump.h"

namespace {

constexpr char Base64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

char UUChar(unsigned v) {
    return v == 0 ? '`' : static_cast<char>(32 + v);
}

// Two output characters for each 12-bit value: one table read per 12 bits.
const std::array<char, 8192>& Base64Pairs() {
    static const auto table = [] {
        std::array<char, 8192> t{};
        for (unsigned v = 0; v < 4096; ++v) {
            t[2 * v] = Base64Alphabet[v >> 6];
            t[2 * v + 1] = Base64Alphabet[v & 63];
        }
        return t;
    }();
    return table;
}

} // namespace

std::string LowerCase(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return out;
}

std::string CutShortString(std::string_view text, size_t n) {
    if (text.size() <= n) return std::string(text);
    size_t end = n; // text[end] is the first byte left out
    for (int k = 0; k < 3 && end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80; ++k)
        --end; // do not keep half of a UTF-8 sequence
    return std::string(text.substr(0, end));
}

void AppendBase64(std::string& out, const unsigned char* d, size_t size) {
    const auto& pairs = Base64Pairs();
    const size_t start = out.size();
    out.resize(start + (size + 2) / 3 * 4);
    char* o = out.data() + start;
    size_t i = 0;
    for (; i + 3 <= size; i += 3, o += 4) {
        const unsigned v = (d[i] << 16) | (d[i + 1] << 8) | d[i + 2];
        std::memcpy(o, &pairs[2 * (v >> 12)], 2);
        std::memcpy(o + 2, &pairs[2 * (v & 0xFFF)], 2);
    }
    if (size - i == 1) {
        const unsigned v = d[i] << 16;
        o[0] = Base64Alphabet[v >> 18];
        o[1] = Base64Alphabet[(v >> 12) & 63];
        o[2] = o[3] = '=';
    } else if (size - i == 2) {
        const unsigned v = (d[i] << 16) | (d[i + 1] << 8);
        o[0] = Base64Alphabet[v >> 18];
        o[1] = Base64Alphabet[(v >> 12) & 63];
        o[2] = Base64Alphabet[(v >> 6) & 63];
        o[3] = '=';
    }
}

std::string EncodeBase64(std::string_view data, size_t maxLen) {
    std::string out;
    AppendBase64(out, reinterpret_cast<const unsigned char*>(data.data()), data.size());
    if (out.size() > maxLen) out.resize(maxLen);
    return out;
}

void AppendUULine(std::string& out, const unsigned char* d, size_t n) {
    static const auto pairs = [] {
        std::array<char, 8192> t{};
        for (unsigned v = 0; v < 4096; ++v)
            t[2 * v] = UUChar(v >> 6), t[2 * v + 1] = UUChar(v & 63);
        return t;
    }();
    const size_t start = out.size();
    out.resize(start + 1 + n / 3 * 4 + (n % 3 ? n % 3 + 1 : 0));
    char* o = out.data() + start;
    *o++ = UUChar(static_cast<unsigned>(n & 63));
    size_t i = 0;
    for (; i + 3 <= n; i += 3, o += 4) {
        const unsigned v = (d[i] << 16) | (d[i + 1] << 8) | d[i + 2];
        std::memcpy(o, &pairs[2 * (v >> 12)], 2);
        std::memcpy(o + 2, &pairs[2 * (v & 0xFFF)], 2);
    }
    if (n - i) {
        unsigned v = d[i] << 16;
        if (n - i > 1) v |= d[i + 1] << 8;
        for (size_t c = 0; c <= n - i; ++c) *o++ = UUChar((v >> (18 - 6 * c)) & 63);
    }
}

std::string UUEncodeLine(std::string_view data, size_t maxLen) {
    std::string out;
    AppendUULine(out, reinterpret_cast<const unsigned char*>(data.data()), data.size());
    if (out.size() > maxLen) out.resize(maxLen);
    return out;
}

std::string EncodeHeaderWord(std::string_view text) {
    if (text.empty() || text[0] != '\x1B') return std::string(text);
    std::string word = "=?ISO-2022-JP?B?";
    AppendBase64(word, reinterpret_cast<const unsigned char*>(text.data()), text.size());
    word += "?=";
    return CutShortString(word);
}

std::string TQuotedPrintable::EscapeLine(std::string_view chunk) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(chunk.size() + 8);
    for (unsigned char c : chunk) {
        if (c < 32 || c == '=' || c >= 128) {
            out += '=';
            out += Hex[c >> 4];
            out += Hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

void TQuotedPrintable::SplitParagraph(std::string_view p) {
    if (p.empty()) {
        Lines.emplace_back();
        return;
    }
    size_t start = 0;
    for (;;) {
        if (p.size() - start < QPChunk) {
            Lines.push_back(EscapeLine(p.substr(start)));
            return;
        }
        // Break before the last space within reach, so it opens the next line.
        size_t end = start + QPChunk;
        size_t at = std::min(end, p.size() - 1);
        while (at > start && p[at] != ' ') --at;
        if (at > start) end = at;
        Lines.push_back(EscapeLine(p.substr(start, end - start)) + "=");
        start = end;
        if (start == p.size()) {
            Lines.emplace_back(); // a soft break with nothing after it
            return;
        }
    }
}

void TQuotedPrintable::Encode() {
    const size_t size = Input.size();
    if (size == 0) {
        Lines.emplace_back("="); // no text and no break
        return;
    }
    size_t pos = 0;
    while (pos < size) {
        // One source line. CR LF is one break; any other CR or LF is a break
        // of its own (LF CR is two), so no empty line is lost. Every break
        // becomes the CR LF after an encoded line.
        size_t end = pos;
        while (end < size && Input[end] != '\r' && Input[end] != '\n') ++end;
        size_t next = end;
        if (end < size)
            next += Input[end] == '\r' && end + 1 < size && Input[end + 1] == '\n' ? 2 : 1;
        if (end - pos > QPParagraphSize - 1) throw EMailError("Paragraph is too large");
        SplitParagraph(Input.substr(pos, end - pos));
        // Text that ends without a break: a soft break, or the reader would
        // find one more line end than there is.
        if (end == size) Lines.back() += '=';
        pos = next;
        MailPump();
    }
}
