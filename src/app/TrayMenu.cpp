#include "app/TrayMenu.h"

#include <QAction>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>

#include "app/CaptureHost.h"
#include "app/HelpWindow.h"
#include "app/ProgramValues.h"
#include "app/TaskIcon.h"
#include "hook/HookBlock.h"
#include "hook/HotKeyNames.h"
#include "platform/Display.h"
#include "platform/InputHook.h"
#include "platform/TrayWatch.h"
#include "platform/UserDialogs.h"
#include "product/ProductName.h"
#include "settings/Configs.h"

namespace {

// A tray's own connection may learn of the new tray a little after ours.
constexpr int TrayRetries = 50;
constexpr int TrayRetryMs = 200;
constexpr int IconSettleMs = 1000;

QString KeyName(int k) {
    if (k < 0 || k >= HotKeyCount) return QStringLiteral("the capture hot key");
    return QString::fromUtf8(HotKeyNames[k].data(), int(HotKeyNames[k].size()));
}

// The start of the no-tray box's sentence about capturing: the key, or where
// the desktop binds it, how to bind it there.
QString HowToCapture(int key) {
    const std::string binding = TheInputHook().DesktopKeyBinding(key);
    if (binding.empty()) return "Press <b>" + KeyName(key) + "</b> to capture";
    // A configuration line on a line of its own, as it is to be copied.
    QStringList lines = QString::fromStdString(binding).toHtmlEscaped().split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) lines[i] = "<code>" + lines[i] + "</code>";
    return lines.join("<br>") + "</p><p>To capture";
}

} // namespace

QString HelpFilePath() {
    return ProgramDir + (ProgramDir.endsWith('/') ? "" : "/") + "SNAPRO.HLP";
}

QString RestoreHooksText() {
    const QString t = ProgramTitle;
    return "It is possible for other programs which are run after " + t +
           " to improperly install themselves into the system wide Windows keyboard and mouse "
           "hooks. If the keyboard hooks are fouled up, " +
           t +
           " will no longer be able to monitor keystrokes and capture activation Hot Key will no "
           "longer work. "
           "In the event that the mouse hooks are fouled up, " +
           t + " will no longer be able to capture areas and shapes using the mouse. " +
           " This option will reinstall the Windows keyboard and mouse hooks used by " + t +
           " so that " + t +
           " will have the first look at the keystrokes and mouse and will be able to monitor the "
           "keystrokes and mouse again.  Continue?";
}

TTrayMenu::TTrayMenu(QWidget* owner, TCaptureHost& host)
    : QObject(owner), Owner(owner), Host(host) {
    TaskIcon1 = new TTaskIcon(this);
    TaskIcon1->setObjectName("TaskIcon1");
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QString(":/icons/snaprio-%1.png").arg(size), QSize(size, size));
    TaskIcon1->SetIcon(icon);
    TaskIcon1->SetToolTip(ProgramTitle);
    TaskIcon1->SetTaskIconID(0);
    TaskIcon1->OnClick = [] {}; // a left click does nothing
    TaskIcon1->OnRightClick = [this](Qt::MouseButton, Qt::KeyboardModifiers, QPoint at) {
        TaskIcon1RightClick(at);
    };

    MyPopUp = new QMenu(owner);
    MyPopUp->setObjectName("MyPopUp");
    MyPopUp->setWindowTitle(ProgramTitle); // where it is a window of its own
    auto add = [this](QMenu* menu, const char* name, const QString& caption, auto handler) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    CaptureImage1 = add(MyPopUp, "CaptureImage1", "Capt&ure Image", &TTrayMenu::CaptureImage1Click);
    OpenImage1 = add(MyPopUp, "OpenImage1", "&Open Image", [this] { Host.OpenImage(); });
    Configure1 = add(MyPopUp, "Configure1", "&Configure", &TTrayMenu::Configure1Click);
    QMenu* tools = MyPopUp->addMenu("Too&ls");
    tools->setObjectName("ToolsMenu");
    Tools1 = tools->menuAction();
    Tools1->setObjectName("Tools1");
    RestoreHooks1 = add(tools, "RestoreHooks1", "&Restore Keyboard and Mouse Hooks",
                        &TTrayMenu::RestoreHooks1Click);
    Help1 = add(MyPopUp, "Help1", "&Help", &TTrayMenu::Help1Click);
    About1 = add(MyPopUp, "About1", "&About", [this] { Host.About(); });
    MyPopUp->addSeparator();
    HomePage1 = add(MyPopUp, "HomePage1", QString(ProgramTitle) + " &Home Page",
                    &TTrayMenu::HomePage1Click);
    MyPopUp->addSeparator();
    PopTerm = add(MyPopUp, "PopTerm", "&Terminate " + QString(ProgramTitle),
                  [this] { Host.Terminate(); });
    TheInputHook().SetHeldElsewhereReport([this](int index) {
        // From inside the hook: say it from the event loop, if the tray still exists.
        QTimer::singleShot(0, this, [this, index] { HotKeyHeldElsewhere(index); });
    });
}

TTrayMenu::~TTrayMenu() {
    TheInputHook().SetHeldElsewhereReport(nullptr);
}

void TTrayMenu::HotKeyHeldElsewhere(int index) {
    if (index < 0 || index >= HotKeyCount) return;
    TrayMessage(ProgramTitle,
                "The hot key " + KeyName(index) +
                    " is taken by another program, so it does not start a capture. Choose "
                    "another key under Configure, or free it in the other program.",
                true);
}

