// The delivery screens through scripted dialogs: saving (decoded again by
// Pillow), the e-mail checks, opening files, the viewer, Escape.
#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

#include "AppSupport.h"
#include "ImagingSupport.h"
#include "TestSupport.h"
#include "app/Delivery.h"
#include "app/MainWin.h"
#include "config/DoView.h"
#include "imaging/core/FileBytes.h"
#include "imaging/qt/BmpFile.h"
#include "imaging/qt/ImageFiles.h"
#include "platform/Clipboard.h"
#include "platform/ServiceScope.h"
#include "settings/Configs.h"

namespace {

class Delivery : public testing::Test {
protected:
    void SetUp() override {
        LoadConfigFrom(Config, "/nonexistent/SNAPRO.INI");
        DisplayScope.emplace(std::make_unique<TMemoryDisplay>());
        auto dialogs = std::make_unique<TScriptedDialogs>(&Boxes);
        Dialogs = dialogs.get();
        DialogsScope.emplace(std::move(dialogs));
        Win = std::make_unique<TMainWin>();
        Win->Delivery = TDelivery(Win.get(), &Host);
    }
    void TearDown() override {
        Win.reset();
        DisplayScope.reset();
        DialogsScope.reset();
    }
    // A screen capture on the delivery screen of the given action.
    void Capture(TAction action) {
        Config.Action = int(action);
        Win->CaptureImage1Click();
        Win->CapScreen->setChecked(true);
        Win->DoItButton->click();
    }
    std::vector<TBox> Boxes;
    TScriptedDialogs* Dialogs = nullptr;
    std::unique_ptr<TMainWin> Win;
    std::optional<TServiceScope<TDisplay>> DisplayScope;
    std::optional<TServiceScope<TUserDialogs>> DialogsScope;
    TRecordingHost Host;
    TTempDir Dir;
};

// The largest and the mean difference of two pictures' channel bytes.
std::pair<int, double> Difference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    if (a.size() != b.size() || a.empty()) return {256, 256};
    int most = 0;
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        most = std::max(most, std::abs(a[i] - b[i]));
        sum += std::abs(a[i] - b[i]);
    }
    return {most, sum / double(a.size())};
}

} // namespace

TEST(SaveExtension, AppendedUnlessTheFileNameSaysThatTypeInAnyCase) {
    const std::tuple<const char*, TAction, const char*> cases[] = {
        {"shot", TAction::SaveBitmap, "shot.BMP"},
        {"SHOT.BMP", TAction::SaveBitmap, "SHOT.BMP"},
        {"shot.bmp", TAction::SaveBitmap, "shot.bmp"},
        {"a.BMP.old", TAction::SaveBitmap, "a.BMP.old"},
        {"shot.png", TAction::SaveBitmap, "shot.png.BMP"},
        {"shot.GIF", TAction::SaveJPEG, "shot.GIF.JPG"},
        {"/tmp/x.gif", TAction::SaveGIF, "/tmp/x.gif"},
        {"shot2.Gif", TAction::SaveGIF, "shot2.Gif"},
        {"/tmp/a.GIF/shot", TAction::SaveGIF, "/tmp/a.GIF/shot.GIF"},
        {"pic.jpg", TAction::SaveJPEG, "pic.jpg"},
        {"pic.jpeg", TAction::SaveJPEG, "pic.jpeg"},
        {"pic.JPEG", TAction::SaveBitmap, "pic.JPEG.BMP"},
        {"x.JPG", TAction::SaveJPEG, "x.JPG"},
        {"shot", TAction::SavePNG, "shot.PNG"},
        {"Shot.png", TAction::SavePNG, "Shot.png"},
        {"shot.BMP", TAction::SavePNG, "shot.BMP.PNG"}};
    for (auto [name, action, expected] : cases)
        EXPECT_EQ(WithSaveExtension(name, action), expected) << name;
}

