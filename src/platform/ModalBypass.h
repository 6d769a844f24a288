// Windows that take the mouse while a modal dialog blocks the program's
// others: the tray icon's, so that its menu (and "Terminate") stays in reach
// whatever dialog is open, as the desktop's own notification icons do.
#pragma once

// Presses and releases on every window of ours whose widget is of the class
// named ClassName (the toolkit may create such windows again at any time)
// reach it while a modal dialog is open.
void LetMouseThroughModal(const char* className);
