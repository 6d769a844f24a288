#include "maildlg/AttachmentName.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QString AttachmentNameProblem(const QString& name) {
    if (!name.contains('/') && !name.contains('\\') && name != "." && name != "..") return {};
    return "The Image Name \"" + name +
           "\" is not a file name: it may not name a folder.  Please correct.";
}

void RemoveOldAttachment(const QString& folder, const QString& path) {
    const QFileInfo file(path);
    if (!file.exists() && !file.isSymLink()) return;
    if (file.isDir() && !file.isSymLink()) return;
    if (QDir(file.absolutePath()).canonicalPath() != QDir(folder).canonicalPath()) return;
    QFile::remove(path);
}
