// The configuration dialog with answered boxes and colour dialogs: what it
// shows, what Ok takes over and what Cancel leaves alone.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShortcutEvent>
#include <QSlider>
#include <QTabBar>

#include "DialogsSupport.h"
#include "TestSupport.h"
#include "config/APageControl.h"
#include "config/CapDef.h"
#include "config/ShapeImage.h"
#include "hook/HookBlock.h"
#include "hook/HookMessages.h"
#include "settings/Paths.h"

namespace {

class CapDef : public DialogTest {
protected:
    TCaptureDefaults& Open(TConfigPage startPage = cpWhatCapture) {
        Dlg = std::make_unique<TCaptureDefaults>();
        Dlg->StartPage = startPage;
        Dlg->show();
        QApplication::processEvents();
        return *Dlg;
    }
    void Choose(int item) { Dlg->CapSheet->WhatToCap->setCurrentIndex(item); }
    void TearDown() override {
        Dlg.reset();
        DialogTest::TearDown();
    }
    std::unique_ptr<TCaptureDefaults> Dlg;
};

} // namespace

TEST_F(CapDef, PagesLimitsAndStartPage) {
    TCaptureDefaults& d = Open();
    EXPECT_EQ(d.windowTitle(), "Configuration");
    EXPECT_EQ(d.size(), QSize(248, 462));
    QStringList tabs;
    for (int i = 0; i < d.MyPage->count(); ++i) tabs << d.MyPage->tabText(i);
    EXPECT_EQ(tabs, QStringList({"&Hot Key", "&What Capture", "What &Do", "&E-Mail"}));
    for (auto [edit, max] : {std::pair{d.EMailSheet->SMTPHost, 50},
                             {d.EMailSheet->SMTPPort, 5},
                             {d.EMailSheet->EmailName, 50},
                             {d.EMailSheet->EmailAddress, 50},
                             {d.EMailSheet->EMailFile, 50},
                             {d.CapSheet->Vector, 3},
                             {d.CapSheet->VectorSize, 3},
                             {d.CapSheet->Angle, 3}})
        EXPECT_EQ(edit->maxLength(), max) << edit->objectName().toStdString();
    for (auto [bar, lo, hi] : {std::tuple{d.CapSheet->VectorBar, 1, 100},
                               {d.CapSheet->VectorSizeBar, 0, 100},
                               {d.CapSheet->AngleBar, 0, 360}}) {
        EXPECT_EQ(bar->minimum(), lo);
        EXPECT_EQ(bar->maximum(), hi);
    }
    EXPECT_EQ(d.CapSheet->WhatToCap->count(), 20);
    EXPECT_EQ(d.CapSheet->WhatToCap->itemText(19), "Polygon 5");
    EXPECT_EQ(d.DoSheet->DefaultAction->itemText(6), "E-Mail The Image");
    EXPECT_EQ(d.DoSheet->DefaultAction->itemText(7), "Save As PNG");
    EXPECT_EQ(d.EMailSheet->Encoding->itemText(1), "UUEncode");
    EXPECT_EQ(d.HotSheet->HotKeyList->count(), 238);
    EXPECT_TRUE(d.OkButton->isDefault());
    d.close();
    for (auto [page, sheet] : {std::pair{cpEMail, "EMailSheet"},
                               {cpHotKey, "HotSheet"},
                               {cpWhatCapture, "CapSheet"},
                               {cpDefaultAction, "DoSheet"},
                               {TConfigPage(9), "CapSheet"}}) {
        TCaptureDefaults& e = Open(page);
        EXPECT_EQ(e.MyPage->currentWidget()->objectName(), sheet) << "StartPage " << page;
    }
}

TEST(APageControl, MnemonicsTakeTheFirstVisiblePageWhileEnabled) {
    TAPageControl pages;
    for (const char* caption : {"&Alpha", "&Also", "&Beta", "Gamma"})
        pages.addTab(new QWidget, caption);
    auto alt = [](Qt::Key k) { return QKeySequence(Qt::ALT | k); };
    struct TCase {
        Qt::Key Key;
        bool HideAlpha, Enabled;
        int Page; // -1: not taken
    };
    const TCase cases[] = {{Qt::Key_A, false, true, 0},
                           {Qt::Key_A, true, true, 1},
                           {Qt::Key_B, false, true, 2},
                           {Qt::Key_G, false, true, -1},
                           {Qt::Key_B, false, false, -1}};
    for (const TCase& c : cases) {
        pages.setCurrentIndex(3);
        pages.setTabVisible(0, !c.HideAlpha);
        pages.setEnabled(c.Enabled);
        EXPECT_EQ(pages.DialogChar(alt(c.Key)), c.Page >= 0);
        EXPECT_EQ(pages.currentIndex(), c.Page >= 0 ? c.Page : 3);
    }
    // The tab bar's own shortcut goes through the same rule: first page wins.
    pages.setEnabled(true);
    pages.setTabVisible(0, true);
    pages.setCurrentIndex(3);
    QShortcutEvent ev(alt(Qt::Key_A), 0, true);
    QApplication::sendEvent(pages.tabBar(), &ev);
    EXPECT_EQ(pages.currentIndex(), 0);
}

