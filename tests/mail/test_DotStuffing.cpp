#include <gtest/gtest.h>
#include <random>

#include "mail/DotStuffing.h"

TEST(DotStuffing, DoublesLeadingDotsOfEveryLineInAnyChunking) {
    const std::string text = ".a\r\nb.\r\n.\r\n..\r\nx\r.y\n.z\r\n";
    const std::string want = "..a\r\nb.\r\n..\r\n...\r\nx\r.y\n.z\r\n";
    EXPECT_EQ(DotStuff(text), want);
    std::mt19937 rng(3);
    for (int round = 0; round < 200; ++round) {
        TDotStuffer s;
        std::string out;
        for (size_t at = 0; at < text.size();) {
            const size_t n = 1 + rng() % 5;
            s.Append(std::string_view(text).substr(at, n), out);
            at += n;
        }
        ASSERT_EQ(out, want);
    }
    EXPECT_EQ(DotStuff(""), "");
    EXPECT_TRUE(TDotStuffer().AtLineStart());
}
