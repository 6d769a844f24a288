// The capture application: program-wide values and the main window.
#pragma once

#include <QString>

#include "app/MainWin.h"

inline const QString ProgramTitle = QStringLiteral("Snaprio 2000");

// The executable's folder, without a trailing slash ("/" for the root).
extern QString ProgramDir;
// The screen size, read once when the main window is created.
extern int ScreenWidth;
extern int ScreenHeight;
// Keep the configuration dialog and the about box from opening twice.
extern bool ConfigOpen;
extern bool AboutOpen;

// The program block: named objects, settings, single instance, main window,
// message loop. Returns the process's exit status.
int RunProgram(int argc, char** argv);

// ProgramDir from the program's own path (argument 0 or /proc/self/exe).
QString FolderOf(const QString& executable);
