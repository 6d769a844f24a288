// Values that the whole resident program reads, set once at start.
#pragma once

#include <QString>

// The executable's folder, without a trailing slash ("/" for the root).
extern QString ProgramDir;
// The screen size, read once when the main window is created.
extern int ScreenWidth;
extern int ScreenHeight;

// ProgramDir from the program's own path (argument 0 or /proc/self/exe).
QString FolderOf(const QString& executable);
