// The capture driver of the main window, with an in-memory display and
// recorded message boxes.
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>

#include "AppSupport.h"
#include "TestSupport.h"
#include "app/MainWin.h"
#include "app/Pause.h"
#include "app/SettingsBox.h"
#include "app/Thumbnail.h"
#include "hook/HookBlock.h"
#include "hook/HookMessages.h"
#include "imaging/qt/jpeg.h"
#include "settings/Configs.h"

namespace {

class TTestMainWin : public TMainWin {
public:
    int Selections = 0;
    bool RealSelection = false; // on the in-memory display

protected:
    void StartSelection() override {
        ++Selections;
        if (RealSelection) TMainWin::StartSelection();
    }
};

class MainWin : public testing::Test {
protected:
    void SetUp() override {
        LoadConfigFrom(Config, "/nonexistent/SNAPRO.INI");
        DisplayScope.emplace(std::make_unique<TMemoryDisplay>());
        DialogsScope.emplace(std::make_unique<TScriptedDialogs>(&Boxes));
        Win = std::make_unique<TTestMainWin>();
        Win->PauseClock = [t = 0.0]() mutable { return t += 0.1; };
    }
    void TearDown() override {
        Win.reset();
        DisplayScope.reset();
        DialogsScope.reset();
    }
    void HotKey(int index) {
        PostMessage(Win->Handle(), WM_USER + 2, index, 0);
        QApplication::processEvents();
    }
    TMemoryDisplay& Fake() { return static_cast<TMemoryDisplay&>(TheDisplay()); }
    std::vector<TBox> Boxes;
    std::unique_ptr<TTestMainWin> Win;
    std::optional<TServiceScope<TDisplay>> DisplayScope;
    std::optional<TServiceScope<TUserDialogs>> DialogsScope;
};

} // namespace

TEST_F(MainWin, ControlsHaveTheirNamesCaptionsAndPlaces) {
    EXPECT_EQ(Win->windowTitle(), "Snaprio 2000");
    EXPECT_EQ(Win->size(), QSize(480, 231));
    const std::pair<const char*, QString> captions[] = {
        {"CapScreen", "Capture &Screen"},
        {"CapWindow", "Capture &Window"},
        {"CapClient", "Capture Wi&ndow Client Area"},
        {"CapArea", "Capture &Rectangular Area"},
        {"CapShape", "Capture S&haped Area"},
        {"SaveBit", "Save As &Bitmap"},
        {"SaveGIF", "Save As &GIF"},
        {"SaveJPEG", "Save As &JPEG"},
        {"SavePNG", "Save As P&NG"},
        {"PrintPixel", "Print Using Pi&xel Size"},
        {"PrintFilled", "Print &Filling Page"},
        {"CopyClip", "Copy &To Clipboard"},
        {"EMailIt", "E-&Mail Image"}};
    for (auto [name, caption] : captions) {
        auto* r = Win->findChild<QRadioButton*>(name);
        ASSERT_NE(r, nullptr) << name;
        EXPECT_EQ(r->text(), caption);
    }
    EXPECT_EQ(Win->findChild<QPushButton*>("DoItButton")->geometry(), QRect(392, 56, 65, 25));
    EXPECT_EQ(Win->findChild<QPushButton*>("ConfigButton")->text(), "C&onfigure");
    EXPECT_EQ(Win->findChild<QLabel*>("ThumbImage")->size(), QSize(133, 125));
    EXPECT_EQ(Win->findChild<QWidget*>("MainPanel")->geometry(), QRect(8, 70, 469, 159));
    EXPECT_EQ(Win->findChild<QWidget*>("Banner")->geometry(), QRect(8, 4, 468, 60));
    EXPECT_TRUE(Win->DoItButton->isDefault());
    EXPECT_FALSE(AppCursor(5).pixmap().isNull())
        << "the creation handler registers cursors 5 and 6";
    EXPECT_FALSE(AppCursor(6).pixmap().isNull());
}

