// The main window: hidden while idle, brought forward for a capture cycle.
// Screen 1 chooses what to capture; screens 2 to 5 deliver the picture.
#pragma once

#include <QCursor>
#include <QImage>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

#include "app/Capture.h"
#include "app/CaptureHost.h"
#include "app/Delivery.h"
#include "app/Pause.h"
#include "app/Selection.h"
#include "platform/Display.h"
#include "platform/WinMessages.h"

class QComboBox;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QRadioButton;
class TTrayMenu;

// The main window's screens: what SetScreen shows.
enum TScreen : int { scCapture = 1, scPrint = 2, scSave = 3, scCopy = 4, scEMail = 5 };

// The host of the delivery and the tray: the dialogs it opens are its own.
class TMainWin : public QWidget, public TCaptureHost {
    Q_OBJECT
public:
    explicit TMainWin(QWidget* parent = nullptr);
    ~TMainWin() override;

    HWND Handle() const { return FHandle; }
    bool CaptureInProgress = false;
    int CaptureItem = 0;
    int Screen() const { return FScreen; }

    // The picture of the last capture or opened file (MyImage).
    const QImage& Picture() const { return FPicture; }

    // Size-text background strip of the selection.
    TTextSave TextSave;
    // The selection under way, if any.
    std::unique_ptr<TSelection> Selection;

    QTimer* HookTimer = nullptr;
    // TaskIcon1 and MyPopUp.
    TTrayMenu* Tray = nullptr;

    // Controls, by their role names.
    QWidget* Banner;
    QFrame* MainPanel;
    QFrame* CapturePanel;
    QFrame* SavePrintPanel;
    QRadioButton *CapScreen, *CapWindow, *CapClient, *CapArea, *CapShape;
    QLabel* ShapeLabel;
    QComboBox* ShapeBox;
    QRadioButton *SaveBit, *SaveGIF, *SaveJPEG, *SavePNG, *PrintPixel, *PrintFilled, *CopyClip,
        *EMailIt;
    QLabel* ThumbImage;
    QLabel* MyImage;
    QPushButton *ViewButton, *DoItButton, *AbortButton, *ConfigButton, *EditButton;
    QMenu* PictMenu; // the thumbnail's context menu
    // Saving, printing, copying, e-mail and opening files.
    TDelivery Delivery{this, this};

    // The clock of the pause before a grab; tests give their own.
    TMonotonicClock PauseClock;

    // The tray's "Capt&ure Image": a capture request without the key check.
    void CaptureImage1Click();
    // Brings the window to the front with the focus.
    void DoActivate();
    // 1 capture, 2 print, 3 save, 4 copy, 5 e-mail. KeepChoice: screen 1
    // within a cycle, with the capture item the user chose.
    void SetScreen(int screen, bool keepChoice = false);
    void DoItButtonClick();
    void AbortButtonClick();
    // Takes the capture of CaptureItem.
    void DoACapture();
    // The picture is taken: thumbnail, window back, delivery screen.
    void FinishCapture(const QImage& picture);
    // One delivery of the picture; "&Done" once it is done.
    void Deliver(TAction action);
    // The viewer with a copy of the picture.
    void ViewButtonClick();
    // The editor over the picture; after Ok the edited picture is the one
    // delivered, and the thumbnail shows it.
    void EditButtonClick();
    // "&Open Image": a picture file delivered as if it had been captured.
    void PopViewClick();

    // The host's requests: a capture request without the key check, the
    // open image, the program's end.
    void CaptureImage() override;
    void OpenImage() override;
    void Terminate() override;

    // The dialogs the main window opens (MainDialogs.cpp). Each does nothing
    // while the same dialog is open.
    // "C&onfigure": the configuration dialog on the What Capture page.
    void ConfigButtonClick();
    // The configuration dialog on StartPage; the new settings apply at once.
    void Configure(TConfigPage startPage) override;
    void About() override;
    // The send-image dialog; a message sent is told by the tray.
    bool SendImage(QImage& picture) override;
    // A first start: the first-use notice, then the dialog on the Hot Key page.
    void FirstUse();
    // The program is ending while dialogs are open (Terminate from the tray
    // during one): each closes as its Cancel closes it, so that what it keeps
    // on closing is in the settings saved next. False while one is still
    // finishing its work (a send being cancelled); the window is closed
    // again a moment later.
    bool CloseDialogs();

protected:
    bool event(QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

    // One posted message from the input hook or the tray.
    virtual void WinMessage(const TMessage& m);
    // Items ciRectangle to ciLast: the mouse selection on the screen.
    virtual void StartSelection();

private:
    void BuildControls();
    void FormCreate();
    void FormShow();
    void FormClose();
    void HookTimerTimer();
    void CaptureRequest(bool checkKey, int key);
    void ApplyShapeRule();
    void SelectConfiguredShape();
    void DrawThumb();
    // Says why, in the display's sentence where it has one, and offers the
    // capture screen again.
    void NothingCaptured(TGrabFailure failure);
    // Ends a selection under way; false when there is none.
    bool CancelSelection();

    HWND FHandle = 0;
    bool Warning = false; // the "capture in progress" box is open
    bool Shown = false;
    bool Closing = false; // the program is ending: open no more dialogs
    int FScreen = 0;
    QImage FPicture;
};

// Application cursors registered by number, as the creation handler does.
const QCursor& AppCursor(int number);
