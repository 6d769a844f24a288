// The GlobalShortcuts portal's list of shortcuts, a(sa{sv}): each an id and
// its properties (description, preferred_trigger).
#pragma once

#include <QDBusArgument>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

struct TPortalShortcut {
    QString Id;
    QVariantMap Properties;
};
using TPortalShortcuts = QList<TPortalShortcut>;
Q_DECLARE_METATYPE(TPortalShortcut)
Q_DECLARE_METATYPE(TPortalShortcuts)

QDBusArgument& operator<<(QDBusArgument& arg, const TPortalShortcut& s);
const QDBusArgument& operator>>(const QDBusArgument& arg, TPortalShortcut& s);

// Makes the list known to QtDBus (once is enough; more is harmless).
void RegisterPortalShortcuts();
