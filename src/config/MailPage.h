// The E-Mail page of the configuration dialog: the SMTP server, the sender,
// the attachment's encoding and file name, the server's security and login
// (the password goes to the Secret Service, never to the settings file), and
// "&Test", which tries the fields on the server.
#pragma once

#include "config/SettingsPage.h"

class QComboBox;
class QLineEdit;
class QPushButton;

class TMailPage : public TSettingsPage {
    Q_OBJECT
public:
    explicit TMailPage(QWidget* parent = nullptr);

    // A stored password is never shown.
    void Load(const ConfigRec& rec) override;
    void Store(ConfigRec& rec) const override;
    // The port must be 1-65535.
    std::optional<TPageFault> Check() const override;
    // A password typed here is kept for the stored server and login.
    void Apply(const ConfigRec& before, const ConfigRec& after) override;

    QLineEdit *SMTPHost, *SMTPPort, *EmailName, *EmailAddress, *EMailFile;
    QComboBox* Encoding;
    QComboBox* Security;
    QLineEdit *UserName, *MailPassword;
    QPushButton* TestButton;

private:
    void BuildMailLogin();
    // STARTTLS and TLS propose their port (587, 465) while the port is still
    // the usual one of another mode.
    void SecurityChange(int index);
    // The port field as a port (1-65535).
    std::optional<int> Port() const;
    // "&Test": the current fields tried on the server, the outcome in one box.
    void TestButtonClick();
};
