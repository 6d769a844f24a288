// The SMTP client against scripted loopback servers, one per fault; each
// conversation is recorded and compared whole.
#include <atomic>
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

// What a receiving server stores (RFC 5321, 4.5.2): the data up to the
// final dot, one leading dot taken off every line.
std::string Stored(const std::string& data) {
    std::string out;
    for (size_t start = 0; start < data.size();) {
        size_t end = data.find("\r\n", start);
        end = end == std::string::npos ? data.size() : end + 2;
        out.append(data, data[start] == '.' ? start + 1 : start,
                   end - start - (data[start] == '.'));
        start = end;
    }
    return out;
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
    client.Smtp.OnMailSent = [&] { spool = ReadFile(client.Smtp.LastSpoolPath()); };
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
    client.Smtp.OnMailSent = [&] { spool = ReadFile(client.Smtp.LastSpoolPath()); };
    client.Msg.Encoding = meUU;
    client.Msg.Attachments.Items(0).Data =
        std::string(14, 'q'); // its uuencoded line starts with "."
    client.Smtp.Connect();
    client.Smtp.Send();
    client.Smtp.Disconnect();
    server.Conversation();
    const std::string uuLine = UUEncodeLine(std::string(14, 'q'));
    ASSERT_EQ(uuLine[0], '.');
    EXPECT_NE(spool.find("\r\n" + uuLine + "\r\n"), std::string::npos);
    // On the wire every leading dot is doubled; the server stores the
    // rendered text and the empty line.
    for (const std::string& line : {std::string(".."), std::string("..dot"), "." + uuLine})
        EXPECT_NE(server.Data().find("\r\n" + line + "\r\n"), std::string::npos) << line;
    EXPECT_TRUE(Stored(server.Data()) == spool + "\r\n");
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
        EXPECT_LT(s, 30) << "no hang";
        EXPECT_FALSE(client.Smtp.Connected()) << "a time-out closes the socket";
    }
}

TEST(Smtp, AServerThatNeverStopsTalkingTimesOutAllTheSame) {
    // Continuation lines as fast as the client takes them, for up to 30 s:
    // every poll turn brings data, and still the reply may not outlive the
    // time-out.
    std::atomic<bool> hungUp{false};
    TScriptServer server([&](TConn& c) {
        const std::string lines = [] {
            std::string s;
            for (int i = 0; i < 100; ++i) s += "220-more to come\r\n";
            return s;
        }();
        const auto end = std::chrono::steady_clock::now() + 30s;
        while (!hungUp && std::chrono::steady_clock::now() < end)
            hungUp = ::send(c.Fd, lines.data(), lines.size(), MSG_NOSIGNAL) < 0;
    });
    TClient client(server.Port(), 1);
    EXPECT_EQ(Thrown<EMailError>([&] { client.Smtp.Connect(); }), "Operation timed out");
    server.Conversation();
    EXPECT_TRUE(hungUp) << "the client gave up before the server ran out of lines";
}

TEST(Smtp, AMarkOfAnEarlierWaitDoesNotEndTheNext) {
    // The pump blocks once for longer than the time-out while the connection
    // is made; the waits after it start afresh.
    TScriptServer server([](TConn& c) {
        c.Send(Greeting);
        c.Expect();
        std::this_thread::sleep_for(300ms);
        c.Send("250 hello\r\n");
        c.Expect();
        c.Send("221 bye\r\n");
    });
    TClient client(server.Port(), 2);
    bool blocked = false;
    auto old = SetMailPump([&] {
        if (!std::exchange(blocked, true)) std::this_thread::sleep_for(2100ms);
    });
    try {
        client.Smtp.Connect();
        client.Smtp.Disconnect();
    } catch (const std::exception& e) {
        ADD_FAILURE() << e.what();
    }
    SetMailPump(old);
    EXPECT_TRUE(blocked);
    EXPECT_EQ(server.Conversation().back(), "S: 221 bye");
}