TEST_F(CapDef, PortIsCheckedBeforeAnythingIsTaken) {
    for (auto [text, valid] : {std::pair{" 25 ", true},
                               {"25a", false},
                               {"-1", false},
                               {"", false},
                               {"2525", true},
                               {"0", false},
                               {"65535", true},
                               {"65536", false},
                               {"99999", false}}) {
        LoadConfigFrom(Config, "/nonexistent/SNAPRO.INI");
        Dialogs->Boxes.clear();
        TCaptureDefaults& d = Open();
        d.EMailSheet->SMTPHost->setText("  mail.example.org ");
        d.EMailSheet->SMTPPort->setText(text);
        d.OkButton->click();
        if (valid) {
            EXPECT_EQ(d.result(), QDialog::Accepted) << text;
            EXPECT_EQ(Config.SMTPPort, QString(text).trimmed().toInt());
            EXPECT_EQ(Config.SMTPHost, "mail.example.org");
            EXPECT_TRUE(Dialogs->Boxes.empty());
            continue;
        }
        ASSERT_EQ(Dialogs->Boxes.size(), 1u) << text;
        EXPECT_EQ(Dialogs->Boxes[0].Text,
                  "Invalid port specified.  Normal port number for e-mail is 25.");
        EXPECT_EQ(Dialogs->Boxes[0].Title, "Error");
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(d.MyPage->currentWidget(), d.EMailSheet);
        EXPECT_EQ(d.focusWidget(), d.EMailSheet->SMTPPort);
        EXPECT_EQ(Config.SMTPHost, "") << "nothing taken over";
        EXPECT_EQ(Config.SMTPPort, 25);
    }
}

TEST_F(CapDef, GeometryEditsTakeOnlyValuesInRange) {
    TCaptureDefaults& d = Open();
    Choose(17); // Polygon 3: angle 234
    ASSERT_TRUE(d.CapSheet->Angle->isVisible());
    // Text as typed, and the angle that bar, preview and setting then hold.
    for (auto [text, angle] : {std::pair{"400", 234},
                               {"", 234},
                               {"x9", 234},
                               {"300", 300},
                               {" 45 ", 45},
                               {"12a", 12},
                               {"360", 360},
                               {"300", 300}}) {
        d.CapSheet->Angle->setText(text);
        EXPECT_EQ(d.CapSheet->AngleBar->value(), angle) << text;
        EXPECT_EQ(d.CapSheet->Work().Poly3Angle, angle) << text;
        EXPECT_EQ(d.CapSheet->Preview->Props().Angle, angle % 360) << text;
        if (angle == 234) {
            EXPECT_EQ(d.CapSheet->Angle->text(), text) << "an ignored text stays";
        }
    }
    d.CapSheet->VectorBar->setValue(7); // the bar writes its edit
    EXPECT_EQ(d.CapSheet->Vector->text(), "7");
    EXPECT_EQ(d.CapSheet->Preview->Props().Vectors, 7);
    EXPECT_EQ(Config.Poly3Angle, 234) << "untouched until Ok";
    d.OkButton->click();
    EXPECT_EQ(Config.Poly3Angle, 300);
    EXPECT_EQ(Config.Poly3Vector, 7);
    EXPECT_NE(ReadFile(IniFilePath()).find("Poly3 Angle=300\n"), std::string::npos);
}

