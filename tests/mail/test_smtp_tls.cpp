// The secure conversation against real TLS servers (aiosmtpd with a test
// authority made by openssl) and scripted ones: login, certificate checks,
// a stripped STARTTLS, injected replies, and waits that Cancel and the
// time-out still bound.
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <random>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include "ScriptServer.h"
#include "TestSupport.h"
#include "TlsServer.h"
#include "mail/ImageMail.h"
#include "mail/MailPump.h"
#include "mail/PasswordStore.h"
#include "mail/TlsChannel.h"
#include "mail/mscoding.h"
#include "mail/mssmtp.h"

namespace {

void Fill(TmsMessage& m, TMsgEncoding encoding, uint32_t seed) {
    std::mt19937 rng(seed);
    m.Sender.Address = "ann@example.org";
    m.Recipients.AddAddress("bob@example.net", "Bob");
    m.Subject = "Capture";
    m.Encoding = encoding;
    m.Body = {".", "text", ".. two"};
    auto item = std::make_unique<TmsAttItem>();
    item->SetFileName("shot.gif");
    for (int i = 0; i < 70000; ++i) item->Data += static_cast<char>(rng());
    m.Attachments.Add(std::move(item));
}

struct TClient {
    TmsSMTP Smtp;
    TmsMessage Message;
    std::string Spool, SentLog;
    TClient(const std::string& server, TMailSecurity security, const std::string& password) {
        Smtp.SetWinsockLoaded(true);
        Smtp.Server = server;
        Smtp.TimeOut = 10;
        Smtp.Security = security;
        Smtp.UserName = User;
        Smtp.Password = password;
        Smtp.MailMessage = &Message;
        Smtp.OnMailSent = [this] { Spool = ReadFile(Smtp.LastSpoolPath()); };
        Smtp.OnLineSent = [this](const std::string& line) { SentLog += line + "\n"; };
    }
    // The error text, empty when the message went.
    std::string Send() {
        try {
            Smtp.Connect();
            Smtp.Send();
            Smtp.Disconnect();
        } catch (const EMailError& e) {
            Smtp.Close();
            return e.what();
        }
        return "";
    }
};

} // namespace

TEST(SmtpTls, LogsInOverTlsAndDeliversTheMessageUnchanged) {
    const TTrust trust(Certs().File("ca.pem"));
    struct TCase {
        const char *Mode, *Mechs;
        TMailSecurity Security;
        const char* Login;
    } cases[] = {{"starttls", "PLAIN,LOGIN", msStartTls, "AUTH PLAIN ann\n"},
                 {"starttls", "LOGIN", msStartTls, "AUTH LOGIN ann\n"},
                 {"tls", "PLAIN", msTls, "AUTH PLAIN ann\n"}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.Mode) + " " + c.Mechs);
        TTlsServer server(c.Mode, "good", c.Mechs);
        for (int k = 0; k < 2; ++k) {
            TClient client("localhost:" + std::to_string(server.Port), c.Security, Secret);
            Fill(client.Message, k ? meUU : meMIME, 5 + k);
            ASSERT_EQ(client.Send(), "");
            EXPECT_TRUE(server.Message(k) == client.Spool + "\r\n")
                << "message " << k << " differs";
            EXPECT_EQ(client.SentLog.find(PlainCredentials(User, Secret)), std::string::npos);
            EXPECT_EQ(client.SentLog.find(EncodeBase64(Secret)), std::string::npos);
        }
        EXPECT_EQ(server.Commands(), std::string(c.Login) + "MAIL ann@example.org tls\n" + c.Login +
                                         "MAIL ann@example.org tls\n");
    }
}

