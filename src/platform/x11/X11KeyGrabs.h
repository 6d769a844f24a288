// The hot keys of the X11 input hook. Every hot key whose flag is set in the
// block is grabbed on the root window (also with NumLock and CapsLock on); a
// press posts WM_USER+2 with its index to the block's main window. While the
// key-report switch is on, every free one of the combinations is grabbed and
// a press posts WM_USER+1 with its index to the key-report window instead. A
// combination that another client has grabbed is left to it and tried again
// now and then.
#pragma once

#include <array>
#include <functional>

#include "hook/SharedHookBlock.h"

struct _XDisplay; // Xlib's Display: Xlib's macros stay in the .cpp files

class TX11KeyGrabs {
public:
    // Told once per hot key another program holds.
    using TReport = std::function<void(int index)>;
    TX11KeyGrabs(_XDisplay* dpy, SharedHookBlock& block, TReport heldElsewhere);

    // Grabs what the block asks for (nothing while Keyboard is off) and lets
    // the rest go; a key refused before is left until Retry.
    void Follow(bool keyboard);
    // Keycodes may have moved: takes every grab again.
    void Remap(bool keyboard);
    // Forgets the refusals, so that the next Follow asks for those keys again.
    void Retry() { Refused.fill(false); }
    bool AnyRefused() const;
    // True when the last grab of hot key Index was refused.
    bool Held(int index) const { return LastRefused[static_cast<size_t>(index)]; }

    // A first press (not an auto-repeat) of a grabbed combination, with the
    // modifier state of the key event.
    void OnKey(unsigned keycode, unsigned state);

private:
    void Grab(int index, bool grab, bool quiet);
    unsigned NumLockMask();

    _XDisplay* Dpy;
    unsigned long Root; // Xlib's Window
    SharedHookBlock& Block;
    TReport HeldElsewhere;
    std::array<bool, HotKeyCount> Grabbed{};     // index grabbed (all lock variants)
    std::array<bool, HotKeyCount> Refused{};     // another client holds it; retried now and then
    std::array<bool, HotKeyCount> Named{};       // said once on stderr
    std::array<bool, HotKeyCount> LastRefused{}; // the last grab was refused
};