TEST_F(Delivery, EverySaveWritesAFileThatDecodesToThePicture) {
    // Format, dialog title and filter, the largest and the mean channel error
    // the format allows (the colour cube; JPEG rings at the gradient's jumps).
    const std::tuple<TAction, QString, QString, int, double> cases[] = {
        {TAction::SaveBitmap, "Save As Bitmap", "Bitmap File (*.BMP)|*.BMP", 0, 0},
        {TAction::SaveGIF, "Save As GIF", "GIF File (*.GIF)|*.GIF", 48, 25},
        {TAction::SaveJPEG, "Save As JPEG", "JPEG File (*.JPG)|*.JPG", 255, 2},
        {TAction::SavePNG, "Save As PNG", "PNG File (*.PNG)|*.PNG", 0, 0}};
    for (auto [action, title, filter, most, mean] : cases) {
        Capture(action);
        const std::vector<uint8_t> expected = RgbBytes(Win->Picture());
        const QString name = QString::fromStdString(Dir.File("shot" + std::to_string(int(action))));
        Dialogs->Files = {name};
        Win->DoItButton->click();
        ASSERT_FALSE(Dialogs->FileDialogs.empty());
        const TFileDialogSetup& setup = Dialogs->FileDialogs.back();
        EXPECT_EQ(setup.Title, title);
        EXPECT_EQ(setup.Filter, filter);
        EXPECT_EQ("*" + WithSaveExtension("", action), setup.DefaultExt);
        EXPECT_TRUE(QRegularExpression("^capture-\\d{8}-\\d{6}$").match(setup.FileName).hasMatch())
            << setup.FileName.toStdString();
        const TDecoded d = PillowDecode(WithSaveExtension(name, action).toStdString(), "RGB");
        EXPECT_EQ(d.Width, 640);
        EXPECT_EQ(d.Height, 480);
        const auto [dmost, dmean] = Difference(d.Pixels, expected);
        EXPECT_LE(dmost, most) << title.toStdString();
        EXPECT_LE(dmean, mean) << title.toStdString();
        EXPECT_EQ(Win->AbortButton->text(), "&Done");
        EXPECT_EQ(Win->focusWidget(), Win->AbortButton);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        Win->AbortButton->click();
    }
    // The next dialog opens where the last file went.
    EXPECT_EQ(Dialogs->FileDialogs.back().InitialDir, QString::fromStdString(Dir.Path()));
    EXPECT_TRUE(Boxes.empty());
}

TEST_F(Delivery, CancelWritesNothingAndOverwritingAsksForTheNameWritten) {
    Capture(TAction::SaveBitmap);
    Win->DoItButton->click(); // cancelled
    EXPECT_EQ(Win->AbortButton->text(), "&Done") << "a cancelled save still ends in Done";
    EXPECT_EQ(QDir(QString::fromStdString(Dir.Path())).entryList(QDir::Files).size(), 0);

    const std::string target = Dir.File("shot.BMP");
    WriteFile(target, "old");
    const QString typed = QString::fromStdString(Dir.File("shot"));
    Dialogs->Files = {typed, typed};
    Dialogs->Answers = {TMsgResult::No, TMsgResult::Yes};
    Win->DoItButton->click();
    ASSERT_EQ(Boxes.size(), 2u);
    EXPECT_EQ(Boxes[0].Text.toStdString(), target + " already exists.\nDo you want to replace it?");
    EXPECT_EQ(Boxes[0].Title, "Save As Bitmap");
    ASSERT_EQ(Dialogs->FileDialogs.size(), 3u) << "No opens the dialog again on that name";
    EXPECT_EQ(Dialogs->FileDialogs[2].FileName, "shot.BMP");
    EXPECT_EQ(RgbBytes(LoadBmpFile(target)), RgbBytes(Win->Picture()));
}

TEST_F(Delivery, AFailedWriteNamesTheFileAndTheReasonAndLeavesNothing) {
    WriteFile(Dir.File("plain"), "x");
    const std::pair<std::string, const char*> cases[] = {
        {Dir.File("gone/shot"), "No such file or directory"},
        {Dir.File("plain/shot"), "Not a directory"}};
    for (TAction action :
         {TAction::SaveBitmap, TAction::SaveGIF, TAction::SaveJPEG, TAction::SavePNG})
        for (auto [name, reason] : cases) {
            Boxes.clear();
            Capture(action);
            Dialogs->Files = {QString::fromStdString(name)};
            Win->DoItButton->click();
            const QString written = WithSaveExtension(QString::fromStdString(name), action);
            ASSERT_EQ(Boxes.size(), 1u);
            EXPECT_EQ(Boxes[0].Title, "Error");
            EXPECT_TRUE(Boxes[0].Text.contains(written)) << Boxes[0].Text.toStdString();
            EXPECT_TRUE(Boxes[0].Text.contains(reason)) << Boxes[0].Text.toStdString();
            EXPECT_FALSE(FileExists(written.toStdString()));
            EXPECT_EQ(QApplication::overrideCursor(), nullptr);
            EXPECT_EQ(Win->AbortButton->text(), "&Abort");
            Win->AbortButton->click();
        }
}

