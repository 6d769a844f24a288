// The SMTP client against scripted loopback servers, one per fault; each
// conversation is recorded and compared whole.
#include <chrono>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/socket.h>
#include <unistd.h>

#include "ScriptServer.h"
#include "TestSupport.h"
#include "mail/DotStuffing.h"
#include "mail/MailPump.h"
#include "mail/mscoding.h"
#include "mail/mssmtp.h"

namespace {

using TLog = std::vector<std::string>;
using namespace std::chrono_literals;

const std::string Greeting = "220 test.example ESMTP\r\n";

void Message(TmsMessage& m, size_t attachmentSize = 100) {
    m.Sender.Address = "ann@example.org";
    m.Sender.Name = "Ann";
    m.Recipients.AddAddress("bob@example.net", "Bob");
    m.Subject = "Capture";
    m.Body = {"Hello.", ".", ".dot"};
    auto item = std::make_unique<TmsAttItem>();
    item->SetFileName("shot.gif");
    item->Data = std::string(attachmentSize, 'g');
    m.Attachments.Add(std::move(item));
}

// The usual opening: greeting and HELO.
void Hello(TConn& c) {
    c.Send(Greeting);
    c.Expect();
    c.Send("250 hello\r\n");
}

// Greeting, HELO, then MAIL FROM and one RCPT TO accepted and DATA answered
// with DataReply.
void UpToData(TConn& c, const char* dataReply = "354 go\r\n") {
    Hello(c);
    for (const char* reply : {"250 ok\r\n", "250 ok\r\n", dataReply}) {
        c.Expect();
        c.Send(reply);
    }
}

struct TClient {
    TmsSMTP Smtp;
    TmsMessage Msg;
    explicit TClient(int port, int timeOut = 2) {
        Smtp.Server = "127.0.0.1:" + std::to_string(port);
        Smtp.TimeOut = timeOut;
        Smtp.SetWinsockLoaded(true);
        Smtp.MailMessage = &Msg;
        Message(Msg);
    }
};

template <class E> std::string Thrown(const std::function<void()>& f) {
    try {
        f();
    } catch (const E& e) {
        return e.what();
    } catch (const std::exception& e) {
        return std::string("wrong exception: ") + e.what();
    }
    return "no exception";
}

double Seconds(const std::function<void()>& f) {
    const auto t = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

} // namespace

TEST(Smtp, OneRecipientGivesExactlyTheDocumentedConversation) {
    std::string spool;
    TScriptServer server([](TConn& c) {
        Hello(c);
        c.Expect();
        c.Send("250 sender ok\r\n");
        c.Expect();
        c.Send("250 rcpt ok\r\n");
        c.Expect();
        c.Send("354 go ahead\r\n");
        c.ReadData();
        c.Send("250 queued\r\n");
        c.Expect();
        c.Send("221 bye\r\n");
    });
    TClient client(server.Port());
    client.Smtp.OnSending = [&] { spool = ReadFile(client.Smtp.LastSpoolPath()); };
    client.Smtp.Connect();
    client.Smtp.Send();
    client.Smtp.Disconnect();
    const TLog log = server.Conversation();
    char host[256] = {};
    gethostname(host, sizeof host);
    EXPECT_EQ(log,
              (TLog{"S: 220 test.example ESMTP", "C: HELO " + std::string(host), "S: 250 hello",
                    "C: MAIL FROM:<ann@example.org>", "S: 250 sender ok",
                    "C: RCPT TO:<bob@example.net>", "S: 250 rcpt ok", "C: DATA", "S: 354 go ahead",
                    "C: <data " + std::to_string(DotStuff(spool).size() + 2) + " bytes>", "C: .",
                    "S: 250 queued", "C: QUIT", "S: 221 bye"}));
    EXPECT_FALSE(client.Smtp.Connected());
    EXPECT_FALSE(FileExists(client.Smtp.LastSpoolPath())) << "the spool file is gone";
    EXPECT_NE(spool.find("\r\n.\r\n.dot\r\n"), std::string::npos)
        << "the rendered text has single dots";
}

TEST(Smtp, DataPhaseStuffsEveryLeadingDot) {
    TScriptServer server([](TConn& c) {
        UpToData(c);
        c.ReadData();
        c.Send("250 queued\r\n");
        c.Expect();
        c.Send("221 bye\r\n");
    });
    TClient client(server.Port());
    std::string spool;
    client.Smtp.OnSending = [&] { spool = ReadFile(client.Smtp.LastSpoolPath()); };
    client.Msg.Encoding = meUU;
    client.Msg.Attachments.Items(0).Data =
        std::string(14, 'q'); // its uuencoded line starts with "."
    client.Smtp.Connect();
    client.Smtp.Send();
    client.Smtp.Disconnect();
    server.Conversation();
    EXPECT_NE(spool.find("\r\n" + UUEncodeLine(std::string(14, 'q')) + "\r\n"), std::string::npos);
    // What arrives is the spool with dots doubled, then the empty line.
    EXPECT_TRUE(server.Data() == DotStuff(spool) + "\r\n");
}

TEST(Smtp, GreetingAndHeloFailures) {
    {
        TScriptServer server([](TConn& c) {
            c.Send("421 too busy\r\n");
            c.WaitForClose();
        });
        TClient client(server.Port());
        EXPECT_EQ(Thrown<EServerError>([&] { client.Smtp.Connect(); }), "421 too busy");
    }
    {
        TScriptServer server([](TConn& c) {
            c.Send("220-first\r\n220-second\r\n220 last\r\n");
            c.Expect();
            c.Send("501 syntax\r\n");
            c.Expect();
            c.Send("250-fine\r\n250 fine too\r\n");
            c.Expect();
            c.Send("221 bye\r\n");
        });
        TClient client(server.Port());
        client.Smtp.Connect();
        EXPECT_EQ(client.Smtp.LastReply, "250 fine too");
        client.Smtp.Disconnect();
        const TLog log = server.Conversation();
        ASSERT_EQ(log.size(), 7u);
        EXPECT_EQ(log[3], "C: HELO");
        EXPECT_EQ(log[5], "C: QUIT");
    }
    {
        TScriptServer server([](TConn& c) {
            c.Send(Greeting);
            c.Expect();
            c.Send("501 no\r\n");
            c.Expect();
            c.Send("502 still no\r\n");
            c.WaitForClose();
        });
        TClient client(server.Port());
        EXPECT_EQ(Thrown<EServerError>([&] { client.Smtp.Connect(); }), "502 still no");
    }
}

TEST(Smtp, RejectedRecipientStopsOrProceeds) {
    auto script = [](TConn& c) {
        Hello(c);
        c.Expect();
        c.Send("250 ok\r\n");
        c.Expect();
        c.Send("550 no such user\r\n");
        if (c.Expect() == "QUIT") {
            c.Send("221 bye\r\n");
            return;
        }
        c.Send("250 ok\r\n");
        c.Expect();
        c.Send("354 go\r\n");
        c.ReadData();
        c.Send("250 queued\r\n");
        c.Expect();
        c.Send("221 bye\r\n");
    };
    {
        TScriptServer server(script);
        TClient client(server.Port());
        client.Msg.CC.AddAddress("carol@example.net", "");
        client.Smtp.Connect();
        EXPECT_EQ(Thrown<EServerError>([&] { client.Smtp.Send(); }), "550 no such user");
        EXPECT_TRUE(client.Smtp.Connected()) << "the session stays open";
        client.Smtp.Disconnect();
        const TLog log = server.Conversation();
        EXPECT_EQ(TLog(log.end() - 3, log.end()),
                  (TLog{"S: 550 no such user", "C: QUIT", "S: 221 bye"}));
        EXPECT_FALSE(FileExists(client.Smtp.LastSpoolPath()));
    }
    {
        TScriptServer server(script);
        TClient client(server.Port());
        client.Msg.CC.AddAddress("carol@example.net", "");
        std::string rejected, why;
        client.Smtp.OnAddressRejected = [&](const std::string& a, const std::string& r,
                                            bool& proceed) {
            rejected = a;
            why = r;
            proceed = true;
        };
        client.Smtp.Connect();
        client.Smtp.Send();
        client.Smtp.Disconnect();
        EXPECT_EQ(rejected, "bob@example.net");
        EXPECT_EQ(why, "550 no such user");
        const TLog log = server.Conversation();
        EXPECT_EQ(log[7], "C: RCPT TO:<carol@example.net>");
        EXPECT_EQ(log.back(), "S: 221 bye");
    }
}

TEST(Smtp, DataAndEndOfDataMustBeAccepted) {
    {
        TScriptServer server([](TConn& c) {
            UpToData(c, "250 not 354\r\n");
            c.WaitForClose();
        });
        TClient client(server.Port());
        client.Smtp.Connect();
        EXPECT_EQ(Thrown<EServerError>([&] { client.Smtp.Send(); }), "250 not 354");
    }
    {
        TScriptServer server([](TConn& c) {
            UpToData(c);
            c.ReadData();
            c.Send("554 5.7.1 rejected as spam\r\n");
            c.WaitForClose();
        });
        TClient client(server.Port());
        client.Smtp.Connect();
        EXPECT_EQ(Thrown<EServerError>([&] { client.Smtp.Send(); }), "554 5.7.1 rejected as spam");
        EXPECT_FALSE(FileExists(client.Smtp.LastSpoolPath()));
    }
}

TEST(Smtp, OversizeRepliesAndZeroBytes) {
    TScriptServer server([](TConn& c) {
        c.Send("220 " + std::string(4996, 'x') + "\r\n");
        c.Expect();
        c.Send(std::string("250 ok\0hidden\r\n", 15));
        c.Expect();
        c.Send("221 bye\r\n");
    });
    TClient client(server.Port());
    client.Smtp.Connect();
    EXPECT_EQ(client.Smtp.LastReply, "250 ok");
    client.Smtp.Disconnect();
    const TLog log = server.Conversation();
    EXPECT_EQ(log.size(), 5u) << "the long line was read to its end and dropped";
}

TEST(Smtp, RepliesThatNeverEndTimeOut) {
    // No line feed ever; a line dripped; endless continuation lines; silence.
    const std::vector<std::function<void(TConn&)>> scripts = {
        [](TConn& c) {
            c.Send("220 " + std::string(5000, 'y'));
            c.WaitForClose();
        },
        [](TConn& c) { c.Drip("220 slowly but never ending", 150); },
        [](TConn& c) {
            for (int i = 0; i < 40; ++i) {
                c.Send("220-more to come\r\n");
                std::this_thread::sleep_for(100ms);
            }
        },
        [](TConn& c) { c.WaitForClose(); },
    };
    for (const auto& script : scripts) {
        TScriptServer server(script);
        TClient client(server.Port(), 1);
        std::string text;
        const double s =
            Seconds([&] { text = Thrown<ETimedOutError>([&] { client.Smtp.Connect(); }); });
        EXPECT_EQ(text, "Operation timed out");
        EXPECT_LT(s, 2.5);
        EXPECT_FALSE(client.Smtp.Connected()) << "a time-out closes the socket";
    }
}

TEST(Smtp, RefusedAndResetConnections) {
    TClient refused(ClosedPort());
    std::string text;
    const double s = Seconds([&] { text = Thrown<ESocketError>([&] { refused.Smtp.Connect(); }); });
    EXPECT_EQ(text, "[10061] Connection refused");
    EXPECT_LT(s, 0.5) << "said at once, not after the time-out";

    TScriptServer server([](TConn& c) {
        UpToData(c);
        c.ReadSome(100000);
        c.Reset();
    });
    TClient client(server.Port());
    client.Msg.Attachments.Items(0).Data = std::string(8 << 20, 'z');
    client.Smtp.Connect();
    std::string error;
    client.Smtp.OnError = [&](std::string& msg) { error = msg; };
    EXPECT_EQ(Thrown<ESocketError>([&] { client.Smtp.Send(); }),
              "[10054] Connection reset by peer");
    EXPECT_EQ(error, "[10054] Connection reset by peer");
    EXPECT_FALSE(client.Smtp.Connected());
    EXPECT_FALSE(FileExists(client.Smtp.LastSpoolPath()));
}

TEST(Smtp, ServerRefusingMidDataIsReadNotASigpipe) {
    TScriptServer server([](TConn& c) {
        UpToData(c);
        c.ReadSome(50000);
        c.Send("552 message too big\r\n");
        ::shutdown(c.Fd, SHUT_WR);
        std::this_thread::sleep_for(300ms);
        c.Close();
    });
    TClient client(server.Port());
    client.Msg.Attachments.Items(0).Data = std::string(16 << 20, 'z');
    client.Smtp.Connect();
    const std::string text = Thrown<EMailError>([&] { client.Smtp.Send(); });
    EXPECT_TRUE(text == "552 message too big" || text == "[10054] Connection reset by peer")
        << text;
}

TEST(Smtp, SlowReaderIsNotAStall) {
    TScriptServer server([](TConn& c) {
        UpToData(c);
        c.ReadDataSlowly(3 << 20, 300);
        c.Send("250 queued\r\n");
        c.Expect();
        c.Send("221 bye\r\n");
    });
    TClient client(server.Port(), 1);
    // Far more than the socket buffers hold, so the send keeps waiting on the reader.
    client.Msg.Attachments.Items(0).Data = std::string(12 << 20, 's');
    client.Smtp.Connect();
    double s = 0;
    try {
        s = Seconds([&] { client.Smtp.Send(); });
        client.Smtp.Disconnect();
    } catch (const std::exception& e) {
        ADD_FAILURE() << e.what();
    }
    EXPECT_GT(s, 1.5) << "longer than the time-out in all, and still delivered";
    EXPECT_EQ(server.Conversation().back(), "S: 221 bye");
}

TEST(Smtp, CancelFromThePumpEndsTheWait) {
    TScriptServer server([](TConn& c) { c.WaitForClose(); });
    TClient client(server.Port(), 10);
    const auto start = std::chrono::steady_clock::now();
    auto old = SetMailPump([&] {
        if (std::chrono::steady_clock::now() - start > 200ms) client.Smtp.Cancel();
    });
    int canceled = 0;
    client.Smtp.OnCancel = [&] { ++canceled; };
    EXPECT_EQ(Thrown<ECanceledError>([&] { client.Smtp.Connect(); }),
              "Operation has been canceled");
    SetMailPump(old);
    EXPECT_GE(canceled, 1);
    EXPECT_FALSE(client.Smtp.Connected());
}

TEST(Smtp, CommandsThatWouldNotFitAreRefusedBeforeSending) {
    TScriptServer server([](TConn& c) {
        Hello(c);
        c.Expect();
        c.Send("221 bye\r\n");
    });
    TClient client(server.Port());
    client.Msg.Recipients.AddAddress(std::string(240, 'a') + "@example.net", "");
    client.Smtp.Connect();
    EXPECT_NE(Thrown<EMessageError>([&] { client.Smtp.Send(); }).find("is too long"),
              std::string::npos);
    client.Smtp.Disconnect();
    EXPECT_EQ(server.Conversation().size(), 5u) << "greeting, HELO, QUIT only";
}

TEST(Smtp, PropertyAndOrderErrors) {
    TmsSMTP smtp;
    smtp.SetWinsockLoaded(true);
    EXPECT_EQ(Thrown<ESocketError>([&] { smtp.Connect(); }), "Server property is required");
    smtp.Server = "127.0.0.1";
    EXPECT_EQ(Thrown<ESocketError>([&] { smtp.Send(); }), "MailMessage property must be assigned");
    TmsMessage m;
    smtp.MailMessage = &m;
    EXPECT_EQ(Thrown<ESocketError>([&] { smtp.Send(); }),
              "You have to connect to the server first");
    EXPECT_EQ(SocketErrorText(10061), "[10061] Connection refused");
    EXPECT_EQ(SocketErrorText(57000), "Operation timed out");
    EXPECT_EQ(SocketErrorText(12345), "Error #12345");
    Winsock().SetMissingForTests(true);
    smtp.SetWinsockLoaded(false);
    EXPECT_FALSE(smtp.IsWinsockAvailable());
    EXPECT_EQ(Thrown<EWinsockDLLError>([&] { smtp.SetWinsockLoaded(true); }), "Winsock not found");
    Winsock().SetMissingForTests(false);
    EXPECT_TRUE(smtp.IsWinsockAvailable());
    EXPECT_FALSE(smtp.WinsockLoaded());
}

TEST(Socket, ServerFormsAndPorts) {
    TmsSMTP s;
    s.SetWinsockLoaded(true);
    s.DefaultPort = 2626;
    const std::pair<std::string, int> cases[] = {
        {"127.0.0.1:2525", 2525}, {"127.0.0.1:0", 25},      {"127.0.0.1:abc", 25},
        {"127.0.0.1", 25},        {"localhost:2600", 2600},
    };
    for (const auto& [server, port] : cases) {
        s.Server = server;
        s.Open();
        EXPECT_EQ(s.Port(), port) << server;
        EXPECT_EQ(s.RemoteAddressText(), "127.0.0.1") << server;
        s.Close();
    }
    s.ServiceName = "no-such-service";
    s.Server = "127.0.0.1";
    s.Open();
    EXPECT_EQ(s.Port(), 2626) << "DefaultPort only when the services file has no entry";
    s.Close();
    s.Server = "name.that.does.not.exist.invalid";
    s.TimeOut = 3;
    const std::string text = Thrown<EMailError>([&] { s.Open(); });
    EXPECT_TRUE(text.rfind("[1100", 0) == 0 || text == "Operation timed out") << text;
    EXPECT_EQ(s.HostPart(), "name.that.does.not.exist.invalid");
}

TEST(Socket, ReplyCodesAndMultiLineReplies) {
    TagSocket s;
    EXPECT_EQ(s.ReplyCode("250 ok"), 250);
    EXPECT_EQ(s.ReplyCode("25"), 25);
    EXPECT_EQ(s.ReplyCode("abc"), -1);
    EXPECT_EQ(s.ReplyCode(""), -1);
    TScriptServer server([](TConn& c) {
        c.Send("250-one\r\n250-two\n250 three\r\n");
        c.Send("354 next\n");
        c.WaitForClose();
    });
    TmsSMTP smtp;
    smtp.SetWinsockLoaded(true);
    smtp.Server = "127.0.0.1:" + std::to_string(server.Port());
    smtp.Open();
    smtp.ConnectSocket();
    EXPECT_EQ(smtp.ReadReply(), 250);
    EXPECT_EQ(smtp.LastReply, "250 three");
    std::string line;
    EXPECT_EQ(smtp.ReadLine(line), 354);
    EXPECT_EQ(line, "354 next");
    smtp.Close();
}

TEST(Socket, SendStreamReportsProgressPerChunk) {
    for (size_t size : {size_t{5000}, size_t{4094}}) {
        TScriptServer server([](TConn& c) { c.WaitForClose(); });
        TmsSMTP smtp;
        smtp.SetWinsockLoaded(true);
        smtp.Server = "127.0.0.1:" + std::to_string(server.Port());
        smtp.Open();
        smtp.ConnectSocket();
        std::vector<std::pair<int, int>> calls;
        smtp.OnProgress = [&](int perc, int pos) { calls.emplace_back(perc, pos); };
        std::istringstream data(std::string(size, 'd'));
        smtp.SendStream(data);
        smtp.Close();
        if (size == 5000)
            EXPECT_EQ(calls, (std::vector<std::pair<int, int>>{
                                 {41, 2047}, {82, 4094}, {100, 5000}, {0, 0}}));
        else
            EXPECT_EQ(calls, (std::vector<std::pair<int, int>>{
                                 {50, 2047}, {100, 4094}, {100, 4094}, {0, 0}}));
    }
}
