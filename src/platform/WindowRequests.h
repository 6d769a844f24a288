// Requests to the window manager that Qt does not carry, by native window id.
#pragma once

#include <QString>

// False when the window manager keeps desktops and the window lies on
// another one than the current.
bool OnCurrentDesktop(unsigned long window);

// Sets the title exactly, also an empty one (Qt shows the program's name
// where a title is empty).
void SetExactTitle(unsigned long window, const QString& title);
