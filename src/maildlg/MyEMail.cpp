#include "maildlg/MyEMail.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <unistd.h>

#include "settings/Configs.h"
#include "imaging/core/GIFImage.h"
#include "imaging/qt/GIFPicture.h"
#include "imaging/qt/ImageFiles.h"
#include "imaging/qt/ImageRows.h"
#include "mail/ImageMail.h"
#include "mail/MailPump.h"
#include "mail/PasswordStore.h"
#include "maildlg/AttachmentName.h"
#include "settings/Paths.h"
#include "platform/UserDialogs.h"

namespace {

template <class T> T* Make(QWidget* parent, const char* name, QRect r, const QString& text = {}) {
    T* w = new T(parent);
    w->setObjectName(QString::fromLatin1(name));
    w->setGeometry(r);
    if constexpr (std::is_same_v<T, QLabel> || std::is_same_v<T, QPushButton> ||
                  std::is_same_v<T, QLineEdit>)
        if (!text.isEmpty()) w->setText(text);
    return w;
}

QLabel* RightLabel(QWidget* parent, const char* name, int y, const QString& text) {
    QLabel* l = Make<QLabel>(parent, name, {4, y + 3, 153, 16}, text);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return l;
}

std::string Std(const QString& s) {
    return s.toStdString();
}

bool LoginWanted() {
    return SecuredMode(Config.Security) && !Config.UserName.empty();
}

// The password of the configured login from the Secret Service or this run.
bool KnownPassword(std::string& password) {
    if (LookUpMailPassword(Config.SMTPHost, Config.UserName, password) == TSecretResult::Found)
        return true;
    return MailPasswordOfRun(Config.SMTPHost, Config.UserName, password);
}

// The picture's rows with the event loop kept moving between them: a
// full-screen GIF or JPEG takes longer than a frame to write.
class TPumpedRows : public TRowSource {
public:
    explicit TPumpedRows(const QImage& picture) : Rows(picture) {
        Width = Rows.Width, Height = Rows.Height, Format = Rows.Format;
        ColorTable = Rows.ColorTable;
        DeviceIndependent = Rows.DeviceIndependent;
        RandomAccess = Rows.RandomAccess, StableRows = Rows.StableRows;
    }
    const uint8_t* Row(int y) override {
        MailPump();
        return Rows.Row(y);
    }

private:
    TImageRows Rows;
};

} // namespace

QString ImageFileName(const QString& fileName) {
    return ImageFileTypeOf(Std(fileName)) == TImageFileType::Unknown ? fileName + ".BMP" : fileName;
}

QString AttachmentFolder(const QString& programDir) {
    if (::access(QFile::encodeName(programDir).constData(), W_OK) == 0) return programDir;
    const QString data = QString::fromStdString(DataDir());
    QDir().mkpath(data);
    return data;
}