TEST(SmtpTls, RefusalsAndBadCertificatesEndWithNothingSent) {
    const TTempDir other;
    WriteFile(other.File("empty.pem"), "");
    struct TCase {
        const char *Mode, *Cert, *Trust;
        TMailSecurity Security;
        const char* Password;
        std::string Error;
    } cases[] = {
        {"starttls", "good", "ca.pem", msStartTls, "wrong", std::string("\n") + WrongPasswordHint},
        {"tls", "good", "ca.pem", msTls, "wrong", std::string("\n") + WrongPasswordHint},
        {"starttls", "other", "ca.pem", msStartTls, Secret.c_str(),
         CertificateErrorText("hostname mismatch")},
        {"tls", "expired", "ca.pem", msTls, Secret.c_str(),
         CertificateErrorText("certificate has expired")},
        {"starttls", "good", "", msStartTls, Secret.c_str(),
         CertificateErrorText("unable to get local issuer certificate")},
        {"nostarttls", "good", "ca.pem", msStartTls, Secret.c_str(), NoStartTlsText},
        {"cut", "good", "ca.pem", msStartTls, Secret.c_str(),
         "The server closed the connection after EHLO"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.Mode) + " " + c.Cert + " " + c.Password);
        const TTrust trust(*c.Trust ? Certs().File(c.Trust) : other.File("empty.pem"));
        TTlsServer server(c.Mode, c.Cert);
        TClient client("localhost:" + std::to_string(server.Port), c.Security, c.Password);
        Fill(client.Message, meMIME, 1);
        const std::string error = client.Send();
        ASSERT_GE(error.size(), c.Error.size());
        EXPECT_EQ(error.substr(error.size() - c.Error.size()), c.Error);
        if (c.Error[0] == '\n') {
            EXPECT_EQ(error.substr(0, 4), "535 ");
        }
        EXPECT_EQ(server.Commands().find("MAIL"), std::string::npos);
        EXPECT_FALSE(FileExists(server.Dir.File("000.eml")));
        EXPECT_FALSE(client.Smtp.Connected());
    }
}

TEST(SmtpTls, RepliesInjectedBeforeTheHandshakeAreDropped) {
    const TTrust trust(Certs().File("ca.pem"));
    TTlsServer server("inject", "good");
    TClient client("localhost:" + std::to_string(server.Port), msStartTls, Secret);
    Fill(client.Message, meMIME, 2);
    ASSERT_EQ(client.Send(), "");
    std::string verbs;
    for (size_t at = 0; (at = server.Commands().find("C: ", at)) != std::string::npos; at += 3)
        verbs += server.Commands().substr(at + 3, 4) + " ";
    EXPECT_EQ(verbs, "EHLO STAR EHLO AUTH MAIL RCPT DATA QUIT ");
    EXPECT_TRUE(server.Message(0) == client.Spool + "\r\n");
}

// Handshakes that never finish, and an EHLO refused while STARTTLS is
// required: the waits end by the time-out or Cancel, and nothing falls back.
TEST(SmtpTls, WaitsStayBoundedAndARefusedHelloIsAnError) {
    enum TEnd { Silent, CancelIt, RefuseHello };
    for (TEnd end : {Silent, CancelIt, RefuseHello}) {
        SCOPED_TRACE(end);
        TScriptServer server([&](TConn& c) {
            c.Send("220 scripted\r\n");
            c.Expect();
            if (end == RefuseHello) {
                c.Send("502 not here\r\n");
                c.Expect();
                return;
            }
            c.Send("250-scripted\r\n250 STARTTLS\r\n");
            c.Expect();
            c.Send("220 go ahead\r\n");
            c.WaitForClose(); // and never a handshake
        });
        TClient client("127.0.0.1:" + std::to_string(server.Port()), msStartTls, Secret);
        client.Smtp.TimeOut = 1;
        Fill(client.Message, meMIME, 3);
        int pumps = 0;
        auto old = SetMailPump([&] {
            if (end == CancelIt && ++pumps == 50) client.Smtp.Cancel();
        });
        const auto start = std::chrono::steady_clock::now();
        const std::string error = client.Send();
        SetMailPump(old);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8));
        EXPECT_EQ(error, end == Silent     ? "Operation timed out"
                         : end == CancelIt ? "Operation has been canceled"
                                           : "502 not here");
        const auto log = server.Conversation();
        for (const std::string& line : log) {
            EXPECT_EQ(line.find("C: HELO"), std::string::npos);
            EXPECT_EQ(line.find("C: MAIL"), std::string::npos);
        }
    }
}

