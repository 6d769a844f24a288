// The send-image dialog against scripted loopback servers, with its message
// boxes answered and recorded.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <cstring>
#include <gtest/gtest.h>
#include <optional>

#include "TestSupport.h"
#include "app/AppSupport.h"
#include "settings/Configs.h"
#include "mail/ImageMail.h"
#include "mail/MailPump.h"
#include "mail/ScriptServer.h"
#include "mail/TlsServer.h"
#include "maildlg/MyEMail.h"

namespace {

using namespace std::chrono_literals;

class TPaintCount : public QObject {
public:
    int Count = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        Count += e->type() == QEvent::Paint;
        return false;
    }
};

const QString NoConnection = QString::fromStdString(ImageMailText(TImageMailResult::NoConnection));

// A server that takes one message and says goodbye.
void Accept(TConn& c) {
    UpToData(c);
    c.ReadData();
    c.Send("250 queued\r\n");
    c.Expect();
    c.Send("221 bye\r\n");
}

class MailDialog : public testing::Test {
protected:
    void SetUp() override {
        LoadConfigFrom(Config, "/nonexistent/SNAPRO.INI");
        Config.EMailName = "Ann";
        Config.EMailAddress = "ann@example.org";
        DialogsScope.emplace(std::make_unique<TScriptedDialogs>(&Boxes));
        OldPump = SetMailPump([] { QCoreApplication::processEvents(); });
        Picture = QImage(40, 30, QImage::Format_RGB32);
        Picture.fill(QColor(10, 120, 240));
    }
    void TearDown() override {
        Dlg.reset();
        Winsock().SetMissingForTests(false);
        DialogsScope.reset();
        SetMailPump(std::move(OldPump));
    }
    // A dialog on the screen, filled from Config, sending to Port.
    TDoTheEmail& Open(int port = 0) {
        if (port) Config.SMTPHost = "127.0.0.1:" + std::to_string(port);
        Dlg = std::make_unique<TDoTheEmail>(Picture);
        Dlg->ProgramFolder = QString::fromStdString(Dir.Path());
        Dlg->ScreenSize = {1000, 800};
        Dlg->show();
        QApplication::processEvents();
        return *Dlg;
    }
    // Fills the recipient and presses "&Send It".
    void Send(const QString& address = "bob@example.net") {
        Dlg->ToAddress->setText(address);
        Dlg->SendIt->click();
    }
    void ExpectIdle() {
        EXPECT_FALSE(Dlg->Busy());
        EXPECT_TRUE(Dlg->SendIt->isEnabled());
        EXPECT_TRUE(Dlg->AbortButton->isEnabled());
        EXPECT_EQ(Dlg->AbortButton->text(), "&Abort");
        EXPECT_FALSE(QApplication::overrideCursor());
        EXPECT_FALSE(Winsock().IsLoaded());
    }
    std::vector<TBox> Boxes;
    TTempDir Dir;
    QImage Picture;
    std::unique_ptr<TDoTheEmail> Dlg;
    std::optional<TServiceScope<TUserDialogs>> DialogsScope;
    std::function<void()> OldPump;
};

} // namespace

