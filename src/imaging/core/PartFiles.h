// Named temporary files that a signal must not leave behind. Where the file
// system has no nameless files, a picture is written to a named `.part` file
// beside its target; a one-shot program that is told to end while it writes
// removes it on the way out.
#pragma once

#include <string>

// Notes Path as a file to remove on a signal (while slots last: else it is
// only removed as usual), until ForgetPartFile, once it is renamed or removed.
void KeepPartFile(const std::string& path);
void ForgetPartFile(const std::string& path);

// SIGTERM, SIGINT and SIGHUP remove the files noted, then end the process as
// the signal would have.
void RemovePartFilesOnSignals();
