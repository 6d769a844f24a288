// The one-shot command-line modes, for scripts: each prints nothing on
// success, its error on stderr otherwise, and returns the exit status.
#pragma once

// Reads IN (".BMP" or ".JPG") and writes OUT by its extension with the save
// actions' writers. 2 for an unknown type, 1 for a failed read or write (OUT
// is not created when IN cannot be read).
int ConvertCommand(const char* in, const char* out);
