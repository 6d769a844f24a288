// Where the program keeps its files and how its named objects are called.
#pragma once

#include <string>

// The settings file: $SNAPRIO_INI, else $XDG_CONFIG_HOME/snaprio/SNAPRO.INI
// (~/.config when XDG_CONFIG_HOME is unset or not absolute).
std::string IniFilePath();

// The folder for the running-instance marker: $XDG_RUNTIME_DIR, else
// FallbackRuntimeDir(), created private to the user. Empty when that folder
// belongs to another user or others can write to it.
std::string RuntimeDir();
std::string FallbackRuntimeDir(); // /tmp/snaprio-UID
std::string RuntimeDirRefusal();  // says why RuntimeDir() is empty

// Names of the shared hook block and the instance mutex, unique per user and
// runtime folder, so two users (or two test sessions) never meet.
std::string SharedBlockName();
std::string MutexName();
std::string MarkerPath(); // empty when RuntimeDir() is

// The program's own data folder: $XDG_DATA_HOME/snaprio (~/.local/share when
// unset or not absolute). Not created here.
std::string DataDir();
