#include "app/SettingsBox.h"

#include <QApplication>
#include <QWidget>

#include "settings/Configs.h"
#include "platform/UserDialogs.h"

namespace {
// The window the user looks at: a modal dialog, the active window, or any
// window shown; menus and tips do not count.
QWidget* WindowUp() {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    if (QWidget* active = QApplication::activeWindow()) return active;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowType() != Qt::Popup && w->windowType() != Qt::ToolTip)
            return w;
    return nullptr;
}
} // namespace

void ShowSettingsFailuresInBoxes() {
    ConfigSaveFailed = [](const std::string& text) {
        QWidget* owner = WindowUp();
        if (!owner) return; // hidden in the tray: stderr has it
        UserDialogs().MessageBox(owner, QString::fromLocal8Bit(text), QStringLiteral("Error"),
                                 TMsgButtons::Ok, TMsgIcon::Error);
    };
}