TEST_F(MailDialog, FormHasItsControlsInTabOrderAndCentres) {
    TDoTheEmail& d = Open();
    EXPECT_EQ(d.windowTitle(), "Send Image Via E-Mail");
    EXPECT_EQ(d.size(), QSize(484, 318));
    EXPECT_EQ(d.font().pixelSize(), 13);
    EXPECT_EQ(d.pos(), QPoint((1000 - 484) / 2, (800 - 318) / 2));
    const struct {
        const char *Name, *Label, *Text;
        QRect Rect;
    } rows[] = {{"ImageName", "Label3", "Image Name", {160, 6, 151, 21}},
                {"ToPerson", "Label1", "Recipient Name", {160, 34, 233, 21}},
                {"ToAddress", "Label2", "Recipient E-Mail Address", {160, 62, 233, 21}},
                {"Subject", "SubjectLabel", "E-Mail Subject", {160, 90, 313, 21}},
                {"MyMemo", "TextLabel", "Message Text", {8, 140, 469, 149}},
                {"SendIt", nullptr, "&Send It", {175, 295, 60, 21}},
                {"AbortButton", nullptr, "&Abort", {243, 295, 60, 21}}};
    QWidget* w = d.findChild<QWidget*>(rows[0].Name);
    for (const auto& r : rows) {
        SCOPED_TRACE(r.Name);
        ASSERT_EQ(w, d.findChild<QWidget*>(r.Name)) << "tab order";
        EXPECT_EQ(w->geometry(), r.Rect);
        const QLabel* label = r.Label ? d.findChild<QLabel*>(r.Label) : nullptr;
        if (label) {
            EXPECT_EQ(label->text(), r.Text);
        }
        if (auto* b = qobject_cast<QPushButton*>(w)) {
            EXPECT_EQ(b->text(), r.Text);
        }
        do w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus));
    }
    EXPECT_TRUE(d.findChild<QLabel*>("TextLabel")->font().bold());
    EXPECT_TRUE(d.SendIt->isDefault());
    EXPECT_EQ(d.MyMemo->toPlainText(), "") << "the design-time text never shows";
    EXPECT_EQ(d.focusWidget(), d.ToPerson);
    EXPECT_FALSE(d.SendProgress->isVisible());
}

// Without an address the file is written first, then the dialog asks for one.
TEST_F(MailDialog, ImageNameChoosesFileAndFormatBeforeTheAddressIsChecked) {
    const struct {
        const char *Typed, *File, *Magic;
    } rows[] = {{"", "capture.bmp", "BM"},
                {"  shot.gif  ", "shot.gif", "GIF8"},
                {"Shot.JPG", "Shot.JPG", "\xFF\xD8"},
                {"x.Bmp", "x.Bmp", "BM"},
                {"shot.png", "shot.png", "\x89PNG"},
                {"Shot.PNG", "Shot.PNG", "\x89PNG"},
                {"shot.tif", "shot.tif.BMP", "BM"},
                {"shot", "shot.BMP", "BM"},
                {"shot.jpeg", "shot.jpeg", "\xFF\xD8"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.Typed);
        WriteFile(Dir.File(r.File), "old"); // a second send overwrites the file
        Config.EMailFile = r.Typed;
        Open();
        Boxes.clear();
        Send("   ");
        ASSERT_EQ(Boxes.size(), 1u);
        EXPECT_EQ(Boxes[0].Text, "No recipient address has been entered.  Please correct.");
        EXPECT_EQ(Boxes[0].Title, "Error");
        EXPECT_TRUE(Dlg->isVisible());
        EXPECT_EQ(Dlg->focusWidget(), Dlg->ToAddress);
        ExpectIdle();
        EXPECT_EQ(ReadFile(Dir.File(r.File)).substr(0, std::strlen(r.Magic)), r.Magic);
        Dlg->AbortButton->click();
        EXPECT_FALSE(Dlg->isVisible());
    }
}

