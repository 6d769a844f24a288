// SIGTERM, SIGINT and SIGHUP, turned into a Qt signal on the UI thread, so that the
// program can close its main window the normal way and save its settings.
#pragma once

#include <QObject>

class TUnixSignals : public QObject {
    Q_OBJECT
public:
    explicit TUnixSignals(QObject* parent = nullptr);
    ~TUnixSignals() override;

signals:
    void Terminate();
};
