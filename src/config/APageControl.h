// A tab control whose pages answer their captions' Alt+letter mnemonics: the
// first page, in order, whose caption has that accelerator and whose tab is
// visible becomes the active page, and only while the control is enabled.
#pragma once

#include <QTabWidget>

class TAPageControl : public QTabWidget {
    Q_OBJECT
public:
    explicit TAPageControl(QWidget* parent = nullptr);

    // The mnemonic rule for Key (Alt+letter); true when a page took it.
    bool DialogChar(const QKeySequence& key);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
};