// The password in a real Secret Service: gnome-keyring under its own session
// bus, unlocked with a test password. This test runs itself again inside it.
TEST(SecretService, StoresReadsBackAndSendsWithIt) {
    if (!std::getenv("SNAPRIO_IN_KEYRING")) {
        const TTempDir home;
        RunCommand({"mkdir", "-m", "700", home.File("run")});
        TProcess inner({"dbus-run-session", "--", "sh", "-c",
                        "echo -n keyring-pw | gnome-keyring-daemon --unlock --components=secrets "
                        ">/dev/null && exec \"$0\" --gtest_filter=SecretService.*",
                        std::filesystem::read_symlink("/proc/self/exe").string()},
                       {"SNAPRIO_IN_KEYRING=1", "HOME=" + home.Path(),
                        "XDG_DATA_HOME=" + home.File("data"), "XDG_RUNTIME_DIR=" + home.File("run"),
                        "DISPLAY="});
        EXPECT_EQ(inner.Wait(std::chrono::seconds(60)), 0) << inner.Stdout() << inner.Stderr();
        // Without any bus there is no Secret Service, and no wait for one.
        TProcess none({"env", "-u", "DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR=/nonexistent",
                       "SNAPRIO_IN_KEYRING=2",
                       std::filesystem::read_symlink("/proc/self/exe").string(),
                       "--gtest_filter=SecretService.*"});
        EXPECT_EQ(none.Wait(), 0) << none.Stdout();
        return;
    }
    std::string got;
    if (std::string(std::getenv("SNAPRIO_IN_KEYRING")) == "2") {
        EXPECT_EQ(LookUpMailPassword("localhost", User, got), TSecretResult::NoService);
        EXPECT_FALSE(StoreMailPassword("localhost", User, Secret));
        return;
    }
    const TTrust trust(Certs().File("ca.pem"));
    TTlsServer server("starttls", "good");
    const std::string host = "localhost:" + std::to_string(server.Port);
    EXPECT_EQ(LookUpMailPassword(host, User, got), TSecretResult::NotFound);
    ASSERT_TRUE(StoreMailPassword(host, User, "old"));
    ASSERT_TRUE(StoreMailPassword(host, User, Secret)); // replaces
    EXPECT_EQ(LookUpMailPassword(host, User, got), TSecretResult::Found);
    EXPECT_EQ(got, Secret);
    EXPECT_EQ(LookUpMailPassword(host, "bob", got), TSecretResult::NotFound);

    // snaprio --mail takes it from there; the settings file never holds it.
    const TTempDir dir;
    const std::string ini = dir.File("SNAPRO.INI");
    WriteFile(dir.File("shot.gif"), std::string("GIF87a\0\x01\x02", 9));
    for (const char* user : {"ann", "bob"}) {
        WriteFile(ini, "[EMail]\nSMTP Host=" + host + "\nEMail Address=ann@example.org\n" +
                           "Security=1\nUser Name=" + user + "\n");
        // No terminal to ask on, whoever runs the test.
        TProcess mail({"sh", "-c", "exec \"$0\" \"$@\" </dev/null", SNAPRIO_BINARY, "--mail",
                       "bob@example.net", dir.File("shot.gif")},
                      {"SNAPRIO_INI=" + ini});
        const int status = mail.Wait(std::chrono::seconds(30));
        if (user == User) {
            EXPECT_EQ(status, 0) << mail.Stderr();
        } else {
            EXPECT_EQ(status, 1);
            EXPECT_NE(mail.Stderr().find("no password for bob at " + host +
                                         ": the Secret Service has none"),
                      std::string::npos)
                << mail.Stderr();
        }
    }
    EXPECT_EQ(server.Commands(), "AUTH PLAIN ann\nMAIL ann@example.org tls\n");
    EXPECT_EQ(ReadFile(ini).find(Secret), std::string::npos);
    EXPECT_TRUE(ForgetMailPassword(host, User));
    EXPECT_EQ(LookUpMailPassword(host, User, got), TSecretResult::NotFound);
}

