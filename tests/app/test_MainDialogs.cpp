// The dialogs the main window opens, and the settings it takes from them.
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>
#include <optional>

#include "AppSupport.h"
#include "app/MainWin.h"
#include "app/TrayMenu.h"
#include "config/APageControl.h"
#include "config/CapDef.h"
#include "settings/Configs.h"

namespace {

TCaptureDefaults* OpenDialog() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<TCaptureDefaults*>(w); d && d->isVisible()) return d;
    return nullptr;
}

class MainDialogs : public TMemoryDesktopTest {};

} // namespace

TEST_F(MainDialogs, ConfigureOpensOnceAndItsSettingsApplyAtOnce) {
    {
        TMainWin win;
        win.CaptureImage1Click();
        ASSERT_TRUE(win.CapScreen->isChecked());
        int dialogs = 0;
        QMetaObject::invokeMethod(
            &win,
            [&] {
                TCaptureDefaults* d = OpenDialog();
                ASSERT_NE(d, nullptr);
                EXPECT_EQ(d->MyPage->currentWidget(), d->CapSheet);
                win.ConfigButton->click(); // open already: nothing
                for (QWidget* w : QApplication::topLevelWidgets())
                    dialogs += qobject_cast<TCaptureDefaults*>(w) != nullptr;
                d->CapSheet->WhatToCap->setCurrentIndex(14);
                d->DoSheet->DefaultAction->setCurrentIndex(5);
                d->OkButton->click();
            },
            Qt::QueuedConnection);
        win.ConfigButton->click();
        EXPECT_EQ(dialogs, 1);
        EXPECT_FALSE(TCaptureDefaults::IsOpen());
        // The capture screen shows the new default at once, and the next
        // picture goes to the new action's screen.
        EXPECT_TRUE(win.CapShape->isChecked());
        EXPECT_EQ(win.ShapeBox->currentText(), "Star");
        win.CapScreen->click();
        win.DoItButton->click();
        EXPECT_EQ(win.Screen(), 4);
        EXPECT_EQ(win.DoItButton->text(), "Co&py");
    }
}

TEST_F(MainDialogs, OkWithTheSameDefaultKeepsTheItemTheUserChose) {
    {
        TMainWin win;
        win.CaptureImage1Click();
        ASSERT_TRUE(win.CapScreen->isChecked());
        for (QRadioButton* choice : {win.CapWindow, win.CapClient, win.CapArea, win.CapShape}) {
            choice->click();
            QMetaObject::invokeMethod(
                &win, [] { OpenDialog()->OkButton->click(); }, Qt::QueuedConnection);
            win.ConfigButton->click();
            EXPECT_TRUE(choice->isChecked()) << choice->objectName().toStdString();
            EXPECT_EQ(win.ShapeBox->isEnabled(), choice == win.CapShape);
        }
    }
}

TEST_F(MainDialogs, TrayAndEMailOpenTheirPages) {
    LoadConfigFrom(Config, "/nonexistent/SNAPRO.INI");
    std::vector<TBox> boxes;
    TServiceScope<TDisplay> display(std::make_unique<TMemoryDisplay>());
    TServiceScope<TUserDialogs> dialogs(std::make_unique<TScriptedDialogs>(&boxes));
    {
        TMainWin win;
        EXPECT_TRUE(win.Tray->Configure1->isEnabled());
        EXPECT_TRUE(win.Tray->About1->isEnabled());
        std::vector<QString> pages;
        auto answer = [&] {
            QMetaObject::invokeMethod(
                &win,
                [&] {
                    TCaptureDefaults* d = OpenDialog();
                    ASSERT_NE(d, nullptr);
                    pages.push_back(d->MyPage->currentWidget()->objectName());
                    d->CancelButton->click();
                },
                Qt::QueuedConnection);
        };
        answer();
        win.Tray->Configure1->trigger();
        answer();
        static_cast<TCaptureHost&>(win).Configure(cpEMail);
        EXPECT_EQ(pages, (std::vector<QString>{"CapSheet", "EMailSheet"}));
    }
}
