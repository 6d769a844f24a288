#include "config/SettingsPage.h"

#include "platform/UserDialogs.h"

void ShowPageFault(QWidget* owner, const TPageFault& fault) {
    UserDialogs().MessageBox(owner->window(), fault.Text, "Error", TMsgButtons::Ok,
                             TMsgIcon::Error);
}
