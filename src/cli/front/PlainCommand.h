// The commands that need no desktop: --help, --version and --convert. For
// scripts: nothing printed on success, the error on stderr otherwise.
#pragma once

// Reads IN (".BMP" or ".JPG") and writes OUT by its extension with the save
// actions' writers, streaming the rows. A damaged JPEG that still decodes is
// converted as far as it goes, with libjpeg's warning on stderr. 2 for an unknown type, 1 for a
// failed read or write (OUT is not created when IN cannot be read).
int ConvertCommand(const char* in, const char* out);

// Ignores SIGXFSZ (a file size limit then fails the write that crosses it,
// and the save says so) and runs --help, --version or --convert: their exit
// status, or -1 when Argv is none of them.
int PlainCommand(int argc, char** argv);
