// The hook says once per hot key that another program holds it, so that the
// program can tell the user (a tray message). Its own header: the X11 hook has
// a class named like the platform interface.
#pragma once

// Report is called from inside the hook and must not block. Null: nobody is told.
void SetHeldElsewhereReport(void (*report)(int index));
void ReportHeldElsewhere(int index);