TEST_F(CapDef, AnEditShowsTheValueInForceWhenItLosesTheFocus) {
    TCaptureDefaults& d = Open();
    Choose(17); // Polygon 3: 5 vectors of size 38, angle 234
    QApplication::setActiveWindow(&d);
    auto type = [](QWidget* edit, const QString& keys) {
        for (QChar ch : keys) {
            const int key = ch == '\b' ? int(Qt::Key_Backspace) : ch.toUpper().unicode();
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, ch == '\b' ? QString() : ch);
            QApplication::sendEvent(edit, &press);
        }
    };
    struct {
        QLineEdit* Edit;
        const char* Keys; // after selecting the whole text
        QSlider* Bar;
        int32_t ConfigRec::*Field;
        int Want;
    } const cases[] = {
        {d.CapSheet->Angle, "400", d.CapSheet->AngleBar, &ConfigRec::Poly3Angle, 40},
        {d.CapSheet->Angle, "\b", d.CapSheet->AngleBar, &ConfigRec::Poly3Angle, 40},
        {d.CapSheet->Vector, "0", d.CapSheet->VectorBar, &ConfigRec::Poly3Vector, 5},
        {d.CapSheet->VectorSize, "7x", d.CapSheet->VectorSizeBar, &ConfigRec::Poly3VectorSize, 7},
    };
    for (const auto& c : cases) {
        c.Edit->setFocus();
        QApplication::processEvents();
        c.Edit->selectAll();
        type(c.Edit, c.Keys);
        d.CapSheet->WhatToCap->setFocus(); // the edit loses the focus
        QApplication::processEvents();
        EXPECT_EQ(c.Edit->text().toStdString(), std::to_string(c.Want)) << c.Keys;
        EXPECT_EQ(c.Bar->value(), c.Want) << c.Keys;
        EXPECT_EQ(d.CapSheet->Work().*c.Field, c.Want) << c.Keys;
    }
}

TEST_F(CapDef, EachItemKeepsItsOwnValues) {
    TCaptureDefaults& d = Open();
    Choose(15); // Polygon 1: 12, 48, 198
    d.CapSheet->Vector->setText("20");
    Choose(14); // Star: 10, 56, no angle
    EXPECT_EQ(d.CapSheet->Vector->text(), "10");
    EXPECT_EQ(d.CapSheet->VectorSizeBar->value(), 56);
    EXPECT_FALSE(d.CapSheet->AngleBar->isVisible());
    EXPECT_FALSE(d.CapSheet->AngleBar->isEnabled());
    d.CapSheet->VectorSize->setText("70");
    Choose(15);
    EXPECT_EQ(d.CapSheet->Vector->text(), "20");
    EXPECT_EQ(d.CapSheet->VectorSizeBar->value(), 48);
    EXPECT_EQ(d.CapSheet->AngleBar->value(), 198);
    Choose(14);
    EXPECT_EQ(d.CapSheet->VectorSize->text(), "70");
    d.OkButton->click();
    EXPECT_EQ((std::vector{Config.Poly1Vector, Config.Poly1VectorSize, Config.StarVector,
                           Config.StarVectorSize}),
              (std::vector{20, 48, 10, 70}));
}

TEST_F(CapDef, ControlsAndPreviewFollowTheItem) {
    TCaptureDefaults& d = Open();
    struct TCase {
        int Item;
        bool Colours, Vectors, Angle, Wide;
        TMyShapeType Shape;
    };
    const TCase cases[] = {
        {0, false, false, false, true, shRectangle}, {3, false, false, false, true, shRectangle},
        {4, true, false, false, true, shRoundRect},  {5, false, false, false, false, shSquare},
        {7, true, false, false, true, shEllipse},    {8, true, false, false, false, shCircle},
        {13, true, false, false, false, shDiamond},  {14, true, true, false, false, shStar},
        {19, true, true, true, false, shPolyGon},
    };
    for (const TCase& c : cases) {
        Choose(c.Item);
        EXPECT_EQ(d.CapSheet->ColorShape->isVisible(), c.Colours) << c.Item;
        EXPECT_EQ(d.CapSheet->MaskColor->isEnabled(), c.Colours) << c.Item;
        EXPECT_EQ(d.CapSheet->Border->isVisible(), c.Colours) << c.Item;
        EXPECT_EQ(d.CapSheet->VectorBar->isVisible(), c.Vectors) << c.Item;
        EXPECT_EQ(d.CapSheet->AngleBar->isVisible(), c.Angle) << c.Item;
        EXPECT_EQ(d.CapSheet->Preview->width(), c.Wide ? 128 : 96) << c.Item;
        EXPECT_EQ(d.CapSheet->Preview->Props().Shape, c.Shape) << c.Item;
    }
    Choose(5); // Square: a shape without settings
    d.OkButton->click();
    EXPECT_EQ(Config.WhatToCap, 4);
    EXPECT_EQ(Config.Shape, 5);
    TCaptureDefaults& again = Open();
    EXPECT_EQ(again.CapSheet->WhatToCap->currentIndex(), 5);
    Choose(7);
    Choose(1); // Window after a shape: the shape setting stays
    again.OkButton->click();
    EXPECT_EQ(Config.WhatToCap, 1);
    EXPECT_EQ(Config.Shape, 5);
    // It opens on the stored item in that item's frame, odd stored values too.
    for (auto [whatToCap, shape, item, wide] : {std::tuple{2, 8, 2, true},
                                                {4, 7, 7, true},
                                                {4, 8, 8, false},
                                                {4, 3, 3, true},
                                                {9, 4, 4, true}}) {
        Config.WhatToCap = whatToCap;
        Config.Shape = shape;
        TCaptureDefaults& opened = Open();
        EXPECT_EQ(opened.CapSheet->WhatToCap->currentIndex(), item) << whatToCap << " " << shape;
        EXPECT_EQ(opened.CapSheet->Preview->width(), wide ? 128 : 96) << whatToCap << " " << shape;
    }
}

