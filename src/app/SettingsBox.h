// Failed saves of the settings in a box: the settings core says them on
// stderr; while a window of the program is up the user sees them there too.
#pragma once

// Hands failed saves to a box over the window that is up (none: stderr only).
void ShowSettingsFailuresInBoxes();
