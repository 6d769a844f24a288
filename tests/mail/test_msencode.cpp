#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <regex>
#include <set>
#include <sstream>

#include "TestSupport.h"
#include "mail/DotStuffing.h"
#include "mail/MailPump.h"
#include "mail/MessageStamp.h"
#include "mail/mscoding.h"
#include "mail/msencode.h"
#include "mail/msmsg.h"

namespace {

using TLines = std::vector<std::string>;

std::string RenderWhole(const TmsMessage& m) {
    std::ostringstream out;
    RenderMessage(m, out);
    return out.str();
}

std::string Render(const TmsMessage& m) {
    return WithoutDateAndId(RenderWhole(m));
}

TLines Lines(const std::string& text) {
    TLines lines;
    size_t start = 0;
    for (size_t crlf; (crlf = text.find("\r\n", start)) != std::string::npos; start = crlf + 2)
        lines.push_back(text.substr(start, crlf - start));
    EXPECT_EQ(start, text.size()) << "the text ends in CR LF";
    return lines;
}

void Attach(TmsMessage& m, const std::string& name, std::string data) {
    auto item = std::make_unique<TmsAttItem>();
    item->SetFileName(name);
    item->Data = std::move(data);
    m.Attachments.Add(std::move(item));
}

// The e-mail dialog's message.
void DialogMessage(TmsMessage& m, std::string body, std::string image) {
    m.Sender.Name = "Ann Smith";
    m.Sender.Address = "ann@example.org";
    m.Recipients.AddAddress("j@example.org", "J. Smith");
    m.Subject = "The capture";
    m.Headers.Add("X-Mailer: Snaprio 2000");
    m.Body = {std::move(body)};
    Attach(m, "/home/ann/capture.gif", std::move(image));
}

// What a receiving server hands on: the data phase's dots removed again.
std::string Unstuff(const std::string& wire) {
    std::string out;
    bool lineStart = true;
    for (size_t i = 0; i < wire.size(); ++i) {
        if (lineStart && wire[i] == '.') {
            lineStart = false;
            continue;
        }
        out += wire[i];
        lineStart = i > 0 && wire[i] == '\n' && wire[i - 1] == '\r';
    }
    return out;
}

bool NoBareLineEnds(const std::string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) return false;
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
    }
    return true;
}

} // namespace

TEST(MessageEncoder, DialogMessageInMimeLayout) {
    TmsMessage m;
    DialogMessage(m, "Here it is.", std::string(60, 'G'));
    const TLines l = Lines(Render(m));
    ASSERT_EQ(l.size(), 24u);
    std::smatch b;
    ASSERT_TRUE(std::regex_match(
        l[5], b, std::regex("Content-Type: multipart/mixed; boundary=\"([0-8]{8})\"")));
    const std::string sep = "--" + b[1].str();
    const TLines want{"From:     Ann Smith <ann@example.org>",
                      "To:       \"J. Smith\" <j@example.org>",
                      "X-Mailer: Snaprio 2000",
                      "Subject: The capture",
                      "Mime-Version: 1.0",
                      l[5],
                      "",
                      "This is a multipart message in MIME format",
                      "",
                      sep,
                      "Content-Type: text/plain; charset=\"us-ascii\"",
                      "Content-Transfer-Encoding: 7bit",
                      "",
                      "Here it is.",
                      "",
                      sep,
                      "Content-Type: image/gif; name=\"capture.gif\"",
                      "Content-Transfer-Encoding: Base64",
                      "Content-Disposition: attachment; filename=\"capture.gif\"",
                      "",
                      EncodeBase64(std::string(57, 'G')),
                      "R0dH", // the last 3 of 60 bytes
                      "",
                      sep + "--"};
    EXPECT_EQ(l, want);
    EXPECT_EQ(l[20].size(), 76u);
}