// The image name is a file name in the attachment folder: a name with a
// folder is refused before anything is written or deleted anywhere.
TEST_F(MailDialog, ImageNameWithAFolderIsRefusedAndNothingOutsideIsTouched) {
    const std::string folder = Dir.File("prog"), out = Dir.File("out");
    ASSERT_EQ(RunCommand({"mkdir", "-p", folder + "/sub", out}), 0);
    const struct {
        std::string Typed, Victim; // a file that must stay as it was
    } rows[] = {{"../out/shot1.BMP", out + "/shot1.BMP"},
                {out + "/full.BMP", out + "/full.BMP"},
                {"../out", out + "/keep"},
                {"..", Dir.File("...BMP")},
                {"sub/shot.gif", folder + "/sub/shot.gif"},
                {"..\\out\\shot.bmp", folder + "/..\\out\\shot.bmp"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.Typed);
        WriteFile(r.Victim, "old");
        Config.EMailFile = r.Typed;
        Open().ProgramFolder = QString::fromStdString(folder);
        Boxes.clear();
        Send();
        ASSERT_EQ(Boxes.size(), 1u);
        EXPECT_EQ(Boxes[0].Text.toStdString(),
                  "The Image Name \"" + r.Typed +
                      "\" is not a file name: it may not name a folder.  Please correct.");
        EXPECT_EQ(Boxes[0].Title, "Error");
        EXPECT_TRUE(Dlg->isVisible());
        EXPECT_EQ(Dlg->focusWidget(), Dlg->ImageName);
        ExpectIdle();
        EXPECT_TRUE(ReadFile(r.Victim) == "old") << "left as it was";
        std::string written;
        RunCommand({"find", Dir.Path(), "-newer", r.Victim, "-type", "f"}, &written);
        EXPECT_EQ(written, "");
        Dlg->AbortButton->click();
    }
    // Two dots inside a name are no folder.
    Config.EMailFile = "..shot.gif";
    Open().ProgramFolder = QString::fromStdString(folder);
    Boxes.clear();
    Send("   ");
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text, "No recipient address has been entered.  Please correct.");
    EXPECT_EQ(ReadFile(folder + "/..shot.gif").substr(0, 4), "GIF8");
}

TEST_F(MailDialog, FieldsAreTrimmedAndTheMessageArrives) {
    TScriptServer server(Accept);
    Config.EMailFile = "shot.gif";
    TDoTheEmail& d = Open(server.Port());
    d.ToPerson->setText("  Bob  ");
    d.Subject->setText("\tHi there ");
    d.MyMemo->setPlainText(" Look.\n.\nBye");
    Send("  bob@example.net ");
    const auto log = server.Conversation();
    EXPECT_TRUE(Boxes.empty()) << Boxes[0].Text.toStdString();
    EXPECT_TRUE(d.Sent);
    EXPECT_FALSE(d.isVisible());
    ExpectIdle();
    EXPECT_EQ(log[3], "C: MAIL FROM:<ann@example.org>");
    EXPECT_EQ(log[5], "C: RCPT TO:<bob@example.net>");
    EXPECT_EQ(log.back(), "S: 221 bye");
    const std::string& data = server.Data();
    for (const char* part :
         {"\r\nX-Mailer: Snaprio 2000\r\n", "\r\nSubject: Hi there\r\n", "Bob <bob@example.net>",
          "\r\n Look.\r\n..\r\nBye\r\n", "name=\"shot.gif\""})
        EXPECT_NE(data.find(part), std::string::npos) << part;
}

TEST_F(MailDialog, FailuresShowTheirBoxAndCloseUnsent) {
    TScriptServer silent([](TConn& c) { c.WaitForClose(); }); // never greets
    TScriptServer noSenderCheck([](TConn& c) {
        Hello(c);
        c.Expect();
        c.Send("221 bye\r\n");
    });
    const struct {
        const char* Name;
        int Port;
        int TimeOut;
        std::string Sender;
        QString Box;
    } rows[] = {{"refused port", ClosedPort(), 40, "ann@example.org", NoConnection},
                {"time-out", silent.Port(), 1, "ann@example.org", NoConnection},
                {"no sender", noSenderCheck.Port(), 40, "",
                 "No recipients specified or no return address specified. This E-Mail attempt will "
                 "abort."}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.Name);
        Config.EMailAddress = r.Sender;
        Boxes.clear();
        Open(r.Port).MySMTP.TimeOut = r.TimeOut;
        Send();
        ASSERT_EQ(Boxes.size(), 1u);
        EXPECT_EQ(Boxes[0].Text, r.Box);
        EXPECT_EQ(Boxes[0].Title, "Error");
        EXPECT_FALSE(Dlg->isVisible());
        EXPECT_FALSE(Dlg->Sent);
        ExpectIdle();
    }
    EXPECT_EQ(noSenderCheck.Conversation().back(), "S: 221 bye") << "closed normally";

    Winsock().SetMissingForTests(true);
    Boxes.clear();
    Open(ClosedPort());
    Send();
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text, "The necessary winsock files are not present on your computer.  "
                             "Internet connections cannot be made.  E-Mail cannot be sent.");
    EXPECT_FALSE(Dlg->isVisible());
    EXPECT_FALSE(Dlg->Sent);
}

