// An open session of the GlobalShortcuts portal: hears the portal's
// Activated for its own session and shortcut, and closes the session when
// it goes (the desktop then releases the key).
#pragma once

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <QVariantMap>

class TShortcutSession : public QObject {
    Q_OBJECT
public:
    TShortcutSession(QDBusConnection bus, const QString& path, const QString& shortcut,
                     QObject* parent);
    ~TShortcutSession() override;

signals:
    void Pressed();

private slots:
    void Activated(const QDBusObjectPath& session, const QString& shortcut, qulonglong timestamp,
                   const QVariantMap& options);

private:
    QDBusConnection Bus;
    QString Path, Shortcut;
};
