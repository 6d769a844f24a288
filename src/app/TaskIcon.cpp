#include "app/TaskIcon.h"

#include <QCursor>
#include <QSystemTrayIcon>

#include "platform/ModalBypass.h"

std::function<bool()> TTaskIcon::TrayAvailable = [] {
    return QSystemTrayIcon::isSystemTrayAvailable();
};

TTaskIcon::TTaskIcon(QObject* parent) : QObject(parent) {}

TTaskIcon::~TTaskIcon() {
    SetActive(false);
}

void TTaskIcon::SetActive(bool on) {
    if (on == FActive) return;
    if (!on) {
        Tray.reset(); // takes the icon out of the tray
        FActive = false;
        return;
    }
    // Never show a QSystemTrayIcon without a tray: it would count itself
    // visible and ignore the next show when a tray comes.
    if (!TrayAvailable()) return;
    Tray = std::make_unique<QSystemTrayIcon>();
    connect(Tray.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason r) {
                switch (r) {
                case QSystemTrayIcon::Trigger:
                    if (OnClick) OnClick();
                    break;
                case QSystemTrayIcon::DoubleClick:
                    if (OnDblClick) OnDblClick();
                    break;
                case QSystemTrayIcon::Context:
                    if (OnRightClick) OnRightClick(Qt::RightButton, Qt::NoModifier, QCursor::pos());
                    break;
                default:
                    break;
                }
            });
    Update();
    Tray->show();
    // An icon embedded in the tray is a window of ours (of Qt's class for it),
    // which a modal dialog would block; a StatusNotifierItem icon is the
    // tray's own and needs nothing.
    LetMouseThroughModal("QSystemTrayIconSys");
    FActive = true;
}

void TTaskIcon::SetIcon(const QIcon& icon) {
    FIcon = icon;
    Update();
}

void TTaskIcon::SetToolTip(const QString& tip) {
    FToolTip = tip.left(MaxToolTip);
    Update();
}

void TTaskIcon::Update() {
    if (!Tray) return;
    Tray->setIcon(FIcon);
    Tray->setToolTip(FToolTip);
}

bool TTaskIcon::ShowMessage(const QString& title, const QString& text, bool warning) {
    if (!FActive || !QSystemTrayIcon::supportsMessages()) return false;
    Tray->showMessage(title, text,
                      warning ? QSystemTrayIcon::Warning : QSystemTrayIcon::Information, 10000);
    return true;
}
