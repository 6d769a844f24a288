// The tray icon TaskIcon1 and its menu MyPopUp: the program's only
// always-available menu. Also the help window, the home page, and finding a
// tray that comes after the program.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QAction;
class QMenu;
class QTimer;
class QWidget;
class TCaptureHost;
class TTaskIcon;
class TTrayWatch;
class THelpWindow;

// The product home page: a page of the help file, shown in the help window,
// so it opens on every desktop, with or without a web browser.
inline const QString HomePageAnchor = QStringLiteral("home-page");

// The help file beside the executable.
QString HelpFilePath();

// The text of the "Keyboard and Mouse Hooks" question.
QString RestoreHooksText();

class TTrayMenu : public QObject {
    Q_OBJECT
public:
    // The menu, the help window and the boxes belong to Owner; the entries
    // that capture, open, configure, show the about box or end the program
    // ask Host.
    TTrayMenu(QWidget* owner, TCaptureHost& host);
    ~TTrayMenu() override;

    TTaskIcon* TaskIcon1;
    QMenu* MyPopUp;
    QAction *CaptureImage1, *OpenImage1, *Configure1, *Tools1, *RestoreHooks1, *Help1, *About1,
        *HomePage1, *PopTerm;

    // The creation handler's step: show the icon, or wait for a tray.
    void Activate();
    // How long a first run waits for a tray before it says how to reach the
    // program without one.
    static inline int NoTrayNoticeDelayMs = 5000;
    // While the first-use notice and dialog are up, that box waits for them:
    // beside a modal dialog it could not be clicked, and the key it names may
    // still change there.
    void HoldNotice(bool hold);

    void TaskIcon1RightClick(QPoint at);
    void CaptureImage1Click();
    void Configure1Click();
    void RestoreHooks1Click();
    void Help1Click();
    void HomePage1Click();
    // The help window, opened at Anchor (its contents when empty) unless it
    // is open already; then it only comes forward, or moves to Anchor.
    void ShowHelp(const QString& anchor);

    // The tray message for a hot key another program holds.
    void HotKeyHeldElsewhere(int index);
    // A message from the tray icon; false when there is no tray to show it.
    bool TrayMessage(const QString& title, const QString& text, bool warning = false);

    THelpWindow* HelpWindow() const;

private:
    void TrayAppeared();
    void TryTray();
    void IconShown();
    void ShowNoTrayNotice();

    QWidget* Owner;
    TCaptureHost& Host;
    TTrayWatch* Watch = nullptr;
    QTimer* Retry = nullptr;
    int RetriesLeft = 0;
    bool NoticeShown = false;
    bool NoticeDue = false; // the wait for a tray is over
    bool NoticeHeld = false;
    QPointer<THelpWindow> FHelp;
};
