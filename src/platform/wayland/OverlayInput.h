// The hook's pointer reports in a Wayland session, where no client can grab
// the pointer: the selection's own full-screen windows hand over their mouse
// and key events, and while the hook block's mode is 2 they are posted to the
// main window as the X11 hook posts them. Moves post WM_USER+8 (button up)
// or WM_USER+4 (left button held), the left button WM_USER+3 down and
// WM_USER+5 up (the mode is 1 again), the right button WM_USER+7; Escape
// posts WM_USER+9 and sets the mode to 1. Positions are in the display's
// coordinates.
#pragma once

#include <QPoint>

class TOverlayInput {
public:
    // The pointer entered a window, or moved, at At.
    void Move(QPoint at);
    // Left: the left button, else the right one.
    void Button(bool left, bool press, QPoint at);
    // True when the key (Qt's key code) was Escape and ended the selection.
    bool Key(int key);
    // A new selection: no button is held on its windows yet.
    void Restart() { LeftDown = false; }

    // Where the pointer was last seen on a window of the selection; empty
    // before any.
    bool Seen() const { return FSeen; }
    QPoint Last() const { return FLast; }

private:
    bool FSeen = false, LeftDown = false;
    QPoint FLast;
};