TEST(MessageEncoder, DialogMessageInUuencodeLayout) {
    TmsMessage m;
    DialogMessage(m, "Here it is.", std::string(100, '\x01'));
    m.Encoding = meUU;
    const TLines l = Lines(Render(m));
    const TLines want{"From:     Ann Smith <ann@example.org>",
                      "To:       \"J. Smith\" <j@example.org>",
                      "X-Mailer: Snaprio 2000",
                      "Subject: The capture",
                      "",
                      "Here it is.",
                      "",
                      "begin 600 capture.gif",
                      UUEncodeLine(std::string(45, '\x01')),
                      UUEncodeLine(std::string(45, '\x01')),
                      UUEncodeLine(std::string(10, '\x01')),
                      "`",
                      "end"};
    EXPECT_EQ(l, want);
    EXPECT_EQ(l[8].size(), 61u);
}

TEST(MessageEncoder, ExactMultiplesEndInAnEmptyDataLine) {
    TmsMessage m;
    DialogMessage(m, "x", std::string(57, 'a'));
    TLines l = Lines(Render(m));
    EXPECT_EQ(l[20].size(), 76u);
    EXPECT_EQ(l[21], "");
    EXPECT_EQ(l[22], "");
    EXPECT_EQ(l[23].substr(0, 2), "--");

    TmsMessage u;
    DialogMessage(u, "x", std::string(45, 'a'));
    u.Encoding = meUU;
    l = Lines(Render(u));
    EXPECT_EQ(TLines(l.end() - 4, l.end()),
              (TLines{"begin 600 capture.gif", UUEncodeLine(std::string(45, 'a')), "`", "end"}));
}

TEST(MessageEncoder, AddressListsPriorityReceiptAndForeignHeaders) {
    TmsMessage m;
    m.Sender.Address = "me@example.org";
    m.Sender.Name = "Dr. \"Who\"";
    m.Recipients.AddAddress("a@x.org", "A");
    m.Recipients.AddAddress("b@x.org", "");
    m.Recipients.AddAddress("c@x.org", "C. C");
    m.CC.AddAddress("d@x.org", "D");
    m.BCC.AddAddress("secret@x.org", "Hidden");
    m.ReturnReceipt = true;
    m.Priority = ptLow;
    m.Headers = TmsHeaders{{"Subject: old", " folded", "X-Mailer: Snaprio 2000", "BCC: leak@x.org",
                            "Date: Mon, 01 Jan 2001 00:00:00 +0000", "Message-ID: <old@x.org>"}};
    m.Subject = "new";
    const std::string text = Render(m);
    const TLines l = Lines(text);
    EXPECT_EQ(TLines(l.begin(), l.begin() + 11),
              (TLines{"From:     Dr. \"Who\" <me@example.org>", "To:       A <a@x.org>,",
                      "           <b@x.org>,", "          \"C. C\" <c@x.org>",
                      "CC:       D <d@x.org>", "Return-Receipt-To: <me@example.org>",
                      "X-Priority: 5", "X-Mailer: Snaprio 2000", "Subject: new",
                      "Mime-Version: 1.0", "Content-Type: text/plain; charset=\"us-ascii\""}));
    EXPECT_EQ(text.find("secret"), std::string::npos);
    EXPECT_EQ(text.find("leak"), std::string::npos);
    EXPECT_EQ(text.find("2001"), std::string::npos) << "the message's own date replaces it";
    EXPECT_EQ(text.find("old@x.org"), std::string::npos);
    m.Priority = ptHigh;
    EXPECT_NE(Render(m).find("\r\nX-Priority: 1\r\n"), std::string::npos);
}