TDoTheEmail::TDoTheEmail(const QImage& picture, QWidget* parent)
    : QDialog(parent), Picture(picture) {
    setObjectName("DoTheEmail");
    setWindowTitle("Send Image Via E-Mail");
    QFont font("Arial");
    font.setPixelSize(13);
    setFont(font);
    setFixedSize(484, 318);
    // A dialog border: a title and a close box, no sizing.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);

    Label3 = RightLabel(this, "Label3", 6, "Image Name");
    Label1 = RightLabel(this, "Label1", 34, "Recipient Name");
    Label2 = RightLabel(this, "Label2", 62, "Recipient E-Mail Address");
    SubjectLabel = RightLabel(this, "SubjectLabel", 90, "E-Mail Subject");
    TextLabel = Make<QLabel>(this, "TextLabel", {8, 121, 200, 16}, "Message Text");
    QFont bold = font;
    bold.setBold(true);
    TextLabel->setFont(bold);

    ImageName = Make<QLineEdit>(this, "ImageName", {160, 6, 151, 21});
    ToPerson = Make<QLineEdit>(this, "ToPerson", {160, 34, 233, 21});
    ToAddress = Make<QLineEdit>(this, "ToAddress", {160, 62, 233, 21});
    Subject = Make<QLineEdit>(this, "Subject", {160, 90, 313, 21});
    MyMemo = Make<QPlainTextEdit>(this, "MyMemo", {8, 140, 469, 149});
    MyMemo->setPlainText("Memo1");
    MyMemo->setTabChangesFocus(true);
    SendIt = Make<QPushButton>(this, "SendIt", {175, 295, 60, 21}, "&Send It");
    AbortButton = Make<QPushButton>(this, "AbortButton", {243, 295, 60, 21}, "&Abort");
    SendIt->setDefault(true);
    SendIt->setAutoDefault(true);
    AbortButton->setAutoDefault(false);
    SendProgress = Make<QProgressBar>(this, "SendProgress", {311, 297, 166, 17});
    SendProgress->setRange(0, 100);
    SendProgress->hide();

    // Beside the image name; last in the tab order, after the form's own controls.
    PasswordLabel = Make<QLabel>(this, "PasswordLabel", {316, 9, 64, 16}, "Password");
    PasswordLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Password = Make<QLineEdit>(this, "Password", {384, 6, 93, 21});
    Password->setEchoMode(QLineEdit::Password);
    PasswordLabel->setBuddy(Password);
    QWidget* order[] = {ImageName, ToPerson, ToAddress,   Subject,
                        MyMemo,    SendIt,   AbortButton, Password};
    for (size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
    connect(SendIt, &QPushButton::clicked, this, &TDoTheEmail::SendItClick);
    connect(AbortButton, &QPushButton::clicked, this, &TDoTheEmail::AbortButtonClick);

    MySMTP.DefaultPort = 25;
    MySMTP.TimeOut = 40;
    MySMTP.MailMessage = &EMess;
    // Only once the socket is in use can a send be ended; the file and the
    // message before it are quick.
    MySMTP.OnOpen = [this] {
        Sending = true;
        AbortButton->setText("&Cancel");
        AbortButton->setEnabled(true);
    };
    MySMTP.OnProgress = [this](int perc, int) {
        SendProgress->setVisible(perc > 0);
        SendProgress->setValue(perc);
    };
    EMess.SetContentType("text/plain");
    EMess.ReturnReceipt = false;
}

void TDoTheEmail::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (!e->spontaneous()) FormShow(); // not when the window manager restores it
}

void TDoTheEmail::FormShow() {
    Sent = false;
    QSize screen = ScreenSize;
    if (screen.isEmpty() && QGuiApplication::primaryScreen())
        screen = QGuiApplication::primaryScreen()->size();
    move((screen.width() - width()) / 2, (screen.height() - height()) / 2);
    ImageName->setText(QString::fromStdString(Config.EMailFile));
    ToPerson->setText(QString::fromStdString(Config.LastToPerson));
    ToAddress->setText(QString::fromStdString(Config.LastToAddress));
    Subject->setText(QString::fromStdString(Config.LastSubject));
    MyMemo->setPlainText(QString::fromStdString(Config.LastMessageText));
    std::string known;
    const bool ask = LoginWanted() && !KnownPassword(known);
    Password->clear();
    Password->setVisible(ask);
    PasswordLabel->setVisible(ask);
    ToPerson->setFocus();
}

void TDoTheEmail::FormClose() {
    Config.EMailFile = Std(ImageName->text().left(ConfigTextLength));
    Config.LastToPerson = Std(ToPerson->text().left(ConfigTransientLength));
    Config.LastToAddress = Std(ToAddress->text().left(ConfigTransientLength));
    Config.LastSubject = Std(Subject->text().left(ConfigTransientLength));
    Config.LastMessageText = Std(MyMemo->toPlainText());
}

void TDoTheEmail::done(int result) {
    FormClose();
    QDialog::done(result);
}

void TDoTheEmail::reject() {
    // Esc, the window's close button and "&Abort" all come here.
    if (Sending) {
        MySMTP.Cancel();
        return;
    }
    if (!FBusy) QDialog::reject();
}

void TDoTheEmail::AbortButtonClick() {
    reject();
}

void TDoTheEmail::SetBusy(bool busy) {
    if (busy == FBusy) return;
    FBusy = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
    SendIt->setEnabled(!busy);
    AbortButton->setEnabled(!busy);
    if (!busy) {
        Sending = false;
        AbortButton->setText("&Abort");
        SendProgress->hide();
    }
}