// A refusal, a file that cannot be written or a cancel keeps the dialog open
// and usable; the next "&Send It" sends the same message.
TEST_F(MailDialog, OtherErrorsKeepTheDialogForARetry) {
    TScriptServer refusing([](TConn& c) {
        Hello(c);
        c.Expect();
        c.Send("250 ok\r\n");
        c.Expect();
        c.Send("550 5.1.1 <bob@example.net>: Recipient address rejected\r\n");
        c.Expect();
        c.Send("221 bye\r\n");
    });
    TDoTheEmail& d = Open(refusing.Port());
    Send();
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_NE(Boxes[0].Text.indexOf("550 5.1.1 <bob@example.net>: Recipient address rejected"), -1)
        << Boxes[0].Text.toStdString();
    EXPECT_EQ(Boxes[0].Title, "Error");
    EXPECT_EQ(refusing.Conversation().back(), "S: 221 bye");
    EXPECT_TRUE(d.isVisible());
    ExpectIdle();

    TScriptServer hanging([](TConn& c) {
        Hello(c);
        c.WaitForClose(); // no answer to MAIL FROM
    });
    Config.SMTPHost = "127.0.0.1:" + std::to_string(hanging.Port());
    bool cancelOffered = false;
    QTimer::singleShot(300, &d, [&] {
        cancelOffered = d.AbortButton->isEnabled() && d.AbortButton->text() == "&Cancel";
        d.AbortButton->click();
    });
    Send();
    ASSERT_EQ(Boxes.size(), 2u);
    EXPECT_TRUE(cancelOffered);
    EXPECT_EQ(Boxes[1].Text, "Operation has been canceled");
    EXPECT_TRUE(d.isVisible());
    ExpectIdle();

    d.ImageName->setText("no/such/folder/x.bmp");
    Send();
    ASSERT_EQ(Boxes.size(), 3u);
    EXPECT_TRUE(d.isVisible());
    ExpectIdle();

    TScriptServer first(Accept), second(Accept);
    d.ImageName->setText("x.gif");
    for (TScriptServer* s : {&first, &second}) {
        if (s == &second) Dlg->show(); // filled again from what the first one left
        Config.SMTPHost = "127.0.0.1:" + std::to_string(s->Port());
        Dlg->SendIt->click();
        s->Conversation();
        EXPECT_TRUE(Dlg->Sent);
    }
    EXPECT_EQ(Boxes.size(), 3u);
    auto boundaryless = [](std::string data) { // the boundary, date and id are drawn afresh
        data = WithoutDateAndId(data);
        const size_t at = data.find("boundary=\"");
        const std::string b = data.substr(at + 10, data.find('"', at + 10) - at - 10);
        for (size_t p; (p = data.find(b)) != std::string::npos;) data.replace(p, b.size(), "B");
        return data;
    };
    EXPECT_EQ(boundaryless(first.Data()), boundaryless(second.Data()));
}

TEST_F(MailDialog, LastFieldsLiveForTheRunAndTheImageNamePersists) {
    Config.EMailFile = "keep.gif";
    TDoTheEmail& d = Open();
    d.ImageName->setText(QString(60, 'n') + ".gif");
    d.ToPerson->setText("Bob");
    d.ToAddress->setText("bob@example.net");
    d.Subject->setText("Hi");
    d.MyMemo->setPlainText("two\nlines");
    d.AbortButton->click();
    Open();
    EXPECT_EQ(Dlg->ImageName->text(), QString(50, 'n'));
    EXPECT_EQ(Dlg->ToPerson->text(), "Bob");
    EXPECT_EQ(Dlg->ToAddress->text(), "bob@example.net");
    EXPECT_EQ(Dlg->Subject->text(), "Hi");
    EXPECT_EQ(Dlg->MyMemo->toPlainText(), "two\nlines");
    EXPECT_FALSE(Dlg->Sent);

    const std::string ini = Dir.File("SNAPRO.INI");
    ASSERT_TRUE(SaveConfigTo(Config, ini));
    ConfigRec restarted;
    LoadConfigFrom(restarted, ini);
    EXPECT_EQ(restarted.EMailFile, std::string(50, 'n'));
    EXPECT_EQ(restarted.LastToPerson + restarted.LastToAddress + restarted.LastSubject +
                  restarted.LastMessageText,
              "");
}

