// The E-Mail page's security and login: the port each mode proposes, what Ok
// keeps where, and "&Test" against a real TLS server.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include "DialogsSupport.h"
#include "TestSupport.h"
#include "config/CapDef.h"
#include "mail/PasswordStore.h"
#include "mail/ScriptServer.h"
#include "mail/SmtpSecurity.h"
#include "mail/TlsServer.h"

namespace {

class MailPage : public DialogTest {
protected:
    TCaptureDefaults& Open() {
        Dlg = std::make_unique<TCaptureDefaults>();
        Dlg->StartPage = cpEMail;
        Dlg->show();
        QApplication::processEvents();
        return *Dlg;
    }
    void TearDown() override {
        Dlg.reset();
        DialogTest::TearDown();
    }
    std::unique_ptr<TCaptureDefaults> Dlg;
};

} // namespace

TEST_F(MailPage, SecurityProposesItsPortAndOkKeepsTheLoginButNotThePassword) {
    TTempDir dir;
    setenv("SNAPRIO_INI", dir.File("SNAPRO.INI").c_str(), 1);
    // No Secret Service: the password typed here never reaches a real keyring.
    const std::string bus = std::getenv("DBUS_SESSION_BUS_ADDRESS") ?: "";
    const std::string runtime = std::getenv("XDG_RUNTIME_DIR") ?: "";
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
    setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1);
    TCaptureDefaults& d = Open();
    ASSERT_EQ(d.EMailSheet->Security->count(), 3);
    EXPECT_EQ(d.EMailSheet->Security->itemText(1), "STARTTLS");
    EXPECT_EQ(d.EMailSheet->MailPassword->echoMode(), QLineEdit::Password);
    EXPECT_EQ(d.EMailSheet->TestButton->text(), "&Test");
    // From port: the mode chosen, the port then.
    const struct {
        const char* From;
        int Mode;
        const char* Port;
    } steps[] = {{"25", 1, "587"}, {"587", 2, "465"}, {"465", 0, "25"}, {"2525", 2, "2525"}};
    for (const auto& s : steps) {
        d.EMailSheet->SMTPPort->setText(s.From);
        d.EMailSheet->Security->setCurrentIndex(s.Mode);
        EXPECT_EQ(d.EMailSheet->SMTPPort->text(), s.Port) << s.From << " " << s.Mode;
    }
    d.EMailSheet->SMTPHost->setText("mail.example.org");
    d.EMailSheet->UserName->setText(" ann ");
    d.EMailSheet->MailPassword->setText("s3cret");
    d.OkButton->click();
    EXPECT_EQ(Config.Security, msTls);
    EXPECT_EQ(Config.UserName, "ann");
    EXPECT_EQ(Config.SMTPPort, 2525);
    const std::string ini = ReadFile(dir.File("SNAPRO.INI"));
    EXPECT_NE(ini.find("Security=2"), std::string::npos);
    EXPECT_NE(ini.find("User Name=ann"), std::string::npos);
    EXPECT_EQ(ini.find("s3cret"), std::string::npos);
    std::string kept; // no Secret Service: for this run only
    EXPECT_TRUE(MailPasswordOfRun("mail.example.org", "ann", kept));
    EXPECT_EQ(kept, "s3cret");
    unsetenv("SNAPRIO_INI");
    if (!bus.empty()) setenv("DBUS_SESSION_BUS_ADDRESS", bus.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
}

TEST_F(MailPage, TestSaysWhatHappenedInOneBox) {
    const TTrust trust(Certs().File("ca.pem"));
    TTlsServer server("starttls", "good");
    TCaptureDefaults& d = Open();
    d.EMailSheet->SMTPHost->setText(
        QString::fromStdString("localhost:" + std::to_string(server.Port)));
    d.EMailSheet->Security->setCurrentIndex(msStartTls);
    d.EMailSheet->UserName->setText(QString::fromStdString(User));
    for (const std::string& password : {std::string("wrong"), Secret}) {
        d.EMailSheet->MailPassword->setText(QString::fromStdString(password));
        d.EMailSheet->TestButton->click();
    }
    ASSERT_EQ(Dialogs->Boxes.size(), 2u);
    EXPECT_EQ(Dialogs->Boxes[0].Title, "Error");
    EXPECT_TRUE(Dialogs->Boxes[0].Text.endsWith(WrongPasswordHint));
    EXPECT_EQ(Dialogs->Boxes[1].Title, "E-Mail");
    EXPECT_EQ(Dialogs->Boxes[1].Text.toStdString(),
              "The server localhost:" + std::to_string(server.Port) +
                  " answered over STARTTLS and accepted the login of ann.");
    EXPECT_EQ(server.Commands(), "AUTH PLAIN ann\nAUTH PLAIN ann\n");
    EXPECT_TRUE(d.EMailSheet->TestButton->isEnabled());
    EXPECT_TRUE(d.isVisible());
}

// A "Security" the page does not know shows no mode and stays as written,
// so it keeps refusing to send; a login keeps its whole length.
TEST_F(MailPage, AnUnknownSecurityShowsUnsetAndALongLoginStaysWhole) {
    TTempDir dir;
    const std::string ini = dir.File("SNAPRO.INI");
    const std::string login =
        "a.very.long.name.at.the.office" + std::string(17, 'x') + "@example.org.uk";
    WriteFile(ini,
              "[EMail]\nSMTP Host=mail.example.org\nSecurity=STARTTLS\nUser Name=" + login + "\n");
    setenv("SNAPRIO_INI", ini.c_str(), 1);
    LoadConfig();
    TCaptureDefaults& d = Open();
    EXPECT_EQ(d.EMailSheet->Security->currentIndex(), -1);
    EXPECT_EQ(d.EMailSheet->UserName->text().toStdString(), login);
    d.OkButton->click();
    EXPECT_EQ(Config.Security, msUnknown);
    EXPECT_EQ(Config.UserName, login);
    EXPECT_NE(ReadFile(ini).find("\nSecurity=STARTTLS\n"), std::string::npos);
    EXPECT_NE(ReadFile(ini).find("\nUser Name=" + login + "\n"), std::string::npos);
    unsetenv("SNAPRIO_INI");
}

// "&Test" goes to the port of the field, not to the services entry's; a port
// outside 1-65535 is refused as Ok refuses it.
TEST_F(MailPage, TestUsesThePortField) {
    TScriptServer server([](TConn& c) {
        Hello(c);
        c.Expect();
        c.Send("221 bye\r\n");
    });
    TCaptureDefaults& d = Open();
    d.EMailSheet->SMTPHost->setText("127.0.0.1");
    d.EMailSheet->Security->setCurrentIndex(msNone);
    for (const QString& port : {QString("70000"), QString("0"), QString::number(server.Port())}) {
        d.EMailSheet->SMTPPort->setText(port);
        d.EMailSheet->TestButton->click();
    }
    ASSERT_EQ(Dialogs->Boxes.size(), 3u);
    for (int i : {0, 1}) {
        EXPECT_EQ(Dialogs->Boxes[i].Text,
                  "Invalid port specified.  Normal port number for e-mail is 25.");
    }
    EXPECT_EQ(Dialogs->Boxes[2].Text, "The server 127.0.0.1 answered.");
    EXPECT_EQ(Dialogs->Boxes[2].Title, "E-Mail");
    EXPECT_EQ(server.Conversation().back(), "S: 221 bye");
}
