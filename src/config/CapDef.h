// The configuration dialog: hot key, default capture item with its shape
// settings, default action and e-mail settings. It edits copies and hands
// them to Config only on "&Ok", which saves the settings file at once.
#pragma once

#include <QDialog>
#include <QFrame>

#include "config/ConfigPage.h"
#include "config/Configs.h"
#include "platform/WinMessages.h"
#include "shapes/CaptureItems.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSlider;
class ShapeImage;
class TAPageControl;

// A filled rectangle that shows a colour.
class TColorSwatch : public QFrame {
    Q_OBJECT
public:
    explicit TColorSwatch(QWidget* parent = nullptr);
    QColor Fill() const { return FFill; }
    void SetFill(const QColor& c);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QColor FFill = Qt::white;
};

class TCaptureDefaults : public QDialog {
    Q_OBJECT
public:
    explicit TCaptureDefaults(QWidget* parent = nullptr);
    ~TCaptureDefaults() override;

    // Set by the opener before showing.
    TConfigPage StartPage = cpWhatCapture;
    // Whether OpenCaptureDefaults shows one now: one is open at a time.
    static bool IsOpen() { return Opened; }
    HWND Handle() const { return FHandle; }
    // The capture item whose values the shape controls hold; -2 none.
    int LoadedItemIndex = -2;
    // The working copy; only its per-shape settings are used.
    const ConfigRec& Work() const { return FWork; }

    // Controls, by their role names.
    TAPageControl* MyPage;
    QWidget *HotSheet, *CapSheet, *DoSheet, *EMailSheet;
    QLineEdit* HotKeyEntry;
    QLabel* HotKeyState; // under the entry: a key another program holds
    QListWidget* HotKeyList;
    QComboBox* WhatToCap;
    QFrame* CapturePanel;
    ShapeImage* Preview;
    QLabel *VectorLab, *VectorSizeLab, *AngleLab;
    QFrame *VectorBevel, *VectorSizeBevel, *AngleBevel;
    QSlider *VectorBar, *VectorSizeBar, *AngleBar;
    QLineEdit *Vector, *VectorSize, *Angle;
    TColorSwatch *ColorShape, *BorderShape;
    QPushButton *MaskColor, *BorderColor;
    QCheckBox* Border;
    QComboBox* DefaultAction;
    QLineEdit *SMTPHost, *SMTPPort, *EmailName, *EmailAddress, *EMailFile;
    QComboBox* Encoding;
    // The server's security and login; the password goes to the Secret
    // Service on Ok, never to the settings file.
    QComboBox* Security;
    QLineEdit *UserName, *MailPassword;
    QPushButton* TestButton;
    QPushButton *OkButton, *CancelButton;

    void OkButtonClick();
    void CancelButtonClick();
    void WhatToCapChange();
    void EnableDisable();
    void MaskColorClick();
    void BorderColorClick();
    void BorderClick();
    void VectorBarChange();
    void VectorSizeBarChange();
    void AngleBarChange();
    void VectorChange();
    void VectorSizeChange();
    void AngleChange();
    void HotKeyEntryEnter();
    void HotKeyEntryExit();
    void HotKeyListClick();
    // A key report (hmKeyReport) from the input hook: Index names the pressed
    // combination.
    void KeyReport(int index);

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void done(int result) override;

private:
    void BuildHotSheet();
    void BuildCapSheet();
    void BuildDoSheet();
    void BuildEMailSheet();
    void BuildMailLogin(QWidget* sheet);
    void ShowMailLogin();
    void TakeMailLogin();
    // STARTTLS and TLS propose their port (587, 465) while the port is still
    // the usual one of another mode.
    void SecurityChange(int index);
    // The port field as a port (1-65535); else says so, shows the field and
    // answers false.
    bool TakePort(int& port);
    // "&Test": the current fields tried on the server, the outcome in one box.
    void TestButtonClick();
    void FormCreate();
    void FormShow();
    void FillHotKeys();
    // Selects line Index and brings it to the middle of the list.
    void SelectHotKey(int index);
    // The entry, and the note under it, name hot key Index.
    void ShowHotKey(int index);
    void SetPreviewFrame(TPreviewFrame frame);
    int SelectedItem() const;
    // The fields the geometry controls edit for the selected item.
    int32_t ConfigRec::*VectorsField() const;
    int32_t ConfigRec::*VectorSizeField() const;
    // A geometry edit that loses the focus shows the value in force again, so
    // a text it did not take (out of range, no digits) does not stay there.
    void GeometryEditExit(QObject* edit);
    // Switches the key reports off if this dialog has them.
    void StopKeyReports();

    HWND FHandle = 0;
    ConfigRec FWork;
    bool Reporting = false;
    static inline bool Opened = false;
    friend bool OpenCaptureDefaults(QWidget* owner, TConfigPage startPage);
};

// Opens the dialog modally on StartPage, unless one is open already (then
// nothing happens and the result is false); true when the user pressed Ok.
bool OpenCaptureDefaults(QWidget* owner, TConfigPage startPage);
