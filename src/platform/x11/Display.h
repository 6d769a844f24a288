// The X display as a whole.
#pragma once

// True when an X display can be opened (DISPLAY is set and answers).
bool DisplayAvailable();
