#include "app/ProgramValues.h"

#include <QFileInfo>

QString ProgramDir;
int ScreenWidth = 0;
int ScreenHeight = 0;

QString FolderOf(const QString& executable) {
    QString dir = QFileInfo(executable).absolutePath();
    while (dir.size() > 1 && dir.endsWith('/')) dir.chop(1);
    return dir;
}