// The settings' check: one text for what happened, nothing sent either way.
TEST(SmtpTls, TestingTheSettingsLogsInAndSaysSo) {
    const TTrust trust(Certs().File("ca.pem"));
    TTlsServer server("tls", "good");
    const struct {
        int Security;
        std::string Password, Report;
    } cases[] = {
        {2, Secret,
         "The server localhost:" + std::to_string(server.Port) +
             " answered over TLS and accepted the login of ann."},
        {2, "wrong",
         "535 5.7.8 Authentication credentials invalid\n" + std::string(WrongPasswordHint)},
        {0, Secret, "Operation timed out"}, // plain words to a TLS server: no greeting
    };
    for (const auto& c : cases) {
        TImageMail mail;
        mail.Server = "localhost:" + std::to_string(server.Port);
        mail.Security = c.Security;
        mail.UserName = User;
        mail.Password = c.Password;
        TmsSMTP smtp;
        smtp.TimeOut = 1;
        std::string report;
        EXPECT_EQ(TestMailServer(smtp, mail, report), c.Password == Secret && c.Security);
        EXPECT_EQ(report, c.Report);
        EXPECT_FALSE(smtp.Connected());
    }
    EXPECT_EQ(server.Commands(), "AUTH PLAIN ann\nAUTH PLAIN ann\n");
}

// A "Security" that is none of 0, 1 and 2 cannot say whether the login and
// the message may go in clear text: snaprio --mail sends nothing, not even
// a greeting, to a server that offers STARTTLS and would take it all.
TEST(SmtpTls, MailCommandRefusesAnUnknownSecurity) {
    const TTempDir dir;
    const std::string ini = dir.File("SNAPRO.INI");
    WriteFile(dir.File("shot.gif"), std::string("GIF87a\0\x01\x02", 9));
    for (const char* security :
         {"3", "-1", "STARTTLS", "TLS", "yes", "1;", "\" 1 \"", "0x1", "4294967297"}) {
        SCOPED_TRACE(security);
        std::atomic<bool> connected{false};
        TScriptServer server([&](TConn& c) {
            connected = true;
            c.Send("220 mx ESMTP\r\n");
            for (std::string line; !(line = c.Expect()).empty();) {
                if (line.rfind("EHLO", 0) == 0) {
                    c.Send("250-mx\r\n250-STARTTLS\r\n250 AUTH PLAIN LOGIN\r\n");
                } else if (line == "DATA") {
                    c.Send("354 go\r\n");
                    c.ReadData();
                    c.Send("250 queued\r\n");
                } else {
                    c.Send(line == "QUIT" ? "221 bye\r\n" : "250 ok\r\n");
                }
            }
        });
        WriteFile(ini, "[EMail]\nSMTP Host=127.0.0.1:" + std::to_string(server.Port()) +
                           "\nEMail Address=ann@example.org\nUser Name=ann\nSecurity=" + security +
                           "\n");
        TProcess mail({"sh", "-c", "exec \"$0\" \"$@\" </dev/null", SNAPRIO_BINARY, "--mail",
                       "bob@example.net", dir.File("shot.gif")},
                      {"SNAPRIO_INI=" + ini, "DISPLAY=", "DBUS_SESSION_BUS_ADDRESS="});
        EXPECT_EQ(mail.Wait(std::chrono::seconds(30)), 1);
        EXPECT_EQ(mail.Stderr(), std::string("snaprio: ") + UnknownSecurityText + "\n");
        EXPECT_FALSE(connected);
    }
}

