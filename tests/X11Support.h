// X11 look-ups that the desktop tests share. Xlib itself is not included:
// its macros (None, Bool, KeyPress...) would clash with Qt's headers.
#pragma once

typedef struct _XDisplay Display;

// True when another client holds the key (a KeySym) without modifiers: our
// own grab of it is refused.
bool KeyHeldElsewhere(unsigned long keysym);

// How many child windows the root window has now.
unsigned RootChildren(Display* dpy);

// A mapped window at X, Y of W x H whose background is stripes two pixels
// wide of many pixel values (from Seed, some odd in every channel): the
// server itself repaints them. Override-redirect, so it stays where it is
// put, also partly off the screen. Its id.
unsigned long StripedWindow(Display* dpy, int x, int y, int w, int h, unsigned long seed);
