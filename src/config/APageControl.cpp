#include "config/APageControl.h"

#include <QEvent>
#include <QProxyStyle>
#include <QShortcutEvent>
#include <QTabBar>

namespace {

// Narrow tabs: four captions share a 240-pixel-wide control.
class TTightTabs : public QProxyStyle {
public:
    int pixelMetric(PixelMetric m, const QStyleOption* o, const QWidget* w) const override {
        if (m == PM_TabBarTabHSpace) return 10;
        return QProxyStyle::pixelMetric(m, o, w);
    }
};

} // namespace

TAPageControl::TAPageControl(QWidget* parent) : QTabWidget(parent) {
    // The tab bar registers each caption's mnemonic; its own handling would
    // cycle between pages that share a letter and ignore hidden tabs.
    tabBar()->installEventFilter(this);
    auto* style = new TTightTabs;
    style->setParent(this);
    tabBar()->setStyle(style);
}

bool TAPageControl::DialogChar(const QKeySequence& key) {
    if (!isEnabled()) return false;
    for (int i = 0; i < count(); ++i) {
        if (!isTabVisible(i) || QKeySequence::mnemonic(tabText(i)) != key) continue;
        setCurrentIndex(i);
        return true;
    }
    return false;
}

bool TAPageControl::eventFilter(QObject* watched, QEvent* e) {
    if (watched == tabBar() && e->type() == QEvent::Shortcut) {
        DialogChar(static_cast<QShortcutEvent*>(e)->key());
        return true;
    }
    return QTabWidget::eventFilter(watched, e);
}
