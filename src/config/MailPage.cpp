#include "config/MailPage.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <algorithm>

#include "config/DialogSupport.h"
#include "mail/ImageMail.h"
#include "mail/PasswordStore.h"
#include "mail/SmtpSecurity.h"
#include "platform/UserDialogs.h"
#include "settings/IniFile.h"

namespace {

QString Text(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

std::string Setting(const QString& text) {
    return CutChars(text.trimmed().toStdString(), ConfigTextLength);
}

} // namespace

TMailPage::TMailPage(QWidget* parent) : TSettingsPage(parent) {
    setObjectName("EMailSheet");
    const QFont bold = ArialFont(12, true);
    auto edit = [&](const char* name, QRect r, int max) {
        auto* e = Make<QLineEdit>(this, name, r);
        e->setMaxLength(max);
        return e;
    };
    Make<QLabel>(this, "ServerHeading", {8, 6, 216, 16}, "SMTP Server")->setFont(bold);
    Make<QLabel>(this, "HostLabel", {8, 26, 40, 16}, "Host");
    SMTPHost = edit("SMTPHost", {52, 24, 172, 21}, 50);
    Make<QLabel>(this, "PortLabel", {8, 51, 40, 16}, "Port");
    SMTPPort = edit("SMTPPort", {52, 49, 48, 21}, 5);
    SMTPPort->setText("25");
    Make<QLabel>(this, "PortNote", {106, 51, 118, 16}, "(normally 25)");
    Make<QLabel>(this, "AddressHeading", {8, 80, 216, 16}, "Your Default E-Mail Address")
        ->setFont(bold);
    Make<QLabel>(this, "NameLabel", {8, 100, 56, 16}, "Name");
    EmailName = edit("EmailName", {68, 98, 156, 21}, 50);
    Make<QLabel>(this, "AddressLabel", {8, 125, 56, 16}, "Address");
    EmailAddress = edit("EmailAddress", {68, 123, 156, 21}, 50);
    Make<QLabel>(this, "OtherHeading", {8, 154, 216, 16}, "Other")->setFont(bold);
    // Label and field side by side, so the security and login fit below.
    Make<QLabel>(this, "EncodingLabel", {8, 176, 120, 16}, "Attachment Encoding");
    Encoding = Make<QComboBox>(this, "Encoding", {130, 173, 94, 22});
    Encoding->addItems({"MIME", "UUEncode"});
    Make<QLabel>(this, "FileLabel", {8, 202, 120, 16}, "Default File Name");
    EMailFile = edit("EMailFile", {130, 200, 94, 21}, 50);
    BuildMailLogin();
    auto* note = Make<QLabel>(
        this, "ServerNote", {8, 306, 216, 88},
        "Note: The SMTP Server is what allows you to send e-mail over the Internet.  You will "
        "need to obtain this information from your Internet E-Mail provider or you may obtain "
        "it from the configuration section of your E-Mail program.");
    note->setWordWrap(true);
    note->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void TMailPage::BuildMailLogin() {
    Make<QLabel>(this, "SecurityLabel", {8, 228, 60, 16}, "Security");
    Security = Make<QComboBox>(this, "Security", {72, 226, 152, 22});
    Security->addItems({"None", "STARTTLS", "TLS"});
    Make<QLabel>(this, "UserNameLabel", {8, 254, 60, 16}, "User Name");
    UserName = Make<QLineEdit>(this, "UserName", {72, 252, 152, 21});
    UserName->setMaxLength(static_cast<int>(ConfigLoginLength));
    Make<QLabel>(this, "PasswordLabel", {8, 279, 60, 16}, "Password");
    MailPassword = Make<QLineEdit>(this, "MailPassword", {72, 277, 92, 21});
    MailPassword->setEchoMode(QLineEdit::Password);
    TestButton = Make<QPushButton>(this, "TestButton", {170, 276, 54, 23}, "&Test");
    connect(Security, &QComboBox::currentIndexChanged, this, &TMailPage::SecurityChange);
    connect(TestButton, &QPushButton::clicked, this, &TMailPage::TestButtonClick);
}

void TMailPage::Load(const ConfigRec& rec) {
    SMTPHost->setText(Text(rec.SMTPHost));
    SMTPPort->setText(QString::number(rec.SMTPPort));
    EmailName->setText(Text(rec.EMailName));
    EmailAddress->setText(Text(rec.EMailAddress));
    Encoding->setCurrentIndex(rec.AttachmentEncoding >= 0 &&
                                      rec.AttachmentEncoding < Encoding->count()
                                  ? rec.AttachmentEncoding
                                  : -1);
    EMailFile->setText(Text(rec.EMailFile));
    const QSignalBlocker b(Security); // the stored port stays as it is
    // An unknown mode shows none of the three.
    Security->setCurrentIndex(SecurityOf(rec.Security));
    UserName->setText(Text(rec.UserName));
    MailPassword->clear();
}

void TMailPage::Store(ConfigRec& rec) const {
    rec.SMTPHost = Setting(SMTPHost->text());
    if (const auto port = Port()) rec.SMTPPort = *port;
    rec.EMailName = Setting(EmailName->text());
    rec.EMailAddress = Setting(EmailAddress->text());
    rec.AttachmentEncoding = std::max(Encoding->currentIndex(), 0);
    rec.EMailFile = Setting(EMailFile->text());
    // Left unset, an unknown mode stays as it is: it still sends nothing.
    if (Security->currentIndex() >= 0) rec.Security = Security->currentIndex();
    rec.UserName = UserName->text().trimmed().toStdString();
}

std::optional<TPageFault> TMailPage::Check() const {
    if (Port()) return std::nullopt;
    return TPageFault{"Invalid port specified.  Normal port number for e-mail is 25.", SMTPPort};
}

void TMailPage::Apply(const ConfigRec&, const ConfigRec& after) {
    const std::string password = MailPassword->text().toStdString();
    if (!password.empty() && !after.UserName.empty() &&
        !StoreMailPassword(after.SMTPHost, after.UserName, password))
        KeepMailPasswordForRun(after.SMTPHost, after.UserName, password); // no Secret Service
}

void TMailPage::SecurityChange(int index) {
    // A port the user chose stays; one of the usual three follows the mode.
    const int port = SMTPPort->text().trimmed().toInt();
    if (port == 25 || port == 587 || port == 465)
        SMTPPort->setText(QString::number(ProposedPort(SecurityOf(index))));
}

std::optional<int> TMailPage::Port() const {
    bool number = false;
    const int port = SMTPPort->text().trimmed().toInt(&number, 10);
    if (number && port >= 1 && port <= 65535) return port;
    return std::nullopt;
}

void TMailPage::TestButtonClick() {
    if (const auto fault = Check()) {
        ShowPageFault(this, *fault);
        fault->Control->setFocus();
        return;
    }
    TImageMail mail;
    mail.Port = *Port();
    mail.Server = SMTPHost->text().trimmed().toStdString();
    mail.Security = Security->currentIndex();
    mail.UserName = UserName->text().trimmed().toStdString();
    mail.Password = MailPassword->text().toStdString();
    if (mail.Password.empty() && !mail.UserName.empty() &&
        LookUpMailPassword(mail.Server, mail.UserName, mail.Password) != TSecretResult::Found)
        MailPasswordOfRun(mail.Server, mail.UserName, mail.Password);
    TmsSMTP smtp;
    smtp.TimeOut = 20;
    std::string report;
    TestButton->setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool ok = TestMailServer(smtp, mail, report);
    QApplication::restoreOverrideCursor();
    TestButton->setEnabled(true);
    UserDialogs().MessageBox(window(), QString::fromStdString(report), ok ? "E-Mail" : "Error",
                             TMsgButtons::Ok, ok ? TMsgIcon::Information : TMsgIcon::Error);
}
