// The program's hot key in the form the GlobalShortcuts portal takes for a
// preferred trigger (the XDG shortcuts standard): modifiers CTRL, ALT,
// SHIFT and LOGO, then the key's xkbcommon name, joined by "+".
#pragma once

#include <string>

// "F11", "CTRL+SHIFT+F11", "CTRL+ALT+a", "LOGO+F1" for a "Capture Key"
// index; empty for an index that is none of the hot keys.
std::string PortalTrigger(int captureKey);