TEST_F(Delivery, EMailChecksHostThenAddressThenSends) {
    const QString blank = "Your E-Mail settings have not yet been configured. The entry for your "
                          "%1 is blank.  Would you like to configure it now?";
    // Host, address, answer; the box text, the configuration page opened, the dialog shown, sent.
    using TPages = std::vector<TConfigPage>;
    const std::tuple<const char*, const char*, TMsgResult, QString, TPages, int, bool> cases[] = {
        {"", "", TMsgResult::Yes, blank.arg("SMTP Host"), {cpEMail}, 0, false},
        {"", "me@x", TMsgResult::No, blank.arg("SMTP Host"), {}, 0, false},
        {"mail.x", "", TMsgResult::Yes, blank.arg("return E-Mail Address"), {cpEMail}, 0, false},
        {"mail.x", "me@x", TMsgResult::No, "", {}, 1, false},
        {"mail.x", "me@x", TMsgResult::No, "", {}, 1, true}};
    for (const auto& [host, address, answer, text, pages, opened, send] : cases) {
        Config.SMTPHost = host;
        Config.EMailAddress = address;
        Host.Pages.clear();
        Host.Sends = 0;
        Host.Sent = send;
        Boxes.clear();
        Capture(TAction::EMail);
        Dialogs->Answers = {answer};
        Win->DoItButton->click();
        if (text.isEmpty()) {
            EXPECT_TRUE(Boxes.empty());
        } else {
            ASSERT_EQ(Boxes.size(), 1u);
            EXPECT_EQ(Boxes[0].Text, text);
            EXPECT_EQ(Boxes[0].Title, "Error");
        }
        EXPECT_EQ(Host.Pages, pages) << host << "/" << address;
        EXPECT_EQ(Host.Sends, opened);
        EXPECT_EQ(Win->AbortButton->text(), send ? "&Done" : "&Abort");
        Win->AbortButton->click();
    }
}

// A clipboard that cannot be taken, as without a display, or refused with a
// reason, as by a Wayland desktop to a program without the focus.
class TRefusingClipboard : public TClipboard {
public:
    bool Offer(std::vector<TClipFormat>) override { return false; }
    QString Refusal() const override { return Why; }
    QString Why;
};

TEST_F(Delivery, AFailedPrintOrCopyIsSaidAndNotDone) {
    auto refusing = std::make_unique<TRefusingClipboard>();
    TRefusingClipboard& clipboard = *refusing;
    const TServiceScope<TClipboard> scope(std::move(refusing));
    const struct {
        TAction Action;
        const char* PrintFile; // the print dialog's answer
        QString Why;           // the clipboard's refusal
        QString Text;
    } cases[] = {
        {TAction::PrintPixel, "/nonexistent/folder/out.pdf", "",
         "The printer could not start printing."},
        {TAction::CopyToClipboard, "", "", "The picture could not be copied to the clipboard."},
        {TAction::CopyToClipboard, "", "The desktop wants the focus.",
         "The picture could not be copied to the clipboard.\n\nThe desktop wants the focus."}};
    for (const auto& c : cases) {
        clipboard.Why = c.Why;
        Boxes.clear();
        Capture(c.Action);
        const QString file = c.PrintFile;
        Dialogs->Print = [file](QPrinter& printer, int& copies) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(file);
            copies = 1;
            return true;
        };
        Win->DoItButton->click();
        ASSERT_EQ(Boxes.size(), 1u) << c.Text.toStdString();
        EXPECT_EQ(Boxes[0].Text, c.Text);
        EXPECT_EQ(Boxes[0].Title, "Error");
        EXPECT_EQ(Win->AbortButton->text(), "&Abort");
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        Win->AbortButton->click();
    }
}

