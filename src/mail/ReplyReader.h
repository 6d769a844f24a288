// The reply side of the SMTP conversation without a socket: bytes as they
// arrive in, reply lines and whole replies out. The transport feeds it; the
// table tests feed it a server's replies directly.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

// The code of a reply line: its first three digits; for a line shorter than
// three characters whatever digits there are; -1 when it has none.
int ReplyCode(std::string_view line);

enum class TLineResult {
    Line, // a whole line was taken
    More, // the line is not complete yet: more bytes are needed
    Cut   // the peer closed before the line was complete
};

// Received bytes taken line by line. LF alone ends a line too; the trailing
// CR and LF are removed, a zero byte ends the text, and of a longer line only
// the first LineLimit bytes are kept (the rest is read and dropped).
class TReplyReader {
public:
    static constexpr size_t LineLimit = 1024;

    void Feed(std::string_view bytes) { Pending.append(bytes); }
    // The peer ended the connection: no more bytes will come.
    void End() { Ended = true; }
    bool HasEnded() const { return Ended; }
    // Drops everything, a line begun included (a new connection, or TLS on).
    void Clear();
    // The next line into Line (emptied first).
    TLineResult NextLine(std::string& line);

private:
    std::string Pending; // received bytes not yet taken
    std::string Partial; // the line begun, as far as it is kept
    bool Full = false;   // Partial reached LineLimit
    bool Ended = false;
};

// One reply as its lines come: a first line "250-..." opens a multi-line
// reply that ends with the line of the same code and a blank ("250 ok").
class TReply {
public:
    // Takes lines from Reader, each shown to OnLine, until the reply is
    // complete (Line), cut by a close (Cut: no reply, whatever its first
    // lines said), or More bytes are needed first.
    TLineResult Read(TReplyReader& reader,
                     const std::function<void(const std::string&)>& onLine = {});
    // Takes the next line; true when the reply is complete.
    bool Add(const std::string& line);
    // The reply cut by a close before its last line: no reply at all.
    void Cut();
    // The first line's code, or -1 (a line without one, or a cut reply).
    int Code() const { return FCode; }
    // The last line taken; empty for a cut reply.
    const std::string& LastLine() const { return FLast; }

private:
    int FCode = -1;
    bool First = true;
    std::string FLast;
};
