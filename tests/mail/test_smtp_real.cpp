// Delivery to a real SMTP server (aiosmtpd): what arrives is byte for byte
// what the encoder wrote, and Python's email package reads it back.
#include <atomic>
#include <csignal>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <thread>

#include "ScriptServer.h"
#include "SinkServer.h"
#include "TestSupport.h"
#include "mail/mssmtp.h"

namespace {

std::string Hex(const std::string& s) {
    static const char* d = "0123456789abcdef";
    std::string h;
    for (unsigned char c : s) h += {d[c >> 4], d[c & 15]};
    return h;
}

} // namespace

TEST(SmtpDelivery, RealServerReceivesExactlyTheRenderedMessage) {
    TSink sink;
    std::mt19937 rng(17);
    std::vector<std::string> args{"/usr/bin/python3",
                                  SNAPRIO_SOURCE_DIR "/tests/mail/parse_mail.py"};
    for (int k = 0; k < 4; ++k) {
        TmsSMTP smtp;
        smtp.SetWinsockLoaded(true);
        smtp.Server = "localhost:" + std::to_string(sink.Port);
        smtp.TimeOut = 10;
        TmsMessage m;
        m.Sender.Address = "ann@example.org";
        m.Sender.Name = "Ann";
        m.Recipients.AddAddress("bob@example.net", "Bob");
        m.BCC.AddAddress("hidden@example.net", "");
        m.Subject = "Capture " + std::to_string(k);
        m.Headers.Add("X-Mailer: Snaprio 2000");
        m.Encoding = k % 2 ? meUU : meMIME;
        m.Body = {".", ".. two", "text", ".", "end"};
        auto item = std::make_unique<TmsAttItem>();
        item->SetFileName("shot.gif");
        for (size_t i = 0; i < (k < 2 ? 14u : 300000u); ++i) item->Data += static_cast<char>(rng());
        const std::string data = item->Data;
        m.Attachments.Add(std::move(item));
        std::string spool;
        smtp.OnMailSent = [&] { spool = ReadFile(smtp.LastSpoolPath()); };
        smtp.MailMessage = &m;
        smtp.Connect();
        smtp.Send();
        smtp.Disconnect();

        const std::string got = sink.Message(k);
        EXPECT_TRUE(got == spool + "\r\n") << "message " << k << " differs from what was rendered";
        EXPECT_EQ(sink.Envelope(k), "ann@example.org\nbob@example.net\nhidden@example.net\n");
        EXPECT_EQ(got.find("hidden"), std::string::npos);
        if (m.Encoding == meMIME) {
            const std::string file = sink.Dir.File("m" + std::to_string(k));
            WriteFile(file, got);
            std::ostringstream expect;
            expect << "from " << Hex("Ann") << " " << Hex("ann@example.org") << "\nto "
                   << Hex("Bob") << " " << Hex("bob@example.net") << "\nsubject " << Hex(m.Subject)
                   << "\nbody " << Hex(".\r\n.. two\r\ntext\r\n.\r\nend\r\n") << "\natt "
                   << Hex("shot.gif") << " " << Hex(data) << "\n";
            WriteFile(file + ".expect", expect.str());
            args.push_back(file);
            args.push_back(file + ".expect");
        }
    }
    std::string report;
    EXPECT_EQ(RunCommand(args, &report), 0) << report;
}