void TDoTheEmail::ShowError(const QString& text) {
    UserDialogs().MessageBox(this, text, "Error", TMsgButtons::Ok, TMsgIcon::Error);
}

QString TDoTheEmail::SaveTempImage(const QString& fileName) {
    const QString name = ImageFileName(fileName);
    if (ImageFileTypeOf(Std(name)) == TImageFileType::Gif)
        PrepareGIFPicture(Picture); // as "Save As GIF"
    TPumpedRows rows(Picture);
    WriteImageFile(rows, Std(name));
    return name;
}

bool TDoTheEmail::TakeLogin(TImageMail& mail) {
    mail.Security = Config.Security;
    mail.UserName = Config.UserName;
    if (!LoginWanted() || KnownPassword(mail.Password)) return true;
    mail.Password = Std(Password->text());
    if (!mail.Password.empty()) return true;
    SetBusy(false);
    Password->setVisible(true);
    PasswordLabel->setVisible(true);
    ShowError(QString::fromStdString("Please enter the password of " + Config.UserName + " at " +
                                     Config.SMTPHost + "."));
    Password->setFocus();
    return false;
}

void TDoTheEmail::SendItClick() {
    if (FBusy) return;
    QString name = ImageName->text().trimmed().left(255);
    if (name.isEmpty()) name = "capture.bmp";
    if (const QString problem = AttachmentNameProblem(name); !problem.isEmpty()) {
        ShowError(problem);
        ImageName->setFocus();
        return;
    }
    const QString folder = AttachmentFolder(ProgramFolder);
    QString path = ImageFileName(folder + "/" + name);
    SetBusy(true);
    TImageMailResult result;
    try {
        RemoveOldAttachment(folder, path);
        path = SaveTempImage(path);
        MailPumpNow(); // the message reads the file whole next
        const QString address = ToAddress->text().trimmed();
        if (address.isEmpty()) {
            SetBusy(false);
            UserDialogs().MessageBox(this, NoRecipientText, "Error", TMsgButtons::Ok,
                                     TMsgIcon::Error);
            ToAddress->setFocus();
            return;
        }
        TImageMail mail;
        mail.SenderName = Config.EMailName;
        mail.SenderAddress = Config.EMailAddress;
        mail.AttachmentEncoding = Config.AttachmentEncoding;
        mail.ToName = Std(ToPerson->text().trimmed());
        mail.ToAddress = Std(address);
        mail.Subject = Std(Subject->text().trimmed().left(255));
        mail.Text = Std(MyMemo->toPlainText());
        mail.FileName = Std(path);
        mail.Server = Config.SMTPHost;
        mail.Port = Config.SMTPPort;
        if (!TakeLogin(mail)) return;
        result = SendImageMail(MySMTP, EMess, mail);
        // A typed password that worked: kept in the Secret Service where one
        // runs, else for this run.
        if ((result == TImageMailResult::Sent || result == TImageMailResult::SentUnanswered) &&
            Password->isVisible() && !StoreMailPassword(mail.Server, mail.UserName, mail.Password))
            KeepMailPasswordForRun(mail.Server, mail.UserName, mail.Password);
    } catch (const std::exception& e) {
        // The file could not be written or read, the server refused a step,
        // or the user cancelled: say so and let the user try again.
        SetBusy(false);
        ShowError(QString::fromStdString(e.what()));
        return;
    }
    SetBusy(false);
    // A Cancel that came after the whole message had gone out stopped nothing.
    Sent = result == TImageMailResult::Sent || result == TImageMailResult::SentUnanswered;
    if (result == TImageMailResult::SentUnanswered)
        UserDialogs().MessageBox(this, QString::fromStdString(ImageMailText(result)), "E-Mail",
                                 TMsgButtons::Ok, TMsgIcon::Information);
    else if (!Sent)
        ShowError(QString::fromStdString(ImageMailText(result)));
    accept();
}

bool ShowEMailDialog(const QImage& picture, QWidget* owner, const QString& programDir,
                     QSize screenSize) {
    TDoTheEmail dialog(picture, owner);
    dialog.ProgramFolder = programDir;
    dialog.ScreenSize = screenSize;
    dialog.exec();
    return dialog.Sent;
}

void InstallMailPump() {
    SetMailPump([] { QCoreApplication::processEvents(); });
}
