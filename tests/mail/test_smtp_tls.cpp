// The secure conversation against real TLS servers (aiosmtpd with a test
// authority made by openssl) and scripted ones: login, certificate checks,
// a stripped STARTTLS, injected replies, and waits that Cancel and the
// time-out still bound.
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>

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
