// The hourglass for the length of one action: restored however the action
// ends (return, error box, exception).
#pragma once

#include <QApplication>

class TCursorGuard {
public:
    TCursorGuard() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TCursorGuard() { Restore(); }
    TCursorGuard(const TCursorGuard&) = delete;
    TCursorGuard& operator=(const TCursorGuard&) = delete;
    // Back to the default cursor early, before a box the user must answer.
    void Restore() {
        if (!Active) return;
        Active = false;
        QApplication::restoreOverrideCursor();
    }

private:
    bool Active = true;
};