TEST_F(MainWin, HotKeyOpensTheCaptureScreenWithTheSetting) {
    Config.WhatToCap = 2;
    HotKey(44);
    EXPECT_TRUE(Win->isVisible());
    EXPECT_TRUE(Win->CaptureInProgress);
    EXPECT_EQ(Win->Screen(), 1);
    EXPECT_TRUE(Win->CapClient->isChecked());
    EXPECT_EQ(Win->DoItButton->text(), "&Capture");
    EXPECT_EQ(Win->AbortButton->text(), "&Abort");
    EXPECT_FALSE(Win->ShapeBox->isEnabled());
    EXPECT_EQ(Win->ShapeBox->count(), 17);
    EXPECT_EQ(Win->ShapeBox->itemText(0), "Rectangle");
    EXPECT_EQ(Win->ShapeBox->itemText(16), "Polygon 5");
    EXPECT_FALSE(Win->SavePrintPanel->isVisible());
    EXPECT_TRUE(Boxes.empty());
}

TEST_F(MainWin, AStaleHotKeyChangesNothing) {
    HotKey(45);
    EXPECT_FALSE(Win->isVisible());
    EXPECT_FALSE(Win->CaptureInProgress);
    EXPECT_TRUE(Boxes.empty());
}

TEST_F(MainWin, ARequestDuringACycleOnlyWarns) {
    HotKey(44);
    Win->CapWindow->setChecked(true);
    Win->CaptureImage1Click();
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text,
              "A capture is already in progress.  You must either abort or complete the current "
              "capture first.");
    EXPECT_EQ(Boxes[0].Title, "Warning");
    EXPECT_TRUE(Win->CapWindow->isChecked()) << "the open cycle goes on unchanged";
    EXPECT_TRUE(Win->CaptureInProgress);
}

TEST_F(MainWin, ScreenWindowAndClientCapturesReachTheDeliveryScreen) {
    const std::pair<QRadioButton * TMainWin::*, TRect> cases[] = {
        {&TMainWin::CapScreen, {0, 0, 640, 480}},
        {&TMainWin::CapWindow, Fake().Window},
        {&TMainWin::CapClient, Fake().Client}};
    for (auto [radio, rect] : cases) {
        Win->CaptureImage1Click();
        (Win.get()->*radio)->setChecked(true);
        Win->DoItButton->click();
        EXPECT_TRUE(Win->isVisible());
        EXPECT_EQ(Win->Screen(), 3);
        EXPECT_EQ(Win->DoItButton->text(), "&Save");
        EXPECT_TRUE(Win->SaveBit->isChecked());
        EXPECT_EQ(Win->Picture(), Fake().Grab(rect));
        EXPECT_FALSE(Win->ThumbImage->pixmap().isNull());
        Win->AbortButton->click();
        EXPECT_FALSE(Win->isVisible());
        EXPECT_FALSE(Win->CaptureInProgress);
        EXPECT_EQ(Win->Picture(), Fake().Grab(rect)) << "the picture stays";
    }
}

TEST_F(MainWin, ShapesStartTheSelectionAndNoShapeMeansRectangle) {
    Config.WhatToCap = 4;
    Config.Shape = 0;
    Win->CaptureImage1Click();
    EXPECT_TRUE(Win->CapShape->isChecked());
    EXPECT_TRUE(Win->ShapeBox->isEnabled());
    EXPECT_EQ(Win->ShapeBox->currentIndex(), -1);
    Win->DoItButton->click();
    EXPECT_EQ(Win->CaptureItem, 3);
    EXPECT_EQ(Win->Selections, 1);
    Config.Shape = 7;
    Win->SetScreen(1);
    EXPECT_EQ(Win->ShapeBox->currentText(), "Ellipse");
    Win->DoItButton->click();
    EXPECT_EQ(Win->CaptureItem, 7);
}

