// SMTP transparency (RFC 5321, 4.5.2): in the data phase every line that
// begins with "." gets one more "."; the server removes it again. Done here
// and nowhere else, for every line the message holds.
#pragma once

#include <string>
#include <string_view>

class TDotStuffer {
public:
    // Appends Chunk to Out with the dots doubled; chunks may cut lines anywhere.
    void Append(std::string_view chunk, std::string& out);
    // True when the text so far ends in CR LF (or is empty).
    bool AtLineStart() const { return LineStart; }

private:
    bool LineStart = true;
    bool AfterCR = false;
};

// The whole text at once.
std::string DotStuff(std::string_view text);