TEST_F(Delivery, RadioCaptionsAndTheThumbnailMenu) {
    Capture(TAction::SaveBitmap);
    const std::pair<QRadioButton * TMainWin::*, QString> captions[] = {
        {&TMainWin::EMailIt, "&EMail It"}, {&TMainWin::SaveGIF, "&Save"},
        {&TMainWin::CopyClip, "Co&py"},    {&TMainWin::PrintFilled, "&Print"},
        {&TMainWin::SaveJPEG, "&Save"},    {&TMainWin::PrintPixel, "&Print"},
        {&TMainWin::SaveBit, "&Save"},     {&TMainWin::CopyClip, "Co&py"},
        {&TMainWin::SavePNG, "&Save"}};
    for (auto [radio, caption] : captions) {
        (Win.get()->*radio)->click();
        EXPECT_EQ(Win->DoItButton->text(), caption);
    }
    QStringList items;
    for (QAction* a : Win->PictMenu->actions())
        if (!a->isSeparator()) items << a->text();
    EXPECT_EQ(items,
              QStringList({"Save As &Bitmap", "Save As &GIF", "Save As &JPEG", "Save As P&NG",
                           "&Print Using Pixel Size", "Print &Filling Page", "&Copy To Clipboard",
                           "&E-Mail Image", "&View Image Actual Size", "Ed&it Image..."}));
    // The menu runs its own action whatever radio is checked.
    Dialogs->Files = {QString::fromStdString(Dir.File("m"))};
    Win->PictMenu->actions()[2]->trigger();
    EXPECT_TRUE(FileExists(Dir.File("m.JPG")));
    EXPECT_EQ(Win->AbortButton->text(), "&Done");
}

