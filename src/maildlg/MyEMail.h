// The send-image dialog: the capture written to a file, attached to one
// message and sent through the configured SMTP server, all on the UI thread.
// The socket layer pumps the event loop while it waits, so the window stays
// live and "&Cancel" can end a send under way.
#pragma once

#include <QDialog>
#include <QImage>
#include <QString>

#include "mail/ImageMail.h"
#include "mail/msmsg.h"
#include "mail/mssmtp.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

class TDoTheEmail : public QDialog {
    Q_OBJECT
public:
    explicit TDoTheEmail(const QImage& picture, QWidget* parent = nullptr);

    // Where the attachment file goes (ProgramDir) and the screen the form
    // centres itself on; the opener sets them.
    QString ProgramFolder;
    QSize ScreenSize;

    // True only once the server took the message.
    bool Sent = false;

    QLabel *Label1, *Label2, *Label3, *SubjectLabel, *TextLabel;
    QLineEdit *ImageName, *ToPerson, *ToAddress, *Subject;
    // The login's password, shown only when the server wants a login and
    // neither the Secret Service nor this run has its password.
    QLabel* PasswordLabel;
    QLineEdit* Password;
    QPlainTextEdit* MyMemo;
    QPushButton *SendIt, *AbortButton;
    // The data phase's progress; shown only while sending.
    QProgressBar* SendProgress;

    TmsSMTP MySMTP;
    TmsMessage EMess;

    void SendItClick();
    // "&Abort" closes; while sending the button reads "&Cancel" and ends the send.
    void AbortButtonClick();
    // Writes the picture to FileName by its extension (see ImageFileName); the
    // name written.
    QString SaveTempImage(const QString& fileName);
    bool Busy() const { return FBusy; }

    void reject() override;
    void done(int result) override;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void FormShow();
    void FormClose();
    void SetBusy(bool busy);
    void ShowError(const QString& text);
    // Fills Mail's login; false, with the form idle again and the field
    // focused, when a password is wanted and not given.
    bool TakeLogin(TImageMail& mail);

    QImage Picture;
    bool FBusy = false;
    bool Sending = false; // the socket is in use: Cancel means something
};

// The extension rule of the attachment: a name whose extension is not ".GIF",
// ".JPG" (".JPEG") or ".BMP" in any case gets ".BMP" appended.
QString ImageFileName(const QString& fileName);

// The folder for the attachment file: ProgramDir when the user may write
// there, else $XDG_DATA_HOME/snaprio (created).
QString AttachmentFolder(const QString& programDir);

// The delivery action's way in: shows the dialog for Picture modally and tells
// whether a message was sent.
bool ShowEMailDialog(const QImage& picture, QWidget* owner, const QString& programDir,
                     QSize screenSize);

// Lets the mail core keep the application's event loop moving during a send.
void InstallMailPump();
