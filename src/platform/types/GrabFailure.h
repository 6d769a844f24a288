// Why a grab gave nothing, and what the user is told: the capture's message
// box and the capture program's error say the same. No Qt.
#pragma once

#include <cctype>
#include <string>

// Refused: the server would not give the screen's pixels (X11's BadMatch on
// the root, as a rootless Xwayland answers): never a black picture instead.
enum class TGrabFailure { None, NoWindow, EmptyArea, NoDisplay, Refused };

inline const char* GrabFailureText(TGrabFailure failure) {
    switch (failure) {
    case TGrabFailure::NoWindow:
        return "Nothing was captured: there is no foreground window.";
    case TGrabFailure::NoDisplay:
        return "Nothing was captured: the display cannot be reached.";
    case TGrabFailure::Refused:
        return "Nothing was captured: the X server refused to give the screen's pixels (an "
               "Xwayland server in a Wayland session does); run the program in the Wayland "
               "session itself.";
    default:
        return "Nothing was captured: the area has no size on the screen.";
    }
}

// The failure for an item's rectangle that is empty: a window item whose
// rectangle is none at all has no foreground window.
inline TGrabFailure EmptyGrabFailure(bool windowItem, bool noRectangle) {
    return windowItem && noRectangle ? TGrabFailure::NoWindow : TGrabFailure::EmptyArea;
}

// "Nothing was captured: " and a sentence of the desktop's, its first letter
// small unless the word is a name ("KWin", "HEADLESS-2").
inline std::string NothingCapturedBecause(std::string sentence) {
    if (sentence.size() > 1 && std::isupper(static_cast<unsigned char>(sentence[0])) &&
        std::islower(static_cast<unsigned char>(sentence[1])))
        sentence[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(sentence[0])));
    return "Nothing was captured: " + sentence;
}