namespace {

// snaprio --mail on a terminal of its own (a pty whose session it leads),
// with Ahead typed before it starts; what the terminal shows.
class TTerminalRun {
public:
    TTerminalRun(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                 const std::string& ahead) {
        int go[2];
        EXPECT_EQ(::pipe(go), 0);
        Pid = ::forkpty(&Master, nullptr, nullptr, nullptr);
        if (Pid == 0) {
            char c;
            ::close(go[1]);
            (void)!::read(go[0], &c, 1); // until what is typed ahead is there
            for (const std::string& e : env) ::putenv(::strdup(e.c_str()));
            ::signal(SIGINT, SIG_DFL);
            ::signal(SIGTERM, SIG_DFL);
            std::vector<char*> args;
            for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
            args.push_back(nullptr);
            ::execv(args[0], args.data());
            ::_exit(127);
        }
        ::close(go[0]);
        Type(ahead);
        ::close(go[1]);
    }
    ~TTerminalRun() {
        if (Status == -1) ::kill(Pid, SIGKILL), ::waitpid(Pid, nullptr, 0);
        ::close(Master);
    }
    void Type(const std::string& keys) {
        EXPECT_EQ(::write(Master, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
    }
    // Reads what the terminal shows until it holds Text.
    bool WaitToShow(const std::string& text) {
        return WaitFor([&] { return Read(), Shown.find(text) != std::string::npos; },
                       std::chrono::seconds(20));
    }
    // The exit status (128 + signal), or -1 when it does not end.
    int Wait() {
        WaitFor(
            [&] {
                Read();
                int status;
                if (::waitpid(Pid, &status, WNOHANG) != Pid) return false;
                Status = WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
                return true;
            },
            std::chrono::seconds(30));
        Read();
        return Status;
    }
    bool Echoes() const {
        termios t{};
        return ::tcgetattr(Master, &t) == 0 && (t.c_lflag & ECHO);
    }
    pid_t Pid = -1;
    int Status = -1;
    std::string Shown;

private:
    void Read() {
        char buf[512];
        for (pollfd p{Master, POLLIN, 0}; ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);) {
            const ssize_t n = ::read(Master, buf, sizeof buf);
            if (n <= 0) break;
            Shown.append(buf, static_cast<size_t>(n));
        }
    }
    int Master = -1;
};

} // namespace

// The password asked on the terminal: echo off before the prompt, so what is
// typed ahead or at once is used and never shown; every way out of the prompt
// gives the terminal its echo back and says what happened.
TEST(SmtpTls, MailCommandAsksThePasswordOnTheTerminal) {
    const TTrust trust(Certs().File("ca.pem"));
    TTlsServer server("starttls", "good");
    const TTempDir dir;
    const std::string ini = dir.File("SNAPRO.INI");
    const std::string host = "localhost:" + std::to_string(server.Port);
    WriteFile(ini, "[EMail]\nSMTP Host=" + host +
                       "\nEMail Address=ann@example.org\nSecurity=1\nUser Name=ann\n");
    WriteFile(dir.File("shot.gif"), std::string("GIF87a\0\x01\x02", 9));
    const std::string prompt = "Password for ann at " + host + ": ";
    const struct {
        const char* Name;
        std::string Ahead, Typed;
        int Signal, Status;
        std::string Says;
    } cases[] = {
        {"typed ahead", Secret + "\r", "", 0, 0, ""},
        {"typed at the prompt", "", Secret + "\r", 0, 0, ""},
        {"Enter", "", "\r", 0, 1,
         "no password for ann at " + host + ": an empty password was entered"},
        {"Ctrl-D", "", "\x04", 0, 1,
         "no password for ann at " + host + ": the input ended before a password was entered"},
        {"Ctrl-C", "", "\x03", 0, 128 + SIGINT, ""},
        {"SIGTERM", "", "", SIGTERM, 128 + SIGTERM, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TTerminalRun run({SNAPRIO_BINARY, "--mail", "bob@example.net", dir.File("shot.gif")},
                         {"SNAPRIO_INI=" + ini,
                          "DISPLAY=", "DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent",
                          "XDG_RUNTIME_DIR=" + dir.Path()},
                         c.Ahead);
        ASSERT_TRUE(run.WaitToShow(prompt)) << run.Shown;
        if (c.Ahead.empty()) {
            EXPECT_FALSE(run.Echoes()) << "while it waits";
        }
        run.Type(c.Typed);
        if (c.Signal) ::kill(run.Pid, c.Signal);
        EXPECT_EQ(run.Wait(), c.Status) << run.Shown;
        EXPECT_TRUE(run.Echoes()) << "the terminal echoes again";
        const std::string after = run.Shown.substr(run.Shown.find(prompt));
        EXPECT_EQ(after.find(Secret), std::string::npos) << after;
        EXPECT_NE(after.find(c.Says), std::string::npos) << after;
    }
    EXPECT_EQ(server.Commands(), "AUTH PLAIN ann\nMAIL ann@example.org tls\n"
                                 "AUTH PLAIN ann\nMAIL ann@example.org tls\n");
}