TEST_F(CapDef, ColoursAndBorderOnlyReachConfigOnOk) {
    for (bool ok : {false, true}) {
        LoadConfigFrom(Config, "/nonexistent/SNAPRO.INI");
        TCaptureDefaults& d = Open();
        Choose(7); // Ellipse: white mask, black border
        Dialogs->Offered.clear();
        Dialogs->Answer = QColor(255, 0, 0);
        d.CapSheet->MaskColor->click();
        Dialogs->Answer = QColor(0, 0, 255);
        d.CapSheet->BorderColor->click();
        Dialogs->Answer.reset(); // a cancelled colour dialog changes nothing
        d.CapSheet->MaskColor->click();
        EXPECT_EQ(Dialogs->Offered, (std::vector<QColor>{Qt::white, Qt::black, QColor(255, 0, 0)}));
        EXPECT_EQ(d.CapSheet->ColorShape->Fill(), QColor(255, 0, 0));
        EXPECT_EQ(d.CapSheet->Preview->Props().BColor, qRgb(255, 0, 0));
        EXPECT_EQ(d.CapSheet->Preview->Props().PColor, qRgb(0, 0, 255));
        d.CapSheet->Border->click();
        EXPECT_FALSE(d.CapSheet->BorderColor->isVisible());
        EXPECT_EQ(d.CapSheet->Preview->Props().PStyle, Qt::DotLine);
        (ok ? d.OkButton : d.CancelButton)->click();
        EXPECT_FALSE(d.isVisible());
        EXPECT_EQ(Config.EllipseShapeColor, ok ? 0x0000FF : 0xFFFFFF) << "red is the low byte";
        EXPECT_EQ(Config.EllipseBorderColor, ok ? 0xFF0000 : 0);
        EXPECT_EQ(Config.EllipseUseBorder, !ok);
        EXPECT_EQ(Config.CircleShapeColor, 0xFFFFFF);
    }
}

TEST_F(CapDef, StoredValuesOutsideTheListsSelectNothing) {
    Config.AttachmentEncoding = 7;
    Config.CaptureKey = 300;
    Config.Action = 9;
    Config.WhatToCap = 4;
    Config.Shape = 25;
    TCaptureDefaults& d = Open();
    EXPECT_EQ(d.EMailSheet->Encoding->currentIndex(), -1);
    EXPECT_EQ(d.HotSheet->HotKeyList->currentRow(), -1);
    EXPECT_EQ(d.HotSheet->HotKeyEntry->text(), "");
    EXPECT_EQ(d.DoSheet->DefaultAction->currentIndex(), -1);
    EXPECT_EQ(d.CapSheet->WhatToCap->currentIndex(), -1);
    EXPECT_FALSE(d.CapSheet->ColorShape->isVisible()) << "no item, nothing to colour";
    d.OkButton->click();
    EXPECT_EQ(Config.AttachmentEncoding, 0);
    EXPECT_EQ(Config.CaptureKey, 300) << "kept rather than -1";
    EXPECT_EQ(Config.Action, 9);
    EXPECT_EQ(Config.Shape, 25);
    EXPECT_EQ(std::count(HookBlock->HotKeyFlags, HookBlock->HotKeyFlags + HotKeyCount, 1), 0);
}

TEST_F(CapDef, HotKeyPageOpensOnTheStoredKey) {
    TCaptureDefaults& d = Open(cpHotKey);
    EXPECT_EQ(d.HotSheet->HotKeyEntry->text(), "F11");
    EXPECT_EQ(d.HotSheet->HotKeyList->currentRow(), 44);
    EXPECT_TRUE(d.HotSheet->HotKeyEntry->isReadOnly());
    EXPECT_EQ(d.HotSheet->HotKeyState->text(), "");
}

