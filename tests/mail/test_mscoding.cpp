#include <gtest/gtest.h>
#include <sstream>

#include "TestSupport.h"
#include "mail/MailErrors.h"
#include "mail/mscoding.h"
#include "mail/msencode.h"
#include "mail/msmsg.h"

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
    EXPECT_EQ(QP("a=b\r\n"), TLines{"a=3Db"});
    EXPECT_EQ(QP("\xE9\r\n"), TLines{"=E9"});
    EXPECT_EQ(QP("a\tb \x7F \r\n"), TLines{"a=09b \x7F "});
    EXPECT_EQ(QP(""), TLines{"="}) << "no text, no line break";
}

TEST(QuotedPrintable, SplitsLongLinesAtSpaces) {
    std::string words;
    while (words.size() < 100) words += "word ";
    words.resize(100);
    TLines lines = QP(words + "\r\n");
    ASSERT_EQ(lines.size(), 2u);
    // The last space at or before position 66 opens the second line.
    EXPECT_EQ(lines[0], words.substr(0, 64) + "=");
    EXPECT_EQ(lines[1], words.substr(64));

    const std::string solid(100, 'x');
    EXPECT_EQ(QP(solid + "\r\n"), (TLines{std::string(65, 'x') + "=", std::string(35, 'x')}));
    EXPECT_EQ(QP(std::string(65, 'y') + "\r\n"), (TLines{std::string(65, 'y') + "=", ""}));
    EXPECT_EQ(QP(std::string(64, 'y') + "\n"), TLines{std::string(64, 'y')});
}

TEST(QuotedPrintable, LineBreaksKeepEmptyLines) {
    EXPECT_EQ(QP("one\r\ntwo\r\n"), (TLines{"one", "two"}));
    EXPECT_EQ(QP("one\n\ntwo\r\n"), (TLines{"one", "", "two"}));
    EXPECT_EQ(QP("one\r\rtwo\r\n"), (TLines{"one", "", "two"}));
    EXPECT_EQ(QP("one\n\rtwo\r\n"), (TLines{"one", "", "two"}));
    EXPECT_EQ(QP("one\r\n\r\ntwo\r\n"), (TLines{"one", "", "two"}));
    EXPECT_EQ(QP("last\n"), TLines{"last"}) << "a break at the end is the line's end";
    EXPECT_EQ(QP("last\r\n"), TLines{"last"});
    EXPECT_EQ(QP("open"), TLines{"open="}) << "no break at the end: a soft one";
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

// Awkward texts as a message's text and as a text file attached to it, read
// back by Python's email package: the text as typed, every line break one
// line end, nothing added or lost.
TEST(QuotedPrintable, PythonDecodesTheTextAsTyped) {
    const std::string texts[] = {std::string(300, 'z') + "\n",
                                 "a\n\rb " + std::string(300, 'z'),
                                 "",
                                 "\n",
                                 "\r\r\n\n",
                                 "line\r",
                                 std::string(65, 'y') + "\n" + std::string(65, 'y'),
                                 std::string(64, 'w') + " " + std::string(64, 'w') + "\n\n",
                                 "tab\there =3D\r\n.\r\n",
                                 "caf\xE9 \x7F\x01"};
    auto lf = [](const std::string& t) { // Python gives the reader's own line ends
        std::string out;
        for (size_t i = 0; i < t.size(); ++i) {
            if (t[i] == '\r' || t[i] == '\n') {
                out += "\n";
                i += t[i] == '\r' && i + 1 < t.size() && t[i + 1] == '\n';
            } else {
                out += t[i];
            }
        }
        return out;
    };
    auto hex = [](const std::string& t) {
        std::string h;
        for (unsigned char c : t) h += {"0123456789abcdef"[c >> 4], "0123456789abcdef"[c & 15]};
        return h;
    };
    TTempDir dir;
    std::vector<std::string> args{"/usr/bin/python3", "-c",
                                  "import sys\n"
                                  "from email import policy\n"
                                  "from email.parser import BytesParser\n"
                                  "for f in sys.argv[1:]:\n"
                                  "  m = BytesParser(policy=policy.default).parse(open(f, 'rb'))\n"
                                  "  print(' '.join(p.get_payload(decode=True).hex() + '.'\n"
                                  "                 for p in m.walk() if not p.is_multipart()))\n"};
    std::string want;
    for (size_t i = 0; i < std::size(texts); ++i) {
        TmsMessage m;
        m.Sender.Address = "ann@example.org";
        m.Recipients.AddAddress("bob@example.net", "");
        m.CharSet = csISO8859; // the text part in quoted-printable, whatever its length
        m.Body = {texts[i]};
        auto item = std::make_unique<TmsAttItem>();
        item->SetFileName("note.txt");
        ASSERT_EQ(item->Encoding, teQuotedPrintable);
        item->Data = texts[i];
        m.Attachments.Add(std::move(item));
        std::ostringstream out;
        RenderMessage(m, out);
        args.push_back(dir.File("m" + std::to_string(i)));
        WriteFile(args.back(), out.str());
        want += hex(lf(texts[i] + "\r\n")) + ". " + hex(lf(texts[i])) + ".\n";
    }
    std::string got;
    ASSERT_EQ(RunCommand(args, &got), 0);
    EXPECT_EQ(got, want);
}