TEST(SmtpDelivery, MailCommandSendsAFileWithTheSettings) {
    TSink sink;
    TTempDir dir;
    const std::string ini = dir.File("SNAPRO.INI");
    WriteFile(ini, "[EMail]\nSMTP Host=127.0.0.1:" + std::to_string(sink.Port) +
                       "\nEMail Name=Ann\nEMail Address=ann@example.org\nAttachment Encoding=0\n");
    WriteFile(dir.File("shot.gif"), std::string("GIF87a\0\x01\x02", 9));
    TProcess ok({SNAPRIO_BINARY, "--mail", " bob@example.net ", dir.File("shot.gif"), "--subject",
                 "Hi", "--text", "Look.\n.\nBye"},
                {"SNAPRIO_INI=" + ini, "DISPLAY="});
    EXPECT_EQ(ok.Wait(), 0) << ok.Stderr();
    EXPECT_EQ(ok.Stdout() + ok.Stderr(), "");
    const std::string got = sink.Message(0);
    EXPECT_NE(got.find("\r\nX-Mailer: Snaprio 2000\r\n"), std::string::npos);
    EXPECT_NE(got.find("\r\nSubject: Hi\r\n"), std::string::npos);
    EXPECT_NE(got.find("\r\nLook.\r\n.\r\nBye\r\n"), std::string::npos)
        << "a lone dot line arrives whole";
    EXPECT_NE(got.find("name=\"shot.gif\""), std::string::npos);
    EXPECT_EQ(sink.Envelope(0), "ann@example.org\nbob@example.net\n");

    WriteFile(ini, "[EMail]\nSMTP Host=127.0.0.1:" + std::to_string(ClosedPort()) +
                       "\nEMail Address=ann@example.org\n");
    TProcess refused({SNAPRIO_BINARY, "--mail", "bob@example.net", dir.File("shot.gif")},
                     {"SNAPRIO_INI=" + ini, "DISPLAY="});
    EXPECT_EQ(refused.Wait(), 1);
    EXPECT_EQ(refused.Stderr(), "snaprio: [10061] Connection refused\n");

    WriteFile(ini, "[EMail]\nEMail Address=ann@example.org\n");
    TProcess unset({SNAPRIO_BINARY, "--mail", "bob@example.net", dir.File("shot.gif")},
                   {"SNAPRIO_INI=" + ini, "DISPLAY="});
    EXPECT_EQ(unset.Wait(), 1);
    EXPECT_NE(unset.Stderr().find("SMTP Host"), std::string::npos);
    TProcess bad({SNAPRIO_BINARY, "--mail", "bob@example.net"}, {"SNAPRIO_INI=" + ini});
    EXPECT_EQ(bad.Wait(), 2);
}

TEST(SmtpDelivery, ASignalDuringTheSendLeavesNoSpoolBehind) {
    // The program is ended by SIGTERM or Ctrl-C while the server does not read
    // its data; nothing of the message may stay in the temporary folder.
    for (int sig : {SIGTERM, SIGINT}) {
        std::atomic<bool> inData{false}, over{false};
        TScriptServer server([&](TConn& c) {
            c.Send("220 ready\r\n");
            for (const char* reply : {"250 hello\r\n", "250 ok\r\n", "250 ok\r\n", "354 go\r\n"}) {
                c.Expect();
                c.Send(reply);
            }
            inData = true;
            while (!over) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        });
        TTempDir dir, tmp;
        const std::string ini = dir.File("SNAPRO.INI");
        WriteFile(ini, "[EMail]\nSMTP Host=127.0.0.1:" + std::to_string(server.Port()) +
                           "\nEMail Address=ann@example.org\n");
        WriteFile(dir.File("shot.gif"), std::string(8 << 20, 'g'));
        // A shell starts background jobs with SIGINT ignored, and the program
        // would inherit that: give it the default, as a terminal does.
        struct sigaction dfl {
        }, old{};
        dfl.sa_handler = SIG_DFL;
        sigaction(sig, &dfl, &old);
        TProcess mail({SNAPRIO_BINARY, "--mail", "bob@example.net", dir.File("shot.gif")},
                      {"SNAPRIO_INI=" + ini, "DISPLAY=", "TMPDIR=" + tmp.Path()});
        sigaction(sig, &old, nullptr);
        EXPECT_TRUE(WaitFor([&] { return inData.load(); }, std::chrono::seconds(20)));
        mail.Signal(sig);
        EXPECT_EQ(mail.Wait(), 128 + sig);
        over = true;
        server.Conversation();
        std::string left;
        EXPECT_EQ(RunCommand({"find", tmp.Path(), "-mindepth", "1"}, &left), 0);
        EXPECT_EQ(left, "") << "signal " << sig;
    }
}