TEST(MessageEncoder, DateInEnglishWithTheZoneAndIdWithTheSendersDomain) {
    const std::string oldTz = std::getenv("TZ") ? std::getenv("TZ") : "";
    const struct {
        const char* Tz;
        std::time_t When;
        const char* Date;
    } dates[] = {{"UTC0", 0, "Thu, 01 Jan 1970 00:00:00 +0000"},
                 {"IST-5:30", 1796735717, "Tue, 08 Dec 2026 18:45:17 +0530"},
                 {"NST+3:30", 951782400, "Mon, 28 Feb 2000 20:30:00 -0330"}};
    for (const auto& d : dates) {
        setenv("TZ", d.Tz, 1);
        tzset();
        EXPECT_EQ(MailDate(d.When), d.Date) << d.Tz;
    }
    oldTz.empty() ? unsetenv("TZ") : setenv("TZ", oldTz.c_str(), 1);
    tzset();
    const struct {
        const char *Sender, *Domain;
    } ids[] = {{"ann@example.org", "example.org"},
               {"\"a@b\"@mail.example.net", "mail.example.net"},
               {"ann", "localhost"},
               {"ann@[10.0.0.1]", "localhost"},
               {"ann@exa\r\nmple.org", "localhost"},
               {"ann@", "localhost"}};
    for (const auto& i : ids) {
        const std::string id = MakeMessageId(i.Sender);
        EXPECT_TRUE(
            std::regex_match(id, std::regex("<[0-9a-f]{32}@" + std::string(i.Domain) + ">")))
            << id;
        EXPECT_NE(MakeMessageId(i.Sender), id);
    }
}

TEST(MessageEncoder, LongOrLatinBodiesAreQuotedPrintable) {
    TmsMessage m;
    DialogMessage(m, std::string(300, 'z'), "img");
    std::string text = Render(m);
    EXPECT_NE(text.find("Content-Transfer-Encoding: quoted-printable\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n" + std::string(65, 'z') + "=\r\n"), std::string::npos);
    TmsMessage latin;
    DialogMessage(latin, "caf\xE9", "img");
    latin.CharSet = csISO8859;
    text = Render(latin);
    EXPECT_NE(text.find("charset=\"iso-8859-1\"\r\nContent-Transfer-Encoding: "
                        "quoted-printable\r\n\r\ncaf=E9\r\n"),
              std::string::npos);
}

TEST(MessageEncoder, BoundariesAreEightDigitsBelowNine) {
    TmsMessage m;
    TmsMessageEncoder e(m);
    std::set<std::string> seen;
    for (int i = 0; i < 20; ++i) {
        const std::string b = e.MakeBoundary();
        EXPECT_TRUE(std::regex_match(b, std::regex("[0-8]{8}"))) << b;
        seen.insert(b);
    }
    EXPECT_GT(seen.size(), 15u);
}

TEST(MessageEncoder, FieldContentNeverMakesLinesOfItsOwn) {
    TmsMessage m;
    m.Sender.Address = "me@example.org";
    m.Sender.Name = "Eve\r\nBcc: victim@x.org";
    m.Recipients.AddAddress("to@x.org", "To\nWho");
    m.Subject = "Hi\rX-Injected: 1";
    m.Headers.Add("X-Note: a\nb");
    m.Body = {"one\ntwo\rthree\r\nfour", "."};
    Attach(m, "evil\r\nname.txt", "a\rb\nc");
    const std::string text = Render(m);
    EXPECT_TRUE(NoBareLineEnds(text));
    const TLines l = Lines(text);
    for (const std::string& line : l) {
        EXPECT_NE(line.rfind("Bcc:", 0), 0u) << line;
        EXPECT_NE(line.rfind("X-Injected", 0), 0u) << line;
    }
    EXPECT_EQ(l[0], "From:     \"Eve  Bcc: victim@x.org\" <me@example.org>");
    EXPECT_NE(std::find(l.begin(), l.end(), "Subject: Hi X-Injected: 1"), l.end());
    const auto body = std::find(l.begin(), l.end(), "one");
    ASSERT_NE(body, l.end());
    EXPECT_EQ(TLines(body, body + 5), (TLines{"one", "two", "three", "four", "."}));
}

