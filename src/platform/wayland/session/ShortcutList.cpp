#include "platform/wayland/session/ShortcutList.h"

#include <QDBusMetaType>

QDBusArgument& operator<<(QDBusArgument& arg, const TPortalShortcut& s) {
    arg.beginStructure();
    arg << s.Id << s.Properties;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, TPortalShortcut& s) {
    arg.beginStructure();
    arg >> s.Id >> s.Properties;
    arg.endStructure();
    return arg;
}

void RegisterPortalShortcuts() {
    qDBusRegisterMetaType<TPortalShortcut>();
    qDBusRegisterMetaType<TPortalShortcuts>();
}
