// The configuration dialog: one page each for the hot key, the default
// capture item with its shape settings, the default action and the e-mail
// settings. The pages edit copies; "&Ok" hands them to Config, which saves the
// settings file at once.
#pragma once

#include <QDialog>
#include <array>

#include "config/ActionPage.h"
#include "config/CapturePage.h"
#include "config/ConfigPage.h"
#include "config/HotKeyPage.h"
#include "config/MailPage.h"
#include "settings/Configs.h"

class QPushButton;
class TAPageControl;

class TCaptureDefaults : public QDialog {
    Q_OBJECT
public:
    explicit TCaptureDefaults(QWidget* parent = nullptr);

    // Set by the opener before showing.
    TConfigPage StartPage = cpWhatCapture;
    // Whether OpenCaptureDefaults shows one now: one is open at a time.
    static bool IsOpen() { return Opened; }

    // Controls, by their role names; the pages are the tabs' sheets.
    TAPageControl* MyPage;
    THotKeyPage* HotSheet;
    TCapturePage* CapSheet;
    TActionPage* DoSheet;
    TMailPage* EMailSheet;
    QPushButton *OkButton, *CancelButton;

    // The pages in the order of their tabs.
    std::array<TSettingsPage*, 4> Pages() const;

    void OkButtonClick();
    void CancelButtonClick();

protected:
    void showEvent(QShowEvent* e) override;
    void done(int result) override;

private:
    void FormShow();

    static inline bool Opened = false;
    friend bool OpenCaptureDefaults(QWidget* owner, TConfigPage startPage);
};

// Opens the dialog modally on StartPage, unless one is open already (then
// nothing happens and the result is false); true when the user pressed Ok.
bool OpenCaptureDefaults(QWidget* owner, TConfigPage startPage);
