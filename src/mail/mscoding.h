// Transfer encodings of the message encoder: base64 and uuencode lines, the
// ISO-2022-JP encoded word, and quoted-printable text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

constexpr size_t ShortStringLength = 255;
constexpr size_t Base64LineBytes = 57;
constexpr size_t UULineBytes = 45;
constexpr size_t QPChunk = 65;
constexpr size_t QPParagraphSize = 24576; // terminating zero included

// Base64 of Data (RFC 2045 alphabet, "=" padding), cut to MaxLen characters.
std::string EncodeBase64(std::string_view data, size_t maxLen = ShortStringLength);
// Appends the base64 of Data to Out, without any cut; the bulk path.
void AppendBase64(std::string& out, const unsigned char* data, size_t size);

// One uuencoded line: the count character, then the data characters without
// padding; the backquote stands for 0.
std::string UUEncodeLine(std::string_view data, size_t maxLen = ShortStringLength);
// Appends the same line to Out; the bulk path.
void AppendUULine(std::string& out, const unsigned char* data, size_t size);

// Text that begins with ESC becomes one "=?ISO-2022-JP?B?...?=" word; any
// other text is returned unchanged.
std::string EncodeHeaderWord(std::string_view text);

// Quoted-printable lines of a text: each source line split into chunks of at
// most 65 characters at a space (soft break "="), then escaped. The lines are
// meant to be joined by CR LF: every line break of the text is one such CR LF,
// and text that does not end in a break ends in a soft break.
class TQuotedPrintable {
public:
    TQuotedPrintable(std::string_view input, std::vector<std::string>& lines)
        : Input(input), Lines(lines) {}
    // Appends the encoded lines. A source line of 24,576 bytes or more raises
    // EMailError "Paragraph is too large".
    void Encode();

    static std::string EscapeLine(std::string_view chunk);

private:
    void SplitParagraph(std::string_view paragraph);

    std::string_view Input;
    std::vector<std::string>& Lines;
};

// ASCII letters of Text in lower case (names, types and field names).
std::string LowerCase(std::string_view text);

// Cuts Text to at most N bytes without splitting a UTF-8 sequence.
std::string CutShortString(std::string_view text, size_t n = ShortStringLength);
