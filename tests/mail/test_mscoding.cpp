#include <gtest/gtest.h>

#include "mail/MailErrors.h"
#include "mail/mscoding.h"

namespace {
std::vector<std::string> QP(std::string_view text) {
    std::vector<std::string> lines;
    TQuotedPrintable(text, lines).Encode();
    return lines;
}
using TLines = std::vector<std::string>;
} // namespace

TEST(Base64, EncodesGroupsAndPads) {
    EXPECT_EQ(EncodeBase64("abc"), "YWJj");
    EXPECT_EQ(EncodeBase64("ab"), "YWI=");
    EXPECT_EQ(EncodeBase64("a"), "YQ==");
    EXPECT_EQ(EncodeBase64(""), "");
    EXPECT_EQ(EncodeBase64(std::string("\xFB\xEF\xFF", 3)), "++//");
    EXPECT_EQ(EncodeBase64(std::string(57, 'x')).size(), 76u);
    EXPECT_EQ(EncodeBase64(std::string(255, 'x')).size(), 255u) << "cut to the short string";
}

TEST(UUEncode, LinesCarryTheirCountWithoutPadding) {
    EXPECT_EQ(UUEncodeLine("abc"), "#86)C");
    EXPECT_EQ(UUEncodeLine("a").size(), 3u);
    EXPECT_EQ(UUEncodeLine(""), "`");
    const std::string line = UUEncodeLine(std::string(45, '\0'));
    EXPECT_EQ(line, "M" + std::string(60, '`'));
    EXPECT_EQ(UUEncodeLine(std::string(14, 'q'))[0], '.') << "14 bytes: the count is a dot";
    for (char c : UUEncodeLine(std::string(45, ' '))) EXPECT_NE(c, ' ');
}

TEST(HeaderWord, OnlyEscapeTextIsEncoded) {
    EXPECT_EQ(EncodeHeaderWord("Plain"), "Plain");
    EXPECT_EQ(EncodeHeaderWord(""), "");
    EXPECT_EQ(EncodeHeaderWord("\x1B$B"), "=?ISO-2022-JP?B?GyRC?=");
    EXPECT_EQ(EncodeHeaderWord("\x1B" + std::string(300, 'a')).size(), 255u);
}

TEST(QuotedPrintable, EscapesWhatIsNotPlainText) {
    EXPECT_EQ(QP("a=b"), TLines{"a=3Db"});
    EXPECT_EQ(QP("\xE9"), TLines{"=E9"});
    EXPECT_EQ(QP("a\tb \x7F "), TLines{"a=09b \x7F "});
    EXPECT_EQ(QP(""), TLines{""});
}

TEST(QuotedPrintable, SplitsLongLinesAtSpaces) {
    std::string words;
    while (words.size() < 100) words += "word ";
    words.resize(100);
    TLines lines = QP(words);
    ASSERT_EQ(lines.size(), 2u);
    // The last space at or before position 66 opens the second line.
    EXPECT_EQ(lines[0], words.substr(0, 64) + "=");
    EXPECT_EQ(lines[1], words.substr(64));

    const std::string solid(100, 'x');
    EXPECT_EQ(QP(solid), (TLines{std::string(65, 'x') + "=", std::string(35, 'x')}));
    EXPECT_EQ(QP(std::string(65, 'y')), (TLines{std::string(65, 'y') + "=", ""}));
    EXPECT_EQ(QP(std::string(64, 'y')), TLines{std::string(64, 'y')});
}

TEST(QuotedPrintable, LineBreaksKeepEmptyLines) {
    EXPECT_EQ(QP("one\r\ntwo"), (TLines{"one", "two"}));
    EXPECT_EQ(QP("one\n\ntwo"), (TLines{"one", "", "two"}));
    EXPECT_EQ(QP("one\r\rtwo"), (TLines{"one", "", "two"}));
    EXPECT_EQ(QP("one\n\rtwo"), (TLines{"one", "two"}));
    EXPECT_EQ(QP("one\r\n\r\ntwo"), (TLines{"one", "", "two"}));
    EXPECT_EQ(QP("last\n"), TLines{"last=0A"}) << "the very last byte is kept";
    EXPECT_EQ(QP("last\r\n"), TLines{"last"});
}

TEST(QuotedPrintable, RefusesAParagraphTooLarge) {
    EXPECT_NO_THROW(QP(std::string(24575, 'a')));
    try {
        QP("x\r\n" + std::string(24576, 'a'));
        FAIL() << "no exception";
    } catch (const EMailError& e) {
        EXPECT_STREQ(e.what(), "Paragraph is too large");
    }
}