TEST(MessageEncoder, PumpsWhileEncodingButNotPerLine) {
    // A clock that moves half a millisecond at every reading: the pumps
    // follow the work as that clock measures it, never the lines.
    using namespace std::chrono;
    steady_clock::time_point now{}, last{};
    steady_clock::duration longest{};
    int pumps = 0;
    SetMailPumpClock([&] { return now += microseconds(500); });
    auto old = SetMailPump([&] {
        ++pumps;
        longest = std::max(longest, now - last);
        last = now;
    });
    TmsMessage m;
    DialogMessage(m, "x", std::string(20 << 20, '\x5A'));
    last = now;
    Render(m);
    const auto tail = now - last;
    // A wait sleeps only as long as the pump may still wait.
    SetMailPumpClock([&] { return now; });
    MailPumpNow();
    std::vector<int> due;
    for (int step : {0, 2500, 1000}) {
        now += microseconds(step);
        due.push_back(MailPumpDueMs());
    }
    SetMailPump(old);
    SetMailPumpClock({});
    EXPECT_EQ(due, (std::vector<int>{3, 1, 0}));
    EXPECT_LT(pumps, 368000 / 64) << "never once a line";
    EXPECT_LE(longest, milliseconds(4)) << "once 3 ms have passed";
    EXPECT_LE(tail, milliseconds(4)) << "to the end";
}

TEST(MessageEncoder, RenderingLeavesTheMessageAsItWas) {
    // Each message rendered twice from a const reference: the same text both
    // times, and what the text must hold.
    struct TCase {
        const char* what;
        std::function<void(TmsMessage&)> make;
        std::string holds;
    };
    const TCase cases[] = {
        {"html body",
         [](TmsMessage& m) {
             m.SetContentType("text/html");
             m.Body = {"<p>a=b</p>"};
         },
         "\r\n<p>a=3Db</p>\r\n"},
        {"lone html attachment",
         [](TmsMessage& m) { Attach(m, "/tmp/_HTMBODY.htm", "<p>x=1</p>"); },
         "\r\n<p>x=3D1</p>=\r\n"}, // the file's own end: no line break
        {"stored attachment type with text only",
         [](TmsMessage& m) {
             m.SetContentType("image/gif");
             m.Body = {"just text"};
         },
         "\r\n\r\njust text\r\n"},
        {"foreign fields",
         [](TmsMessage& m) {
             m.Headers = TmsHeaders{{"Subject: old", " folded", "X-Mailer: Snaprio 2000"}};
             m.Subject = "new";
         },
         "\r\nX-Mailer: Snaprio 2000\r\nSubject: new\r\n"},
    };
    for (const TCase& c : cases) {
        TmsMessage m;
        m.Sender.Address = "me@example.org";
        m.Recipients.AddAddress("to@example.org", "");
        c.make(m);
        const TmsHeaders headers = m.Headers;
        const std::vector<std::string> body = m.Body;
        const TmsMessage& fixed = m;
        std::string first;
        EXPECT_NO_THROW(first = Render(fixed)) << c.what;
        EXPECT_EQ(Render(fixed), first) << c.what;
        EXPECT_NE(first.find(c.holds), std::string::npos) << c.what << "\n" << first;
        EXPECT_EQ(m.Headers, headers) << c.what;
        EXPECT_EQ(m.Body, body) << c.what;
    }
}