TEST(Smtp, RefusedAndResetConnections) {
    // With a long time-out, a refusal said as one is said at once.
    TClient refused(ClosedPort(), 60);
    EXPECT_EQ(Thrown<ESocketError>([&] { refused.Smtp.Connect(); }), "[10061] Connection refused");
    EXPECT_FALSE(refused.Smtp.Connected()) << "a refused socket is closed";
    {
        TScriptServer later([](TConn& c) {
            Hello(c);
            c.Expect();
            c.Send("221 bye\r\n");
        });
        refused.Smtp.Server = "127.0.0.1:" + std::to_string(later.Port());
        refused.Smtp.Connect();
        refused.Smtp.Disconnect();
        EXPECT_EQ(later.Conversation().back(), "S: 221 bye") << "a second Connect starts afresh";
    }

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
    // The server's answer, not the broken pipe that follows it.
    EXPECT_EQ(Thrown<EServerError>([&] { client.Smtp.Send(); }), "552 message too big");
}

TEST(Smtp, EveryErrorSaysWhatHappened) {
    // A server that closes after one of the steps, or answers nothing.
    const std::pair<std::function<void(TConn&)>, std::string> cases[] = {
        {[](TConn&) {}, "The server closed the connection before its greeting"},
        {[](TConn& c) { c.Send("220-first of more\r\n"); },
         "The server closed the connection before its greeting"},
        {[](TConn& c) {
             c.Send(Greeting);
             c.Expect();
             c.Send("250-hello\r\n");
         },
         "The server closed the connection after HELO"},
        {[](TConn& c) {
             Hello(c);
             c.Expect();
         },
         "The server closed the connection after MAIL FROM"},
        {[](TConn& c) {
             Hello(c);
             c.Expect();
             c.Send("250 ok\r\n");
             c.Expect();
         },
         "The server closed the connection after RCPT TO"},
        {[](TConn& c) { UpToData(c, ""); }, "The server closed the connection after DATA"},
        {[](TConn& c) {
             UpToData(c);
             c.ReadData();
         },
         "The server closed the connection after the end of the data"},
        {[](TConn& c) {
             Hello(c);
             c.Expect();
             c.Send("\r\n");
             c.WaitForClose();
         },
         "The server answered MAIL FROM with an empty line"},
    };
    for (const auto& [script, words] : cases) {
        TScriptServer server(script);
        TClient client(server.Port());
        std::string shown;
        client.Smtp.OnError = [&](std::string& msg) { shown = msg; };
        EXPECT_EQ(Thrown<EMailError>([&] {
                      client.Smtp.Connect();
                      client.Smtp.Send();
                  }),
                  words);
        if (words.find("closed") != std::string::npos) {
            EXPECT_EQ(shown, words);
            EXPECT_FALSE(client.Smtp.Connected());
        }
    }
}

TEST(Smtp, CancelInTheDataPhaseIsACancel) {
    TScriptServer server([](TConn& c) {
        UpToData(c);
        c.WaitForClose();
    });
    TClient client(server.Port());
    client.Msg.Attachments.Items(0).Data = std::string(8 << 20, 'c');
    bool inData = false;
    client.Smtp.OnLineReceived = [&](const std::string& line) {
        inData = line.rfind("354", 0) == 0;
    };
    auto old = SetMailPump([&] {
        if (inData) client.Smtp.Cancel();
    });
    client.Smtp.Connect();
    EXPECT_EQ(Thrown<ECanceledError>([&] { client.Smtp.Send(); }), "Operation has been canceled");
    SetMailPump(old);
    EXPECT_FALSE(client.Smtp.Connected());
    EXPECT_FALSE(FileExists(client.Smtp.LastSpoolPath()));
}

