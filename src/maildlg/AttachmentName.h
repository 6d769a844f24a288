// The "Image Name" of the send-image dialog names a file in the attachment
// folder and nothing else: a folder in it would write, and first delete, a
// file anywhere the user may write.
#pragma once

#include <QString>

// The box's text when Name cannot be the attachment's file name (a "/" or
// "\" in it, or "." or ".." alone), else empty.
QString AttachmentNameProblem(const QString& name);

// Removes the file an earlier send left at Path, only when Path lies directly
// in Folder; a link there is removed itself, never what it points to.
void RemoveOldAttachment(const QString& folder, const QString& path);
