// The help window: SNAPRO.HLP (HTML) in a browser that opens on its contents.
#pragma once

#include <QTextBrowser>

class THelpWindow : public QTextBrowser {
    Q_OBJECT
public:
    explicit THelpWindow(QWidget* parent = nullptr);
    // Loads File and shows its top, or the place named Anchor; false when it
    // cannot be read.
    bool Open(const QString& file, const QString& anchor = {});
};
