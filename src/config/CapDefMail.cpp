// The E-Mail page's port check, security and login: the drop-down, the user
// name, the password kept in the Secret Service, and the "&Test" button.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "config/APageControl.h"
#include "config/CapDef.h"
#include "config/DialogSupport.h"
#include "mail/ImageMail.h"
#include "mail/PasswordStore.h"
#include "platform/UserDialogs.h"

void TCaptureDefaults::BuildMailLogin(QWidget* s) {
    Make<QLabel>(s, "SecurityLabel", {8, 228, 60, 16}, "Security");
    Security = Make<QComboBox>(s, "Security", {72, 226, 152, 22});
    Security->addItems({"None", "STARTTLS", "TLS"});
    Make<QLabel>(s, "UserNameLabel", {8, 254, 60, 16}, "User Name");
    UserName = Make<QLineEdit>(s, "UserName", {72, 252, 152, 21});
    UserName->setMaxLength(static_cast<int>(ConfigLoginLength));
    Make<QLabel>(s, "PasswordLabel", {8, 279, 60, 16}, "Password");
    MailPassword = Make<QLineEdit>(s, "MailPassword", {72, 277, 92, 21});
    MailPassword->setEchoMode(QLineEdit::Password);
    TestButton = Make<QPushButton>(s, "TestButton", {170, 276, 54, 23}, "&Test");
    connect(Security, &QComboBox::currentIndexChanged, this, &TCaptureDefaults::SecurityChange);
    connect(TestButton, &QPushButton::clicked, this, &TCaptureDefaults::TestButtonClick);
}

void TCaptureDefaults::ShowMailLogin() {
    const QSignalBlocker b(Security); // the stored port stays as it is
    // An unknown mode shows none of the three.
    Security->setCurrentIndex(SecurityOf(Config.Security));
    UserName->setText(QString::fromStdString(Config.UserName));
    MailPassword->clear(); // a stored password is never shown
}

void TCaptureDefaults::TakeMailLogin() {
    // Left unset, an unknown mode stays as it is: it still sends nothing.
    if (Security->currentIndex() >= 0) Config.Security = Security->currentIndex();
    Config.UserName = UserName->text().trimmed().toStdString();
    const std::string password = MailPassword->text().toStdString();
    if (!password.empty() && !Config.UserName.empty() &&
        !StoreMailPassword(Config.SMTPHost, Config.UserName, password))
        KeepMailPasswordForRun(Config.SMTPHost, Config.UserName, password); // no Secret Service
}

void TCaptureDefaults::SecurityChange(int index) {
    // A port the user chose stays; one of the usual three follows the mode.
    const int port = SMTPPort->text().trimmed().toInt();
    if (port == 25 || port == 587 || port == 465)
        SMTPPort->setText(QString::number(ProposedPort(SecurityOf(index))));
}

bool TCaptureDefaults::TakePort(int& port) {
    bool number = false;
    port = SMTPPort->text().trimmed().toInt(&number, 10);
    if (number && port >= 1 && port <= 65535) return true;
    UserDialogs().MessageBox(this, "Invalid port specified.  Normal port number for e-mail is 25.",
                             "Error", TMsgButtons::Ok, TMsgIcon::Error);
    MyPage->setCurrentWidget(EMailSheet);
    SMTPPort->setFocus();
    return false;
}

void TCaptureDefaults::TestButtonClick() {
    TImageMail mail;
    if (!TakePort(mail.Port)) return;
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
    UserDialogs().MessageBox(this, QString::fromStdString(report), ok ? "E-Mail" : "Error",
                             TMsgButtons::Ok, ok ? TMsgIcon::Information : TMsgIcon::Error);
}
