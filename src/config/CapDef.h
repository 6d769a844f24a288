// The configuration dialog: one page each for the hot key, the default
// capture item with its shape settings, the default action and the e-mail
// settings. The pages edit copies; "&Ok" hands them to Config, which saves the
// settings file at once.
#pragma once

#include <QDialog>
#include <array>

#include "config/ActionPage.h"
#include "config/CapturePage.h"
#include "config/HotKeyPage.h"
#include "config/MailPage.h"
#include "settings/Configs.h"

class QPushButton;
class TAPageControl;

// Keep the configuration dialog and the about box from opening twice.
extern bool ConfigOpen;
extern bool AboutOpen;

// The start pages an opener names.
enum TConfigPage : int { cpEMail = 1, cpHotKey = 2, cpWhatCapture = 3 };

class TCaptureDefaults : public QDialog {
    Q_OBJECT
public:
    explicit TCaptureDefaults(QWidget* parent = nullptr);

    // Set by the opener before showing: 1 E-Mail, 2 Hot Key, else What Capture.
    int StartPage = cpWhatCapture;

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
};

// Opens the dialog modally on StartPage, unless one is open already (then
// nothing happens and the result is false); true when the user pressed Ok.
bool OpenCaptureDefaults(QWidget* owner, int startPage);