TEST(MessageEncoder, NamesAndLinesAsReadersNeedThem) {
    // Plain names as they always were; specials quoted; zero bytes dropped.
    const std::pair<std::string, std::string> names[] = {
        {"Ann", "From:     Ann <me@x.org>"},
        {"J. Smith", "From:     \"J. Smith\" <me@x.org>"},
        {"Smith, John", "From:     \"Smith, John\" <me@x.org>"},
        {"Dr. \"Who\"", "From:     Dr. \"Who\" <me@x.org>"},
        {std::string("Nul\0l", 5), "From:     Null <me@x.org>"},
    };
    for (const auto& [name, line] : names) {
        TmsMessage m;
        m.Sender = {name, "me@x.org"};
        m.Recipients.AddAddress("to@x.org", "");
        EXPECT_EQ(Lines(Render(m))[0], line);
    }
    // No line over 998 octets, in either layout: broken at a blank when
    // there is one, else at the limit, and nothing lost.
    const std::string words = std::string(600, 'w') + " " + std::string(600, 'v');
    const std::string solid(2000, 's');
    for (TMsgEncoding e : {meUU, meMIME}) {
        TmsMessage m;
        m.Sender.Address = "me@x.org";
        m.Recipients.AddAddress("to@x.org", "");
        m.Encoding = e;
        m.Headers.Add("X-Long: " + solid);
        m.Body = {words, solid, std::string(999, 'n')};
        Attach(m, "/tmp/letter.eml", solid); // message/rfc822: 7 bit
        m.Attachments.Items(0).Encoding = te7Bit;
        const std::string text = Render(m);
        const TLines l = Lines(text);
        for (const std::string& line : l) EXPECT_LE(line.size(), 998u) << e;
        if (e == meUU) {
            EXPECT_NE(text.find("\r\n" + std::string(600, 'w') + "\r\n " + std::string(600, 'v')),
                      std::string::npos);
            EXPECT_NE(
                text.find(std::string(998, 's') + "\r\n" + std::string(998, 's') + "\r\nssss\r\n"),
                std::string::npos);
        }
        EXPECT_NE(text.find("\r\nX-Long: " + std::string(990, 's') + "\r\n s"), std::string::npos);
    }
}

TEST(MessageEncoder, PythonReadsNonAsciiTextAsTyped) {
    TTempDir dir;
    TmsMessage m;
    m.Sender = {"J\xC3\xB6rg M\xC3\xBCller", "joerg@example.org"};
    m.Recipients.AddAddress("john@example.org", "Smith, John");
    m.Recipients.AddAddress("yuki@example.jp", "\xE9\x9B\xAA \xE3\x81\xA1\xE3\x82\x83\xE3\x82\x93");
    std::string subject = "Gr\xC3\xBC\xC3\x9F"
                          "e ";
    while (subject.size() < 200) subject += "\xE6\x97\xA5\xE6\x9C\xAC ";
    m.Subject = subject;
    m.Body = {"Caf\xC3\xA9 cr\xC3\xA8me", "plain line"};
    Attach(m, "/tmp/say \"cheese\".gif", "GIF89a");
    const std::string file = dir.File("m.eml");
    WriteFile(file, Render(m));
    std::string out;
    ASSERT_EQ(
        RunCommand({"/usr/bin/python3", "-c",
                    "import sys\n"
                    "from email import policy\n"
                    "from email.parser import BytesParser\n"
                    "m = BytesParser(policy=policy.default).parse(open(sys.argv[1], 'rb'))\n"
                    "f = m['From'].addresses[0]\n"
                    "print(f.display_name, f.addr_spec, sep='|')\n"
                    "for a in m['To'].addresses: print(a.display_name, a.addr_spec, sep='|')\n"
                    "print(m['Subject'])\n"
                    "print(m.get_body(('plain',)).get_content(), end='')\n"
                    "for p in m.iter_attachments(): print(p.get_filename())\n"
                    "print(sum(len(p.defects) for p in m.walk()))\n",
                    file},
                   &out),
        0);
    EXPECT_EQ(out, "J\xC3\xB6rg M\xC3\xBCller|joerg@example.org\n"
                   "Smith, John|john@example.org\n"
                   "\xE9\x9B\xAA \xE3\x81\xA1\xE3\x82\x83\xE3\x82\x93|yuki@example.jp\n" +
                       subject + "\n" +
                       "Caf\xC3\xA9 cr\xC3\xA8me\nplain line\n"
                       "say \"cheese\".gif\n0\n");
}

