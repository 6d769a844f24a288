// The first-use notice and the about box.
#include <QApplication>
#include <QLabel>
#include <QPushButton>

#include "DialogsSupport.h"
#include "config/AboutBox.h"
#include "config/CapDef.h"
#include "config/Notice.h"

using Notices = DialogTest;

TEST_F(Notices, FirstUseNoticeTexts) {
    TMyNotice n;
    n.NoticeKind = nkFirstUse;
    EXPECT_EQ(n.HeaderLabel->text(), "NOTICE");
    n.show();
    QApplication::processEvents();
    EXPECT_EQ(n.windowTitle(), "Snaprio 2000");
    EXPECT_EQ(n.size(), QSize(375, 268));
    EXPECT_EQ(n.HeaderLabel->text(), "First Use Notice");
    EXPECT_EQ(n.ContentLabel->text(),
              "This appears to be the first time you are running Snaprio 2000. After closing this "
              "notice, we will automatically take you to the configuration section of Snaprio "
              "2000 where you can choose a hot key for starting a screen capture and set other "
              "default capturing options. Snaprio 2000 is accessed via the hot key and an icon in "
              "the system tray.");
    for (auto [w, r] : {std::pair<QWidget*, QRect>{n.HeaderLabel, {35, 5, 296, 26}},
                        {n.ContentLabel, {15, 48, 346, 165}},
                        {n.CloseButton, {143, 227, 97, 33}}})
        EXPECT_EQ(w->geometry(), r) << w->objectName().toStdString();
    EXPECT_EQ(n.CloseButton->text(), "&Ok");
    // The text fits its label at the given font: nothing is cut off.
    EXPECT_LE(n.ContentLabel->heightForWidth(346), 165);
    n.CloseButton->click();
    EXPECT_EQ(n.result(), QDialog::Accepted);
}

TEST_F(Notices, WhereTheDesktopBindsTheKeyTheNoticeSaysHowAndGrowsToHoldIt) {
    TMyNotice n;
    n.NoticeKind = nkFirstUse;
    n.KeyBinding = "In this sway session the hot key is sway's: add this line to "
                   "~/.config/sway/config and reload sway:\nbindsym F11 exec snaprio --show";
    n.show();
    QApplication::processEvents();
    EXPECT_TRUE(n.ContentLabel->text().endsWith("the system tray.\n\n" + n.KeyBinding));
    EXPECT_LE(n.ContentLabel->heightForWidth(346), n.ContentLabel->height()) << "nothing cut off";
    EXPECT_GT(n.height(), 268);
    EXPECT_EQ(n.CloseButton->y(), n.ContentLabel->geometry().bottom() + 15);
    EXPECT_EQ(n.height(), n.CloseButton->geometry().bottom() + 9);
    EXPECT_EQ(n.Bevel1->geometry().bottom(), n.ContentLabel->geometry().bottom() + 4);
}

TEST_F(Notices, OneAboutBoxAtATime) {
    Q_INIT_RESOURCE(snaprio);
    int inner = -1;
    QMetaObject::invokeMethod(
        qApp,
        [&] {
            EXPECT_TRUE(TAboutBox::IsOpen());
            inner = OpenAboutBox(nullptr); // a second About does nothing
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<TAboutBox*>(w); box && box->isVisible()) {
                    EXPECT_EQ(box->windowTitle(), "About");
                    EXPECT_EQ(box->size(), QSize(298, 210));
                    EXPECT_EQ(box->ProductName->text(), "Snaprio 2000");
                    EXPECT_EQ(box->Version->text(), "Version 1.0b");
                    EXPECT_FALSE(box->CopyYear->text().isEmpty());
                    EXPECT_FALSE(box->ProgramIcon->pixmap().isNull()) << "the artwork is there";
                    box->Button1->click();
                }
        },
        Qt::QueuedConnection);
    EXPECT_TRUE(OpenAboutBox(nullptr));
    EXPECT_EQ(inner, 0);
    EXPECT_FALSE(TAboutBox::IsOpen());
}
