// X11 look-ups that the desktop tests share. Xlib itself is not included:
// its macros (None, Bool, KeyPress...) would clash with Qt's headers.
#pragma once

typedef struct _XDisplay Display;

// True when another client holds the key (a KeySym) without modifiers: our
// own grab of it is refused.
bool KeyHeldElsewhere(unsigned long keysym);

// How many child windows the root window has now.
unsigned RootChildren(Display* dpy);