TEST(MessageEncoder, PythonReadsBackExactlyWhatWentIn) {
    // Random bodies and attachments through the encoder, the data phase's
    // dot-stuffing and a server's un-stuffing, then Python's email package.
    TTempDir dir;
    std::mt19937 rng(99);
    auto hex = [](const std::string& s) {
        static const char* d = "0123456789abcdef";
        std::string h;
        for (unsigned char c : s) h += {d[c >> 4], d[c & 15]};
        return h.empty() ? std::string("") : h;
    };
    auto randomText = [&](size_t n, bool eightBit) {
        std::string s;
        for (size_t i = 0; i < n; ++i) {
            unsigned c = 32 + rng() % (eightBit ? 224 : 95);
            s += static_cast<char>(c == 127 ? '.' : c);
        }
        return s;
    };
    std::vector<std::string> args{"/usr/bin/python3",
                                  SNAPRIO_SOURCE_DIR "/tests/mail/parse_mail.py"};
    const size_t sizes[] = {0, 1, 2, 3, 44, 45, 56, 57, 58, 199, 200, 3 << 20};
    for (int k = 0; k < 12; ++k) {
        TmsMessage m;
        m.Sender.Name = k % 3 ? "Ann O. Nymous" : "";
        m.Sender.Address = "ann@example.org";
        m.Recipients.AddAddress("bob@example.net", k % 2 ? "Bob" : "");
        m.Recipients.AddAddress("carol@example.net", "Carol C.");
        m.Subject = "Capture " + std::to_string(k);
        m.Headers.Add("X-Mailer: Snaprio 2000");
        m.CharSet = k % 4 == 3 ? csISO8859 : csUSASCII;
        std::vector<std::string> body{".",
                                      "..",
                                      ".leading dot",
                                      "",
                                      randomText(300 * (k % 2), k % 4 == 3),
                                      randomText(rng() % 80, k % 4 == 3),
                                      "end."};
        m.Body = body;
        std::string data;
        for (size_t i = 0; i < sizes[k]; ++i) data += static_cast<char>(rng());
        if (k == 5) data = ".\r\n..\r\n.x\r\n"; // a text file of dots
        Attach(m, k == 5 ? "/tmp/dots.txt" : "/tmp/file" + std::to_string(k) + ".bin", data);
        const std::string wire = DotStuff(RenderWhole(m));
        const std::string file = dir.File("m" + std::to_string(k) + ".eml");
        WriteFile(file, Unstuff(wire));
        std::string joined;
        for (const auto& l : body) joined += l + "\r\n";
        std::ostringstream expect;
        expect << "from " << hex(m.Sender.Name) << " " << hex("ann@example.org") << "\n"
               << "to " << hex(k % 2 ? "Bob" : "") << " " << hex("bob@example.net") << "\n"
               << "to " << hex("Carol C.") << " " << hex("carol@example.net") << "\n"
               << "subject " << hex(m.Subject) << "\nbody " << hex(joined) << "\n"
               << "att " << hex(k == 5 ? "dots.txt" : "file" + std::to_string(k) + ".bin") << " "
               << hex(data) << "\n";
        WriteFile(file + ".expect", expect.str());
        args.push_back(file);
        args.push_back(file + ".expect");
    }
    std::string report;
    EXPECT_EQ(RunCommand(args, &report), 0) << report;
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 12) << report;
}

TEST(MessageEncoder, UudecodeReadsBackTheAttachment) {
    TTempDir dir;
    std::mt19937 rng(5);
    for (size_t size :
         {size_t{0}, size_t{14}, size_t{45}, size_t{46}, size_t{90}, size_t{100000}}) {
        TmsMessage m;
        m.Sender.Address = "ann@example.org";
        m.Recipients.AddAddress("bob@example.net", "");
        m.Encoding = meUU;
        m.Body = {".", "text"};
        std::string data;
        for (size_t i = 0; i < size; ++i) data += static_cast<char>(rng());
        Attach(m, "shot.bin", data);
        WriteFile(dir.File("m.txt"), Unstuff(DotStuff(Render(m))));
        std::remove(dir.File("out.bin").c_str());
        ASSERT_EQ(RunCommand({"uudecode", "-o", dir.File("out.bin"), dir.File("m.txt")}), 0)
            << size;
        EXPECT_TRUE(ReadFile(dir.File("out.bin")) == data) << size;
    }
}