// A 20 MB picture to a server that reads at a trickle: the window keeps
// being served and shows the progress of the data phase.
TEST_F(MailDialog, LongSendKeepsTheWindowLive) {
    TScriptServer slow([](TConn& c) {
        UpToData(c);
        c.ReadDataSlowly(256 << 10, 20);
        c.Send("250 queued\r\n");
        c.Expect();
        c.Send("221 bye\r\n");
    });
    Picture = QImage(2600, 2700, QImage::Format_RGB888);
    Picture.fill(Qt::darkGreen);
    Config.EMailFile = "big.bmp";
    TDoTheEmail& d = Open(slow.Port());
    using TClock = std::chrono::steady_clock;
    TClock::time_point last{};
    TClock::duration longest{};
    int pumps = 0, progress = 0;
    SetMailPump([&] {
        const auto now = TClock::now();
        ++pumps;
        longest = std::max(longest, now - last);
        last = now;
        if (d.SendProgress->isVisible()) progress = std::max(progress, d.SendProgress->value());
        QCoreApplication::processEvents();
    });
    TPaintCount paints;
    d.SendProgress->installEventFilter(&paints);
    last = TClock::now(); // the file is written and read before the first pump: counted too
    Send();
    slow.Conversation();
    EXPECT_GT(paints.Count, 10) << "the window repaints while it sends";
    EXPECT_TRUE(d.Sent) << (Boxes.empty() ? "" : Boxes[0].Text.toStdString());
    EXPECT_GT(progress, 50);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(longest).count();
    RecordProperty("LongestPumpGapMs", static_cast<int>(ms));
    std::printf("pumps %d, longest gap between two %lld ms\n", pumps, static_cast<long long>(ms));
    EXPECT_LT(ms, 5000) << "a hang, not a slow machine";
}

// "&Cancel" while the picture is on its way ends the send as a cancel, the
// server never gets the end of the data, and the dialog is ready for the next
// try; once that end has gone out, the dialog says the message went.
TEST_F(MailDialog, CancelInTheDataPhase) {
    enum TWhen { FirstProgress, Soon, AfterTheEnd };
    const struct {
        const char* Name;
        int Side; // of the square picture: 1000 gives a 3 MB file, 400 one of 480 KB
        size_t BytesPerTurn;
        TWhen When;
    } rows[] = {{"3 MB, at the first progress", 1000, 16 << 10, FirstProgress},
                {"480 KB to a slow reader, 300 ms into the data", 400, 4 << 10, Soon},
                {"after the end of the data", 400, 1 << 20, AfterTheEnd}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.Name);
        TScriptServer slow([&](TConn& c) {
            UpToData(c);
            c.ReadDataSlowly(r.BytesPerTurn, 20);
            c.WaitForClose(); // never an answer
        });
        Picture = QImage(r.Side, r.Side, QImage::Format_RGB888);
        Picture.fill(Qt::darkRed);
        Config.EMailFile = "big.bmp";
        Boxes.clear();
        TDoTheEmail& d = Open(slow.Port());
        using TClock = std::chrono::steady_clock;
        TClock::time_point at = TClock::time_point::max();
        d.MySMTP.OnLineReceived = [&](const std::string& line) {
            if (r.When == Soon && line.rfind("354", 0) == 0) at = TClock::now() + 300ms;
        };
        d.MySMTP.OnLineSent = [&](const std::string& line) {
            if (r.When == AfterTheEnd && line == ".") at = TClock::now() + 300ms;
        };
        bool clicked = false;
        SetMailPump([&] {
            const bool due =
                r.When == FirstProgress ? d.SendProgress->value() > 0 : TClock::now() >= at;
            if (!clicked && due) {
                clicked = d.AbortButton->isEnabled() && d.AbortButton->text() == "&Cancel";
                d.AbortButton->click();
            }
            QCoreApplication::processEvents();
        });
        Send();
        EXPECT_TRUE(clicked);
        ASSERT_EQ(Boxes.size(), 1u);
        const auto log = slow.Conversation();
        if (r.When == AfterTheEnd) {
            EXPECT_EQ(Boxes[0].Text,
                      QString::fromStdString(ImageMailText(TImageMailResult::SentUnanswered)));
            EXPECT_EQ(Boxes[0].Title, "E-Mail");
            EXPECT_EQ(Boxes[0].Text.indexOf("cancel", 0, Qt::CaseInsensitive), -1);
            EXPECT_TRUE(d.Sent);
            EXPECT_FALSE(d.isVisible());
            EXPECT_EQ(log.back(), "C: .");
        } else {
            EXPECT_EQ(Boxes[0].Text, "Operation has been canceled");
            EXPECT_TRUE(d.isVisible());
            EXPECT_FALSE(d.Sent);
            EXPECT_EQ(log.back(), "C: <closed in data>");
        }
        ExpectIdle();
    }
}

