#include "config/ActionPage.h"

#include <QComboBox>
#include <QLabel>

#include "config/Action.h"
#include "config/DialogSupport.h"

TActionPage::TActionPage(QWidget* parent) : TSettingsPage(parent) {
    setObjectName("DoSheet");
    Make<QLabel>(this, "ActionLabel", {8, 6, 216, 16}, "Default Action");
    DefaultAction = Make<QComboBox>(this, "DefaultAction", {8, 22, 216, 22});
    DefaultAction->setMaxVisibleItems(17);
    for (std::string_view name : ActionNames)
        DefaultAction->addItem(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
}

void TActionPage::Load(const ConfigRec& rec) {
    DefaultAction->setCurrentIndex(
        rec.Action >= 0 && rec.Action < DefaultAction->count() ? rec.Action : -1);
}

void TActionPage::Store(ConfigRec& rec) const {
    // Nothing selected keeps the stored action.
    if (DefaultAction->currentIndex() >= 0) rec.Action = DefaultAction->currentIndex();
}
