// The What Do page of the configuration dialog: the default action, one
// line per entry of the action table (config/Action.h).
#pragma once

#include "config/SettingsPage.h"

class QComboBox;

class TActionPage : public TSettingsPage {
    Q_OBJECT
public:
    explicit TActionPage(QWidget* parent = nullptr);

    void Load(const ConfigRec& rec) override;
    void Store(ConfigRec& rec) const override;

    QComboBox* DefaultAction;
};