// The program's folder when the user may write there, else the data folder.
TEST(MailDialogFolder, ProgramFolderOrTheDataFolder) {
    TTempDir dir;
    setenv("XDG_DATA_HOME", dir.File("data").c_str(), 1);
    EXPECT_EQ(AttachmentFolder(QString::fromStdString(dir.Path())),
              QString::fromStdString(dir.Path()));
    EXPECT_EQ(AttachmentFolder("/nonexistent/bin"),
              QString::fromStdString(dir.File("data/snaprio")));
    EXPECT_TRUE(FileExists(dir.File("data/snaprio")));
    unsetenv("XDG_DATA_HOME");
}

// Where no Secret Service runs, the form asks for the login's password and
// keeps it for the run; without a login the field never shows.
TEST_F(MailDialog, PasswordFieldWhenNoSecretServiceKeepsItForTheRun) {
    const std::string bus = std::getenv("DBUS_SESSION_BUS_ADDRESS") ?: "";
    const std::string runtime = std::getenv("XDG_RUNTIME_DIR") ?: "";
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
    setenv("XDG_RUNTIME_DIR", "/nonexistent", 1);
    const TTrust trust(Certs().File("ca.pem"));
    TTlsServer server("starttls", "good");
    Config.SMTPHost = "localhost:" + std::to_string(server.Port);
    Config.UserName = User;
    for (int security : {0, 1}) {
        Config.Security = security;
        TDoTheEmail& d = Open();
        EXPECT_EQ(d.Password->isVisible(), security == 1);
        EXPECT_EQ(d.PasswordLabel->text(), "Password");
        EXPECT_EQ(d.Password->echoMode(), QLineEdit::Password);
    }
    Send(); // no password typed: asked for, nothing sent
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text.toStdString(),
              "Please enter the password of ann at " + Config.SMTPHost + ".");
    EXPECT_TRUE(Dlg->isVisible());
    EXPECT_EQ(Dlg->focusWidget(), Dlg->Password);
    ExpectIdle();
    Dlg->Password->setText(QString::fromStdString(Secret));
    Send();
    EXPECT_EQ(Boxes.size(), 1u);
    EXPECT_TRUE(Dlg->Sent);
    EXPECT_FALSE(Open().Password->isVisible()); // known for this run now
    Send();
    EXPECT_TRUE(Dlg->Sent);
    EXPECT_EQ(server.Commands(), "AUTH PLAIN ann\nMAIL ann@example.org tls\n"
                                 "AUTH PLAIN ann\nMAIL ann@example.org tls\n");
    if (!bus.empty()) setenv("DBUS_SESSION_BUS_ADDRESS", bus.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
}