void TTrayMenu::Activate() {
    TaskIcon1->SetActive(true);
    if (TaskIcon1->Active()) return IconShown();
    // No tray yet: panels often start after the programs they should show.
    Watch = WatchTray(this);
    connect(Watch, &TTrayWatch::Appeared, this, &TTrayMenu::TrayAppeared);
    Retry = new QTimer(this);
    Retry->setInterval(TrayRetryMs);
    connect(Retry, &QTimer::timeout, this, &TTrayMenu::TryTray);
    // Say how to reach the program once, on its first run (as the first-use
    // notice does), and only when no tray came in a few seconds.
    if (Config.FirstTime)
        QTimer::singleShot(NoTrayNoticeDelayMs, this, [this] {
            NoticeDue = true;
            if (!NoticeHeld) ShowNoTrayNotice();
        });
}

void TTrayMenu::HoldNotice(bool hold) {
    NoticeHeld = hold;
    if (!hold && NoticeDue) ShowNoTrayNotice();
}

void TTrayMenu::TrayAppeared() {
    RetriesLeft = TrayRetries;
    Retry->start();
    TryTray();
}

void TTrayMenu::TryTray() {
    TaskIcon1->SetActive(true);
    if (TaskIcon1->Active() || --RetriesLeft <= 0) Retry->stop();
    if (TaskIcon1->Active() && Watch) {
        Watch->deleteLater(); // nothing more to wait for
        Watch = nullptr;
        IconShown();
    }
}

void TTrayMenu::IconShown() {
    // The hooks were installed before the icon existed: say what they met once
    // the tray has taken the icon in (a message before that is lost).
    const int key = Config.CaptureKey;
    QTimer::singleShot(IconSettleMs, this, [this, key] {
        if (TheInputHook().HeldElsewhere(key)) HotKeyHeldElsewhere(key);
    });
}

void TTrayMenu::ShowNoTrayNotice() {
    if (NoticeShown || TaskIcon1->Active()) return;
    NoticeShown = true;
    // Not modal and not taking the focus: the program stays usable by its
    // hot key while the box waits.
    const QString text =
        "<p>" + QString(ProgramTitle) +
        " is running, but this desktop has no notification area (system tray) to show its "
        "icon.</p><p>" +
        HowToCapture(Config.CaptureKey) +
        ", or use:</p><table cellspacing=\"4\">"
        "<tr><td><code>snaprio --show</code></td><td>start a capture</td></tr>"
        "<tr><td><code>snaprio --configure</code></td><td>change the settings</td></tr>"
        "<tr><td><code>snaprio --quit</code></td><td>end the program</td></tr></table>"
        "<p>The icon appears as soon as a tray starts.</p>";
    auto* box = new QMessageBox(QMessageBox::Information, "No Notification Area", text,
                                QMessageBox::Ok, Owner);
    box->setTextFormat(Qt::RichText);
    box->setObjectName("NoTrayNotice");
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setAttribute(Qt::WA_ShowWithoutActivating);
    box->setWindowModality(Qt::NonModal);
    box->show();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        box->move(screen->availableGeometry().center() - box->rect().center());
}

void TTrayMenu::TaskIcon1RightClick(QPoint at) {
    if (!TheDisplay().KnowsWindowPlaces()) {
        // A Wayland tray that shows no menu of its own (swaybar) sends only
        // this request, and no click of ours precedes it: the compositor lets
        // no popup open then, and Qt shows the menu as a window of its own.
        // Fixed in size, it floats on a tiling compositor (a menu-sized window
        // rather than a whole output), with the focus, so its keys and clicks
        // work as in a popup.
        MyPopUp->setFixedSize(MyPopUp->sizeHint());
        MyPopUp->popup({});
        return;
    }
    // The menu takes the pointer while it is up, so a click elsewhere closes it.
    MyPopUp->popup(at);
}

void TTrayMenu::CaptureImage1Click() {
    // Let the menu leave the screen before the capture screen comes.
    QTimer::singleShot(0, this, [this] { Host.CaptureImage(); });
}

void TTrayMenu::Configure1Click() {
    Host.Configure(cpWhatCapture);
}

void TTrayMenu::RestoreHooks1Click() {
    if (UserDialogs().MessageBox(nullptr, RestoreHooksText(), "Keyboard and Mouse Hooks",
                                 TMsgButtons::YesNo, TMsgIcon::Question) != TMsgResult::Yes)
        return;
    RestoreHooks();
}

void TTrayMenu::Help1Click() {
    ShowHelp({});
}

void TTrayMenu::HomePage1Click() {
    ShowHelp(HomePageAnchor);
}

void TTrayMenu::ShowHelp(const QString& anchor) {
    if (!FHelp) {
        if (!QFileInfo(HelpFilePath()).isReadable()) {
            UserDialogs().MessageBox(nullptr,
                                     "The help file " + HelpFilePath() + " cannot be read.",
                                     "Error", TMsgButtons::Ok, TMsgIcon::Error);
            return;
        }
        FHelp = new THelpWindow(Owner); // a window of its own, freed when closed
        FHelp->Open(HelpFilePath(), anchor);
    } else if (!anchor.isEmpty()) {
        FHelp->Open(HelpFilePath(), anchor);
    }
    FHelp->show();
    FHelp->raise();
    FHelp->activateWindow();
}

THelpWindow* TTrayMenu::HelpWindow() const {
    return FHelp;
}

bool TTrayMenu::TrayMessage(const QString& title, const QString& text, bool warning) {
    return TaskIcon1->ShowMessage(title, text, warning);
}
