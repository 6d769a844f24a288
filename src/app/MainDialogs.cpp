// The dialogs that the main window opens: configuration, about box and the
// first-use sequence; and closing whatever dialog is open when it ends.
#include <QApplication>
#include <QDialog>
#include <QSet>
#include <QTimer>

#include "app/MainWin.h"
#include "app/ProgramValues.h"
#include "app/TrayMenu.h"
#include "config/AboutBox.h"
#include "config/CapDef.h"
#include "config/Notice.h"
#include "maildlg/MyEMail.h"
#include "platform/InputHook.h"
#include "product/ProductName.h"
#include "settings/Configs.h"

namespace {

constexpr int DialogCloseRetryMs = 50;

} // namespace

bool TMainWin::CloseDialogs() {
    QSet<QWidget*> asked;
    while (QWidget* modal = QApplication::activeModalWidget()) {
        if (asked.contains(modal)) {
            // It stays until its work has unwound, which needs the event loop.
            QTimer::singleShot(DialogCloseRetryMs, this, &QWidget::close);
            return false;
        }
        asked.insert(modal);
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
    }
    return true;
}

void TMainWin::ConfigButtonClick() {
    Configure(cpWhatCapture);
}

void TMainWin::Configure(TConfigPage startPage) {
    const int whatToCap = Config.WhatToCap, shape = Config.Shape;
    if (!OpenCaptureDefaults(this, startPage)) return;
    // The hook already watches the new key. A capture screen on show takes a
    // new default item at once; with the default as it was, the item the
    // user picked there stays.
    const bool newDefault = Config.WhatToCap != whatToCap || Config.Shape != shape;
    if (Screen() == scCapture && isVisible() && newDefault) SetScreen(scCapture);
}

void TMainWin::About() {
    OpenAboutBox(this);
}

bool TMainWin::SendImage(QImage& picture) {
    const bool sent = ShowEMailDialog(picture, this, ProgramDir, {ScreenWidth, ScreenHeight});
    // Failures have had their box; a success is told by the tray, if any.
    if (sent && Tray) Tray->TrayMessage(ProgramTitle, "The picture was sent by e-mail.");
    return sent;
}

void TMainWin::FirstUse() {
    if (!Config.FirstTime) return;
    Config.FirstTime = false;
    Tray->HoldNotice(true);
    {
        TMyNotice notice(this);
        notice.NoticeKind = nkFirstUse;
        notice.KeyBinding =
            QString::fromStdString(TheInputHook().DesktopKeyBinding(Config.CaptureKey));
        notice.exec();
    }
    if (!Closing) Configure(cpHotKey); // nothing while it is open already
    // The no-tray box, if due, after the dialogs and with the key now in force.
    if (!Closing) Tray->HoldNotice(false);
}
