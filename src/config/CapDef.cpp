#include "config/CapDef.h"

#include <QComboBox>
#include <QPushButton>
#include <QShowEvent>
#include <QTabBar>

#include "config/APageControl.h"
#include "config/DialogSupport.h"

TCaptureDefaults::TCaptureDefaults(QWidget* parent) : QDialog(parent) {
    setObjectName("CaptureDefaults");
    setWindowTitle("Configuration");
    SetFixedDialog(this, {248, 462});
    setFont(ArialFont(12));
    MyPage = Make<TAPageControl>(this, "MyPage", {4, 4, 240, 420});
    MyPage->tabBar()->setFont(ArialFont(11));
    HotSheet = new THotKeyPage;
    CapSheet = new TCapturePage;
    DoSheet = new TActionPage;
    EMailSheet = new TMailPage;
    MyPage->addTab(HotSheet, "&Hot Key");
    MyPage->addTab(CapSheet, "&What Capture");
    MyPage->addTab(DoSheet, "What &Do");
    MyPage->addTab(EMailSheet, "&E-Mail");
    // A change of the default action refreshes the capture page as a change
    // of the item does.
    connect(DoSheet->DefaultAction, &QComboBox::currentIndexChanged, CapSheet,
            &TCapturePage::WhatToCapChange);
    OkButton = Make<QPushButton>(this, "OkButton", {44, 430, 75, 25}, "&Ok");
    OkButton->setDefault(true);
    CancelButton = Make<QPushButton>(this, "CancelButton", {129, 430, 75, 25}, "&Cancel");
    connect(OkButton, &QPushButton::clicked, this, &TCaptureDefaults::OkButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TCaptureDefaults::CancelButtonClick);
}

std::array<TSettingsPage*, 4> TCaptureDefaults::Pages() const {
    return {HotSheet, CapSheet, DoSheet, EMailSheet};
}

void TCaptureDefaults::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (!e->spontaneous()) FormShow();
}

void TCaptureDefaults::FormShow() {
    CentreOnScreen(this);
    for (TSettingsPage* page : Pages()) page->Load(Config);
    // A page the dialog does not have opens What Capture.
    const auto pages = Pages();
    MyPage->setCurrentWidget(StartPage >= 0 && size_t(StartPage) < pages.size()
                                 ? pages[StartPage]
                                 : static_cast<TSettingsPage*>(CapSheet));
}

void TCaptureDefaults::OkButtonClick() {
    // Nothing is taken over while a page refuses its values.
    for (TSettingsPage* page : Pages()) {
        const auto fault = page->Check();
        if (!fault) continue;
        ShowPageFault(this, *fault);
        MyPage->setCurrentWidget(page);
        fault->Control->setFocus();
        return;
    }
    const ConfigRec before = Config;
    for (TSettingsPage* page : Pages()) page->Store(Config);
    for (TSettingsPage* page : Pages()) page->Apply(before, Config);
    SaveConfig();
    accept();
}

void TCaptureDefaults::CancelButtonClick() {
    reject();
}

void TCaptureDefaults::done(int result) {
    // However the dialog closes (buttons, Escape, the close box), the hook
    // must not go on reporting keys to a window that is gone.
    HotSheet->StopKeyReports();
    QDialog::done(result);
}

bool OpenCaptureDefaults(QWidget* owner, TConfigPage startPage) {
    if (TCaptureDefaults::Opened) return false;
    TCaptureDefaults::Opened = true;
    TCaptureDefaults dialog(owner);
    dialog.StartPage = startPage;
    const bool ok = dialog.exec() == QDialog::Accepted;
    TCaptureDefaults::Opened = false;
    return ok;
}