// A Cancel drops what the kernel still holds, so a server that reads slowly
// never gets the end of the data; once that end has left, the message is
// the server's, and the send says so instead of a cancel.
TEST(Smtp, CancelStopsTheDataUnlessItsEndHasLeft) {
    const struct {
        const char* Name;
        bool AfterTheEnd; // cancel 300 ms after the "." went out, else after the 354
        bool Slow;        // the server reads 4 KB every 20 ms, else all at once
    } rows[] = {{"slow reader", false, true}, {"end of the data gone", true, false}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.Name);
        TScriptServer server([&](TConn& c) {
            UpToData(c);
            if (r.Slow) {
                c.ReadDataSlowly(4096, 20);
                return;
            }
            c.ReadData();
            c.WaitForClose(); // never an answer
        });
        TClient client(server.Port(), 10);
        // Far more than the server takes in 300 ms, less than the kernels buffer.
        client.Msg.Attachments.Items(0).Data = std::string(400 << 10, 'c');
        std::chrono::steady_clock::time_point at{};
        client.Smtp.OnLineReceived = [&](const std::string& line) {
            if (!r.AfterTheEnd && line.rfind("354", 0) == 0)
                at = std::chrono::steady_clock::now() + 300ms;
        };
        client.Smtp.OnLineSent = [&](const std::string& line) {
            if (r.AfterTheEnd && line == ".") at = std::chrono::steady_clock::now() + 300ms;
        };
        auto old = SetMailPump([&] {
            if (at.time_since_epoch().count() && std::chrono::steady_clock::now() >= at &&
                client.Smtp.Connected())
                client.Smtp.Cancel();
        });
        client.Smtp.Connect();
        const std::string error = Thrown<ECanceledError>([&] { client.Smtp.Send(); });
        SetMailPump(old);
        EXPECT_FALSE(client.Smtp.Connected());
        const TLog log = server.Conversation();
        if (r.AfterTheEnd) {

            EXPECT_EQ(error, "no exception");
            EXPECT_TRUE(client.Smtp.SentUnanswered());
            EXPECT_EQ(log.back(), "C: .");
        } else {
            EXPECT_EQ(error, "Operation has been canceled");
            EXPECT_FALSE(client.Smtp.SentUnanswered());
            EXPECT_EQ(log.back(), "C: <closed in data>") << "the server never got the final dot";
        }
    }
}

// The progress follows what the server has read: never further ahead of it
// than the server's own receive buffer, however much the kernel here holds.
TEST(Smtp, ProgressFollowsTheServerNotTheKernel) {
    std::atomic<int64_t> read{0};
    TScriptServer server([&](TConn& c) {
        const int buffer = 16 << 10;
        ::setsockopt(c.Fd, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
        UpToData(c);
        c.ReadDataSlowly(8 << 10, 10, &read);
        c.Send("250 queued\r\n");
    });
    TClient client(server.Port());
    client.Msg.Attachments.Items(0).Data = std::string(1 << 20, 'p');
    int64_t ahead = 0;
    int last = -1;
    client.Smtp.OnProgress = [&](int perc, int pos) {
        ahead = std::max(ahead, pos - read.load());
        if (perc) last = perc;
    };
    client.Smtp.Connect();
    client.Smtp.Send();
    client.Smtp.Close();
    server.Conversation();
    EXPECT_EQ(last, 100);
    EXPECT_LT(ahead, 64 << 10) << "bytes reported sent that the server had not read";
}

// The message is rendered while the data goes out. A render that fails
// after the data has begun must not end with the dot that would have the
// server take what it got as the whole message.
TEST(Smtp, ARenderFailingInTheDataPhaseLeavesNoMessage) {
    TScriptServer server([](TConn& c) {
        UpToData(c);
        c.ReadData();
    });
    TClient client(server.Port());
    client.Msg.Attachments.Items(0).Data = std::string(6 << 20, 'p');
    auto notes = std::make_unique<TmsAttItem>();
    notes->SetFileName("notes.txt"); // quoted-printable, whose paragraphs have a limit
    notes->Data = "x\r\n" + std::string(30000, 'a');
    client.Msg.Attachments.Add(std::move(notes));
    client.Smtp.Connect();
    EXPECT_EQ(Thrown<EMailError>([&] { client.Smtp.Send(); }), "Paragraph is too large");
    ASSERT_FALSE(client.Smtp.Connected());
    EXPECT_EQ(server.Conversation().back(), "C: <closed in data>");
    EXPECT_FALSE(FileExists(client.Smtp.LastSpoolPath()));
}

TEST(Smtp, SlowReaderIsNotAStall) {
    int turns = 0;
    TScriptServer server([&](TConn& c) {
        UpToData(c);
        turns = c.ReadDataSlowly(3 << 20, 300);
        c.Send("250 queued\r\n");
        c.Expect();
        c.Send("221 bye\r\n");
    });
    TClient client(server.Port(), 1);
    // Far more than the socket buffers hold, so the send keeps waiting on the reader.
    client.Msg.Attachments.Items(0).Data = std::string(12 << 20, 's');
    client.Smtp.Connect();
    try {
        client.Smtp.Send();
        client.Smtp.Disconnect();
    } catch (const std::exception& e) {
        ADD_FAILURE() << e.what();
    }
    EXPECT_EQ(server.Conversation().back(), "S: 221 bye");
    EXPECT_GT(turns * 300, 1000) << "the reader's pauses add up to more than the time-out";
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
    // The message is checked and its events fire before the connection is needed.
    EXPECT_EQ(Thrown<EMessageError>([&] { smtp.Send(); }), "The address of sender is required");
    Message(m);
    int events = 0;
    smtp.OnPrepare = smtp.OnSending = [&] { ++events; };
    EXPECT_EQ(Thrown<ESocketError>([&] { smtp.Send(); }),
              "You have to connect to the server first");
    EXPECT_EQ(events, 2);
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
    // A port in Server wins, then DefaultPort ("SMTP Port"), then the services
    // entry; a number outside 1-65535 after the colon is an error.
    const struct {
        std::string Server;
        uint16_t DefaultPort;
        const char* Service;
        int Port; // 0: refused with Error
        std::string Error;
    } cases[] = {
        {"127.0.0.1:2525", 2626, "smtp", 2525, ""},
        {"localhost:2600", 2626, "smtp", 2600, ""},
        {"127.0.0.1:+65535", 2626, "smtp", 65535, ""},
        {"127.0.0.1:0", 2626, "smtp", 2626, ""},
        {"127.0.0.1:abc", 2626, "smtp", 2626, ""},
        {"127.0.0.1", 2626, "smtp", 2626, ""},
        {"127.0.0.1", 587, "no-such-service", 587, ""},
        {"127.0.0.1", 0, "smtp", 25, ""},
        {"127.0.0.1", 0, "no-such-service", 0,
         "No port is set, and the services file has no entry for \"no-such-service\""},
        {"127.0.0.1:99999", 2626, "smtp", 0,
         "The port in \"127.0.0.1:99999\" is not between 1 and 65535"},
        {"127.0.0.1:65536", 2626, "smtp", 0,
         "The port in \"127.0.0.1:65536\" is not between 1 and 65535"},
        {"127.0.0.1:-25", 2626, "smtp", 0,
         "The port in \"127.0.0.1:-25\" is not between 1 and 65535"},
        {"127.0.0.1:000000000000065561", 2626, "smtp", 0,
         "The port in \"127.0.0.1:000000000000065561\" is not between 1 and 65535"},
    };
    TmsSMTP s;
    s.SetWinsockLoaded(true);
    std::string shown;
    s.OnError = [&](std::string& msg) { shown = msg; };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Server + " " + c.Service);
        s.Server = c.Server;
        s.DefaultPort = c.DefaultPort;
        s.ServiceName = c.Service;
        if (!c.Port) {
            EXPECT_EQ(Thrown<EMailError>([&] { s.Open(); }), c.Error);
            EXPECT_EQ(shown, c.Error);
            EXPECT_FALSE(s.Connected());
            continue;
        }
        s.Open();
        EXPECT_EQ(s.Port(), c.Port);
        EXPECT_EQ(s.RemoteAddressText(), "127.0.0.1");
        s.Close();
    }
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