TEST_F(CapDef, KeyReportsOnlyWhileTheEntryHasTheFocus) {
    InitHookBlock(0x99, 44);
    InstallHooks();
    const std::vector<uint8_t> flags(HookBlock->HotKeyFlags, HookBlock->HotKeyFlags + HotKeyCount);
    TCaptureDefaults& d = Open(cpHotKey);
    QApplication::setActiveWindow(&d);
    d.HotSheet->HotKeyEntry->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(HookBlock->KeyReportWindow, d.HotSheet->Handle());
    EXPECT_EQ(HookBlock->KeyReportSwitch, 1);
    auto press = [&](int index) {
        const bool posted = Hook->Press(index);
        QApplication::processEvents();
        return posted;
    };
    for (auto [index, name, row] : {std::tuple{82, "Ctrl+Alt+A", 82},
                                    {238, "Ctrl+Alt+A", 82},
                                    {-1, "Ctrl+Alt+A", 82},
                                    {237, "Win+Alt+F12", 237}}) {
        press(index);
        EXPECT_EQ(d.HotSheet->HotKeyEntry->text(), name) << index;
        EXPECT_EQ(d.HotSheet->HotKeyList->currentRow(), row) << index;
    }
    // The dialog ignores what the hook should not have sent it.
    PostMessage(d.HotSheet->Handle(), hmKeyReport, 238, 0);
    PostMessage(d.HotSheet->Handle(), hmKeyReport, -1, 0);
    QApplication::processEvents();
    EXPECT_EQ(d.HotSheet->HotKeyList->currentRow(), 237);
    d.HotSheet->HotKeyList->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(HookBlock->KeyReportSwitch, 0);
    EXPECT_FALSE(press(83)) << "no report outside the entry";
    EXPECT_EQ(d.HotSheet->HotKeyEntry->text(), "Win+Alt+F12");
    // Escape with the focus back in the entry: the reports stop all the same.
    d.HotSheet->HotKeyEntry->setFocus();
    QApplication::processEvents();
    ASSERT_EQ(HookBlock->KeyReportSwitch, 1);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(d.HotSheet->HotKeyEntry, &escape);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(HookBlock->KeyReportSwitch, 0);
    EXPECT_FALSE(Hook->ReportsOn);
    EXPECT_EQ(Config.CaptureKey, 44);
    EXPECT_EQ(std::vector<uint8_t>(HookBlock->HotKeyFlags, HookBlock->HotKeyFlags + HotKeyCount),
              flags);
}

TEST_F(CapDef, AKeyHeldByAnotherProgramIsSaidSo) {
    Hook->Held[43] = true; // F10
    TCaptureDefaults& d = Open(cpHotKey);
    EXPECT_EQ(d.HotSheet->HotKeyState->text(), "");
    d.HotSheet->HotKeyList->setCurrentRow(43);
    EXPECT_EQ(d.HotSheet->HotKeyState->text(),
              "F10 is in use by another program; Snaprio 2000 will take it "
              "as soon as it is free.");
    d.HotSheet->HotKeyList->setCurrentRow(42);
    EXPECT_EQ(d.HotSheet->HotKeyState->text(), "");
    Config.CaptureKey = 43; // the stored key itself
    EXPECT_NE(Open(cpHotKey).HotSheet->HotKeyState->text(), "");
}

TEST_F(CapDef, OkMovesTheHotKeyAtOnce) {
    InitHookBlock(0x99, 44);
    TCaptureDefaults& d = Open(cpHotKey);
    d.HotSheet->HotKeyList->setCurrentRow(42);
    EXPECT_EQ(d.HotSheet->HotKeyEntry->text(), "F9");
    d.OkButton->click();
    EXPECT_EQ(Config.CaptureKey, 42);
    EXPECT_EQ(HookBlock->HotKeyFlags[42], 1);
    EXPECT_EQ(HookBlock->HotKeyFlags[44], 0) << "F11 goes back to the other programs";
    EXPECT_NE(ReadFile(IniFilePath()).find("Capture Key=42\n"), std::string::npos);
}

TEST_F(CapDef, OpenerRefusesASecondDialog) {
    bool inner = true;
    QMetaObject::invokeMethod(
        qApp,
        [&] {
            EXPECT_TRUE(TCaptureDefaults::IsOpen());
            inner = OpenCaptureDefaults(nullptr, cpHotKey);
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<TCaptureDefaults*>(w); d && d->isVisible()) {
                    EXPECT_EQ(d->MyPage->currentWidget(), d->EMailSheet);
                    d->CancelButton->click();
                }
        },
        Qt::QueuedConnection);
    EXPECT_FALSE(OpenCaptureDefaults(nullptr, cpEMail));
    EXPECT_FALSE(inner);
    EXPECT_FALSE(TCaptureDefaults::IsOpen());
}