TEST_F(MainWin, TheActionSettingChoosesTheDeliveryScreen) {
    const std::tuple<int, int, QString, QRadioButton * TMainWin::*> cases[] = {
        {1, 3, "&Save", &TMainWin::SaveGIF},      {3, 2, "&Print", &TMainWin::PrintPixel},
        {4, 2, "&Print", &TMainWin::PrintFilled}, {5, 4, "Co&py", &TMainWin::CopyClip},
        {6, 5, "&EMail It", &TMainWin::EMailIt},  {7, 3, "&Save", &TMainWin::SavePNG},
        {9, 3, "&Save", &TMainWin::SavePNG}};
    for (auto [action, screen, caption, radio] : cases) {
        Config.Action = action;
        Win->CaptureImage1Click();
        Win->DoItButton->click();
        EXPECT_EQ(Win->Screen(), screen) << action;
        EXPECT_EQ(Win->DoItButton->text(), caption) << action;
        EXPECT_TRUE((Win.get()->*radio)->isChecked())
            << "action " << action << " (9 keeps the last radio)";
        Win->AbortButton->click();
    }
}

TEST_F(MainWin, AnEmptyPictureIsSaidNotDeliveredAndTheChoiceStays) {
    Fake().Client = {10, 10, 10, 60};
    Fake().Window = {};
    const std::tuple<QRadioButton * TMainWin::*, QString> cases[] = {
        {&TMainWin::CapClient, "Nothing was captured: the area has no size on the screen."},
        {&TMainWin::CapWindow, "Nothing was captured: there is no foreground window."}};
    for (auto [radio, text] : cases) {
        Boxes.clear();
        Win->CaptureImage1Click();
        (Win.get()->*radio)->setChecked(true); // "What To Cap" says Screen
        Win->DoItButton->click();
        ASSERT_EQ(Boxes.size(), 1u);
        EXPECT_EQ(Boxes[0].Title, "Warning");
        EXPECT_EQ(Boxes[0].Text, text);
        EXPECT_EQ(Win->Screen(), 1);
        EXPECT_TRUE((Win.get()->*radio)->isChecked()) << "the user's choice stays";
        EXPECT_TRUE(Win->Picture().isNull());
        EXPECT_TRUE(Win->CaptureInProgress);
        Win->AbortButton->click();
    }
    EXPECT_EQ(Fake().Notes, 2) << "each request remembers the window in front";

    // A selection that the display cannot begin says so, not that the area had no size.
    Fake().Drawable = false;
    Win->RealSelection = true;
    Boxes.clear();
    Win->CaptureImage1Click();
    Win->CapArea->setChecked(true);
    Win->DoItButton->click();
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text, "Nothing was captured: the display cannot be reached.");
    EXPECT_TRUE(Win->CapArea->isChecked());
    EXPECT_EQ(Win->Screen(), 1);
}

TEST_F(MainWin, EscapeAbortAndAnotherRequestEachEndTheSelection) {
    SharedHookBlock block{};
    HookBlock = &block;
    Win->RealSelection = true;
    Config.WhatToCap = 0;
    const QImage before = Fake().Screen;
    enum { Escape, Abort, HotKeyAgain };
    for (int way : {Escape, Abort, HotKeyAgain}) {
        Boxes.clear();
        Win->CaptureImage1Click();
        Win->CapArea->setChecked(true);
        Win->DoItButton->click();
        ASSERT_TRUE(Win->Selection && Win->Selection->Active());
        EXPECT_FALSE(Win->isVisible());
        EXPECT_EQ(HookRead(block.Mode), HookModeSelect);
        if (way == Escape) PostMessage(Win->Handle(), hmCancel, 0, 0);
        if (way == Abort) Win->AbortButton->click();
        if (way == HotKeyAgain) PostMessage(Win->Handle(), hmHotKey, 44, 0);
        QApplication::processEvents();
        SCOPED_TRACE(way);
        EXPECT_FALSE(Win->Selection);
        EXPECT_EQ(Fake().Screen, before) << "prompt erased";
        EXPECT_EQ(HookRead(block.Mode), HookModeKeys);
        EXPECT_EQ(Win->isVisible(), way != Abort);
        EXPECT_EQ(Win->CaptureInProgress, way != Abort);
        EXPECT_EQ(Boxes.size(), way == HotKeyAgain ? 1u : 0u) << "the warning, over the window";
        if (way != Abort) {
            EXPECT_EQ(Win->Screen(), 1);
            EXPECT_TRUE(Win->CapArea->isChecked()) << "the choice stays";
            Win->AbortButton->click();
        }
    }
    EXPECT_EQ(Fake().Ended, 3);
    HookBlock = nullptr;
}