// A large message goes out while it is still being rendered, before its size
// is known: the progress it reports is the progress of the finished spool
// sent as a whole, value for value.
TEST(Smtp, ProgressOfAMessageStillBeingRenderedIsThatOfTheWholeSpool) {
    TScriptServer server([](TConn& c) {
        UpToData(c);
        c.ReadData();
        c.Send("250 queued\r\n");
    });
    TClient client(server.Port());
    client.Msg.Attachments.Items(0).Data = std::string(8 << 20, 'r');
    std::vector<std::pair<int, int>> sent, whole;
    std::string spool;
    client.Smtp.OnProgress = [&](int perc, int pos) { sent.emplace_back(perc, pos); };
    client.Smtp.OnMailSent = [&] { spool = ReadFile(client.Smtp.LastSpoolPath()); };
    client.Smtp.Connect();
    client.Smtp.Send();
    client.Smtp.Close();

    TScriptServer reference([](TConn& c) { c.WaitForClose(); });
    TmsSMTP smtp;
    smtp.SetWinsockLoaded(true);
    smtp.Server = "127.0.0.1:" + std::to_string(reference.Port());
    smtp.Open();
    smtp.ConnectSocket();
    smtp.OnProgress = [&](int perc, int pos) { whole.emplace_back(perc, pos); };
    std::istringstream in(spool);
    smtp.SendStream(in);
    smtp.Close();
    ASSERT_GT(whole.size(), 4000u);
    EXPECT_TRUE(sent == whole) << sent.size() << " events against " << whole.size();
}
