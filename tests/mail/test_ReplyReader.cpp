#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

#include "mail/ReplyReader.h"

namespace {

using TReplies = std::vector<std::pair<int, std::string>>;

struct TCase {
    const char* Name;
    std::string Bytes;   // what the server sent
    bool Closed;         // and then it closed
    TReplies Want;       // the replies read, code and last line
    TLineResult WantEnd; // what reading further gives
};

// The replies a client reads from Bytes fed in pieces of Piece bytes.
std::pair<TReplies, TLineResult> ReadAll(const TCase& c, size_t piece) {
    TReplyReader reader;
    TReplies got;
    size_t at = 0;
    TReply reply;
    for (;;) {
        const TLineResult r = reply.Read(reader);
        if (r == TLineResult::Line) {
            got.emplace_back(reply.Code(), reply.LastLine());
            reply = TReply();
            continue;
        }
        if (r == TLineResult::Cut) {
            got.emplace_back(reply.Code(), reply.LastLine());
            return {got, r};
        }
        if (at < c.Bytes.size()) {
            reader.Feed(std::string_view(c.Bytes).substr(at, piece));
            at += piece;
        } else if (c.Closed && !reader.HasEnded()) {
            reader.End();
        } else {
            return {got, r};
        }
    }
}

} // namespace

TEST(ReplyReader, ServerRepliesInAnyPiecesGiveTheSameReplies) {
    const std::string longText(2000, 'a');
    const TCase cases[] = {
        {"one line", "220 ready\r\n", false, {{220, "220 ready"}}, TLineResult::More},
        {"multi-line, LF alone",
         "250-one\r\n250-two\n250 three\r\n",
         false,
         {{250, "250 three"}},
         TLineResult::More},
        {"continuation lines of other forms",
         "250-a\r\n\r\nnot a code\r\n251 b\r\n250-c\r\n250 d\r\n",
         false,
         {{250, "250 d"}},
         TLineResult::More},
        {"replies back to back",
         "250 a\r\n354 go on\r\n",
         false,
         {{250, "250 a"}, {354, "354 go on"}},
         TLineResult::More},
        {"a reply not complete yet", "250-one\r\n250 tw", false, {}, TLineResult::More},
        {"cut by a close", "250-one\r\n250-tw", true, {{-1, ""}}, TLineResult::Cut},
        {"cut after a whole line", "250-one\r\n", true, {{-1, ""}}, TLineResult::Cut},
        {"closed at once", "", true, {{-1, ""}}, TLineResult::Cut},
        {"closed after a reply",
         "221 bye\r\n",
         true,
         {{221, "221 bye"}, {-1, ""}},
         TLineResult::Cut},
        {"an over-long line keeps its start",
         "250 " + longText + "\r\n354 x\r\n",
         false,
         {{250, "250 " + longText.substr(0, 1020)}, {354, "354 x"}},
         TLineResult::More},
        {"a zero byte ends the text",
         std::string("250 ok\0junk\r\n", 13),
         false,
         {{250, "250 ok"}},
         TLineResult::More},
        {"line ends of any number of CRs",
         "250 ok\r\r\n",
         false,
         {{250, "250 ok"}},
         TLineResult::More},
        {"no code, or a short one",
         "hello\r\n25\r\n0\r\n",
         false,
         {{-1, "hello"}, {25, "25"}, {0, "0"}},
         TLineResult::More},
        {"a dash too early, then an empty multi-line reply",
         "25-x\r\n250-\r\n250 \r\n",
         false,
         {{-1, "25-x"}, {250, "250 "}},
         TLineResult::More},
    };
    for (const TCase& c : cases)
        for (size_t piece : {c.Bytes.size() + 1, size_t{1}, size_t{7}}) {
            const auto [got, end] = ReadAll(c, piece);
            EXPECT_EQ(got, c.Want) << c.Name << ", pieces of " << piece;
            EXPECT_EQ(end, c.WantEnd) << c.Name << ", pieces of " << piece;
        }
}
