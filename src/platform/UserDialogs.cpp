#include "platform/UserDialogs.h"

#include <QMessageBox>

namespace {

class TQtDialogs : public TUserDialogs {
public:
    TMsgResult MessageBox(QWidget* owner, const QString& text, const QString& title,
                          TMsgButtons buttons, TMsgIcon icon) override {
        QMessageBox box(owner);
        box.setWindowTitle(title);
        box.setText(text);
        switch (icon) {
        case TMsgIcon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case TMsgIcon::Warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case TMsgIcon::Error:
            box.setIcon(QMessageBox::Critical);
            break;
        case TMsgIcon::Question:
            box.setIcon(QMessageBox::Question);
            break;
        case TMsgIcon::None:
            break;
        }
        switch (buttons) {
        case TMsgButtons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case TMsgButtons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case TMsgButtons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
        }
        switch (box.exec()) {
        case QMessageBox::Cancel:
            return TMsgResult::Cancel;
        case QMessageBox::Yes:
            return TMsgResult::Yes;
        case QMessageBox::No:
            return TMsgResult::No;
        default:
            return buttons == TMsgButtons::YesNo ? TMsgResult::No : TMsgResult::Ok;
        }
    }
};

std::unique_ptr<TUserDialogs>& Current() {
    static std::unique_ptr<TUserDialogs> dialogs = std::make_unique<TQtDialogs>();
    return dialogs;
}

} // namespace

TUserDialogs& UserDialogs() {
    return *Current();
}

std::unique_ptr<TUserDialogs> SetUserDialogs(std::unique_ptr<TUserDialogs> dialogs) {
    if (!dialogs) dialogs = std::make_unique<TQtDialogs>();
    std::swap(dialogs, Current());
    return dialogs;
}
