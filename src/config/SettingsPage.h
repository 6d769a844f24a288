// One page of the configuration dialog. The dialog loads every page from
// Config when it opens; on "&Ok" it checks every page, then has each store
// its values and apply what follows from them outside the record.
#pragma once

#include <QString>
#include <QWidget>
#include <optional>

#include "settings/Configs.h"

// What a page refuses at "&Ok" (or before trying its values): the text of the
// error box and the control that needs correcting.
struct TPageFault {
    QString Text;
    QWidget* Control = nullptr;
};

// The "Error" box for Fault, over Owner's window.
void ShowPageFault(QWidget* owner, const TPageFault& fault);

class TSettingsPage : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

    // Shows Rec's values; a stored value outside a page's list selects nothing.
    virtual void Load(const ConfigRec& rec) = 0;
    // Writes the page's values into Rec. Where nothing is selected the
    // stored value stays.
    virtual void Store(ConfigRec& rec) const = 0;
    // Asked of every page before any page stores.
    virtual std::optional<TPageFault> Check() const { return std::nullopt; }
    // After every page has stored: what the change from Before to After
    // means beyond the record.
    virtual void Apply(const ConfigRec& /*before*/, const ConfigRec& /*after*/) {}
};
