// The main window: hidden while idle, brought forward for a capture cycle.
#pragma once

#include <QCursor>
#include <QImage>
#include <QTimer>
#include <QWidget>

#include "platform/WinMessages.h"

class TMainWin : public QWidget {
    Q_OBJECT
public:
    explicit TMainWin(QWidget* parent = nullptr);
    ~TMainWin() override;

    HWND Handle() const { return FHandle; }
    bool CaptureInProgress = false;

    // Size-text background strip of the selection: saved y -5000 means nothing
    // is saved.
    QImage TextSave;
    int TextSaveX = 0, TextSaveY = -5000, TextSaveW = 0, TextSaveH = 0;

    QTimer* HookTimer = nullptr;

protected:
    bool event(QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

    // One posted message from the input hook or the tray.
    virtual void WinMessage(const TMessage& m);

private:
    void FormCreate();
    void FormShow();
    void FormClose();
    void HookTimerTimer();

    HWND FHandle = 0;
    bool Shown = false;
};

// Application cursors registered by number, as the creation handler does.
const QCursor& AppCursor(int number);
