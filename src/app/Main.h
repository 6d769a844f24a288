// The capture application: program-wide values and the main window.
#pragma once

#include <QString>

#include "app/MainWin.h"
#include "config/CapDef.h"

inline const QString ProgramTitle = QStringLiteral("Snaprio 2000");

// The executable's folder, without a trailing slash ("/" for the root).
extern QString ProgramDir;
// The screen size, read once when the main window is created.
extern int ScreenWidth;
extern int ScreenHeight;
// ConfigOpen and AboutOpen live with the dialogs (config/CapDef.h).

// The program block: named objects, settings, single instance, main window,
// message loop. Returns the process's exit status.
int RunProgram(int argc, char** argv);

// ProgramDir from the program's own path (argument 0 or /proc/self/exe).
QString FolderOf(const QString& executable);