TEST_F(Delivery, OpeningAFileDeliversItOnThePrintScreen) {
    QImage picture(50, 40, QImage::Format_RGB888);
    picture.fill(qRgb(10, 200, 30));
    SaveBmpFile(picture, Dir.File("in.bmp"));
    WriteFile(Dir.File("bad.BMP"), "BM not a bitmap");
    WriteFile(Dir.File("bad.png"), "x");
    WriteFile(Dir.File("in.tif"), "x");
    SaveImageFile(picture, Dir.File("in.PNG"));
    std::string png = ReadFile(Dir.File("in.PNG"));
    png[png.size() - 20] ^= 1; // the last IDAT's bytes: its CRC no longer holds
    WriteFile(Dir.File("crc.png"), png);
    SaveImageFile(picture, Dir.File("photo.jpeg"), TImageFileType::Jpeg);
    // Files without end, and one cut between its mapping and its reading.
    std::filesystem::create_symlink("/dev/zero", Dir.File("zero.bmp"));
    std::filesystem::create_symlink("/dev/urandom", Dir.File("random.jpg"));
    ASSERT_EQ(mkfifo(Dir.File("fifo.BMP").c_str(), 0600), 0);
    SaveBmpFile(picture, Dir.File("cut.bmp"));
    static std::string cut;
    cut = Dir.File("cut.bmp");
    const QString odd = ": Not a regular file";
    // File, the box text expected ("" none), whether the opened picture replaces the old one.
    const std::tuple<std::string, QString, bool> cases[] = {
        {Dir.File("in.tif"), "Unknown file type selected.", false},
        {Dir.File("bad.png"), "Invalid PNG file: no PNG signature", false},
        {Dir.File("crc.png"), "*", false},
        {Dir.File("in.PNG"), "", true},
        {Dir.File("photo.jpeg"), "", true},
        {Dir.File("bad.BMP"), "*", false},
        {Dir.File("zero.bmp"), "Cannot read " + QString::fromStdString(Dir.File("zero.bmp")) + odd,
         false},
        {Dir.File("random.jpg"),
         "Cannot read " + QString::fromStdString(Dir.File("random.jpg")) + odd, false},
        {Dir.File("fifo.BMP"), "Cannot read " + QString::fromStdString(Dir.File("fifo.BMP")) + odd,
         false},
        {cut,
         "Cannot read " + QString::fromStdString(cut) +
             ": the file was truncated while it was read",
         false},
        {Dir.File("in.bmp"), "", true}};
    Capture(TAction::SaveBitmap);
    Win->AbortButton->click();
    for (auto [name, text, opened] : cases) {
        const QImage before = Win->Picture();
        Boxes.clear();
        Dialogs->Files = {QString::fromStdString(name)};
        AfterFileMapped = nullptr;
        if (name == cut) AfterFileMapped = [](int) { ASSERT_EQ(truncate(cut.c_str(), 100), 0); };
        Win->PopViewClick();
        EXPECT_EQ(Dialogs->FileDialogs.back().Title, "Open Graphic File");
        if (text.isEmpty()) {
            EXPECT_TRUE(Boxes.empty());
        } else {
            ASSERT_EQ(Boxes.size(), 1u) << name;
            EXPECT_EQ(Boxes[0].Title, "Error");
            if (text != "*") {
                EXPECT_EQ(Boxes[0].Text, text);
            }
        }
        EXPECT_EQ(Win->Picture() == before, !opened) << name;
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
    AfterFileMapped = nullptr;
    EXPECT_EQ(Win->Picture().convertToFormat(QImage::Format_RGB888), picture);
    // The file dialog lists what opens, in any case, .jpeg included.
    const QString shown = QtNameFilters(Dialogs->FileDialogs.back().Filter).value(0);
    const QString patterns = shown.section('(', -1).chopped(1);
    for (auto [file, listed] : {std::pair{"a.bmp", true},
                                {"B.JPG", true},
                                {"photo.jpeg", true},
                                {"P.JPEG", true},
                                {"x.png", true},
                                {"Y.PNG", true},
                                {"x.GIF", false}})
        EXPECT_EQ(QDir::match(patterns, file), listed) << file;
    EXPECT_TRUE(Win->isVisible());
    EXPECT_EQ(Win->Screen(), 2);
    EXPECT_FALSE(Win->CaptureInProgress) << "opening a file leaves the cycle flag alone";
    Win->PopViewClick(); // cancelled: nothing changes
    EXPECT_EQ(Win->Screen(), 2);
}

TEST_F(Delivery, EscapeActsAsAbortOnEveryScreen) {
    for (TAction action : {TAction::SaveBitmap, TAction::CopyToClipboard}) {
        Capture(action);
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(Win.get(), &escape);
        EXPECT_FALSE(Win->isVisible());
        EXPECT_FALSE(Win->CaptureInProgress);
    }
}

TEST(DoView, StartsAt541By405WithThePictureAtItsOwnSizeAndGrowsWhenResized) {
    // Picture size, whether scroll bars show.
    const std::pair<QSize, bool> cases[] = {
        {{200, 100}, false}, {{1280, 1024}, true}, {{0, 0}, false}};
    for (auto [size, scrolls] : cases) {
        QImage picture(size, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        TDoView view(nullptr, picture, {1280, 1024});
        view.show();
        QApplication::processEvents();
        EXPECT_EQ(view.windowTitle(), "View Image");
        EXPECT_EQ(view.size(), QSize(541, 405));
        EXPECT_EQ(view.pos(), QPoint((1280 - 541) / 2, (1024 - 405) / 2));
        EXPECT_FALSE(view.windowFlags() & Qt::WindowMinimizeButtonHint);
        EXPECT_EQ(view.TheImage->size(), size);
        EXPECT_EQ(view.TheImage->pos(), QPoint(0, 0));
        EXPECT_EQ(view.ScrollBox1->horizontalScrollBar()->isVisible(), scrolls);
        EXPECT_EQ(view.ScrollBox1->verticalScrollBar()->isVisible(), scrolls);
        EXPECT_EQ(view.Button1->text(), "E&xit");
        EXPECT_EQ(view.Button1->geometry(), QRect(4, 2, 49, 18));
        EXPECT_EQ(view.Panel1->geometry(), QRect(0, 385, 541, 20));
        // Made larger (or maximized), it shows more of the picture at once.
        EXPECT_TRUE(view.windowFlags() & Qt::WindowMaximizeButtonHint);
        view.resize(1200, 1000);
        QApplication::processEvents();
        EXPECT_EQ(view.size(), QSize(1200, 1000));
        EXPECT_EQ(view.Panel1->geometry(), QRect(0, 980, 1200, 20));
        EXPECT_EQ(view.ScrollBox1->geometry(), QRect(0, 0, 1200, 980));
        EXPECT_EQ(view.TheImage->size(), size);
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&view, &escape);
        EXPECT_FALSE(view.isVisible());
    }
}
