// The one send sequence of the dialog and `snaprio --mail`, against scripted
// servers: each ending is a result or an error, and every ending leaves the
// session closed and the socket library unloaded.
#include <gtest/gtest.h>

#include "ScriptServer.h"
#include "TestSupport.h"
#include "mail/ImageMail.h"

TEST(ImageMail, EveryEndingClosesAndUnloads) {
    // Where the server's port is written: after a colon in the host, or in
    // "SMTP Port" alone; or a port out of range in either.
    enum TWhere { InHost, InSetting, BadInHost, BadInSetting };
    const struct {
        const char* Name;
        std::function<void(TConn&)> Script; // empty: nothing listens
        std::string Sender, File;
        bool NoWinsock;
        std::string Outcome; // the result's text, or the error's
        const char* LastLine;
        TWhere Where = InHost;
    } rows[] = {
        {"sent, goodbye unanswered",
         [](TConn& c) {
             UpToData(c);
             c.ReadData();
             c.Send("250 queued\r\n");
             c.Expect(); // QUIT, then the server goes without a word
         },
         "ann@example.org", "shot.gif", false, "", "C: QUIT"},
        {"the port of \"SMTP Port\", not the services entry's",
         [](TConn& c) {
             UpToData(c);
             c.ReadData();
             c.Send("250 queued\r\n");
             c.Expect();
             c.Send("221 bye\r\n");
         },
         "ann@example.org", "shot.gif", false, "", "S: 221 bye", InSetting},
        {"host port out of range",
         {},
         "ann@example.org",
         "shot.gif",
         false,
         "The port in \"127.0.0.1:99999\" is not between 1 and 65535",
         nullptr,
         BadInHost},
        {"\"SMTP Port\" out of range",
         {},
         "ann@example.org",
         "shot.gif",
         false,
         "The \"SMTP Port\" 70000 is not between 1 and 65535",
         nullptr,
         BadInSetting},
        {"server refuses the sender",
         [](TConn& c) {
             Hello(c);
             c.Expect();
             c.Send("451 4.3.0 try later\r\n");
             c.Expect();
             c.Send("221 bye\r\n");
         },
         "ann@example.org", "shot.gif", false, "451 4.3.0 try later", "S: 221 bye"},
        {"no sender",
         [](TConn& c) {
             Hello(c);
             c.Expect();
             c.Send("221 bye\r\n");
         },
         "", "shot.gif", false, ImageMailText(TImageMailResult::MessageRejected), "S: 221 bye"},
        {"refused",
         {},
         "ann@example.org",
         "shot.gif",
         false,
         ImageMailText(TImageMailResult::NoConnection),
         nullptr},
        {"no file", {}, "ann@example.org", "gone.gif", false, "gone.gif", nullptr},
        {"no socket library",
         {},
         "ann@example.org",
         "shot.gif",
         true,
         ImageMailText(TImageMailResult::NoWinsock),
         nullptr},
    };
    TTempDir dir;
    WriteFile(dir.File("shot.gif"), "GIF89a picture");
    for (const auto& r : rows) {
        SCOPED_TRACE(r.Name);
        std::unique_ptr<TScriptServer> server;
        if (r.Script) server = std::make_unique<TScriptServer>(r.Script);
        TImageMail mail;
        mail.SenderAddress = r.Sender;
        mail.ToAddress = "bob@example.net";
        mail.FileName = dir.File(r.File);
        const int port = server ? server->Port() : ClosedPort();
        mail.Server = r.Where == BadInHost ? "127.0.0.1:99999"
                      : r.Where == InHost  ? "127.0.0.1:" + std::to_string(port)
                                           : "127.0.0.1";
        mail.Port = r.Where == BadInSetting ? 70000 : port;
        TmsSMTP smtp;
        smtp.TimeOut = 5;
        TmsMessage message;
        Winsock().SetMissingForTests(r.NoWinsock);
        std::string outcome;
        try {
            outcome = ImageMailText(SendImageMail(smtp, message, mail));
        } catch (const EMailError& e) {
            outcome = e.what();
        }
        Winsock().SetMissingForTests(false);
        EXPECT_NE(outcome.find(r.Outcome), std::string::npos) << outcome;
        EXPECT_EQ(outcome.empty(), r.Outcome.empty()) << outcome;
        EXPECT_FALSE(smtp.Connected());
        EXPECT_FALSE(Winsock().IsLoaded());
        if (server) {
            const auto log = server->Conversation();
            ASSERT_FALSE(log.empty()) << "the server was never reached";
            EXPECT_EQ(log.back(), r.LastLine);
        }
    }
}