TEST_F(MainWin, EnterPressesTheDefaultButtonUnlessAnotherHasTheFocus) {
    Config.WhatToCap = 3;
    const std::tuple<const char*, bool> cases[] = {
        {"CapArea", true}, {"ShapeBox", true}, {"DoItButton", true}, {"AbortButton", false}};
    int selections = 0;
    for (auto [name, captures] : cases) {
        Win->CaptureImage1Click();
        Win->ShapeBox->setEnabled(true);
        QWidget* w = Win->findChild<QWidget*>(name);
        w->setFocus();
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(w, &enter);
        selections += captures;
        EXPECT_EQ(Win->Selections, selections) << w->objectName().toStdString();
        EXPECT_EQ(Win->CaptureInProgress, captures) << "Enter on \"&Abort\" aborts";
        Win->AbortButton->click();
    }
}

TEST_F(MainWin, ThePaletteOfJpegFilesFollowsTheScreen) {
    for (int depth : {8, 24}) {
        Win.reset();
        Fake().ScreenDepth = depth;
        JPEGScreenPaletted = depth == 24;
        Win = std::make_unique<TTestMainWin>();
        EXPECT_EQ(JPEGScreenPaletted, depth == 8) << depth;
    }
    JPEGScreenPaletted = false;
}

TEST(Thumbnail, SmallPicturesKeepTheirSizeLargeOnesTheirAspect) {
    QImage small(40, 30, QImage::Format_RGB32);
    small.fill(Qt::red);
    QImage t = DrawThumb(small, {133, 125}, Qt::gray);
    EXPECT_EQ(t.pixel(39, 29), qRgb(255, 0, 0));
    EXPECT_EQ(t.pixel(40, 29), QColor(Qt::gray).rgb());
    QImage wide(1330, 250, QImage::Format_RGB32);
    wide.fill(Qt::blue);
    t = DrawThumb(wide, {133, 125}, Qt::gray);
    EXPECT_EQ(t.pixel(132, 24), qRgb(0, 0, 255));
    EXPECT_EQ(t.pixel(132, 25), QColor(Qt::gray).rgb());
    t = DrawThumb(QImage(), {133, 125}, Qt::gray);
    EXPECT_EQ(t.pixel(0, 0), QColor(Qt::gray).rgb());
}

TEST(Pause, MidnightDoesNotMakeADayOfIt) {
    // The pause counts on a clock that only runs forward: whatever the time
    // of day does meanwhile (midnight, a clock set back an hour), 0.2 s of
    // that clock end it, and it reads nothing else.
    for (double start : {86399.9, 0.0, 1e9}) {
        double t = start;
        int calls = 0;
        PauseForNoSpeed(0.2, [&] {
            ++calls;
            return t += 0.125;
        });
        EXPECT_EQ(calls, 3) << start; // the start, then 0.125 and 0.25 later
    }
}

TEST_F(MainWin, AFailedSaveOfTheSettingsGetsABoxWhileAWindowIsUp) {
    // The settings file is a folder: the save fails with a window up (a box
    // with the reason) and hidden in the tray (stderr only), and when the
    // program ends.
    TTempDir dir;
    const std::string ini = dir.File("SNAPRO.INI");
    std::filesystem::create_directory(ini);
    const std::string kept = getenv("SNAPRIO_INI");
    setenv("SNAPRIO_INI", ini.c_str(), 1);
    ShowSettingsFailuresInBoxes();
    const QString text =
        "Cannot save the settings to " + QString::fromStdString(ini) + ": Is a directory";
    EXPECT_FALSE(SaveConfig());
    EXPECT_TRUE(Boxes.empty()) << "nothing is up";
    Win->show();
    Win->close();
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text, text);
    EXPECT_EQ(Boxes[0].Title, "Error");
    ConfigSaveFailed = nullptr;
    setenv("SNAPRIO_INI", kept.c_str(), 1);
}
