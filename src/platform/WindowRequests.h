// Requests to the window manager that Qt does not carry, by native window id.
#pragma once

#include <QString>

class TWindowRequests {
public:
    virtual ~TWindowRequests() = default;
    // False when the window manager keeps desktops and the window lies on
    // another one than the current.
    virtual bool OnCurrentDesktop(unsigned long window) = 0;
    // Sets the title exactly, also an empty one (Qt shows the program's name
    // where a title is empty).
    virtual void SetExactTitle(unsigned long window, const QString& title) = 0;
};

// The requests of the platform in use (platform/Platform.h).
bool OnCurrentDesktop(unsigned long window);
void SetExactTitle(unsigned long window, const QString& title);
