// The programs installed beside the one running, and which of them captures
// in the session the environment tells.
#pragma once

#include <string>

// The folder of the running executable (/proc/self/exe), else of Argv0.
std::string OwnFolder(const char* argv0);

// "/snaprio-wlcapture" in a Wayland session (there DISPLAY may name
// Xwayland, whose grab is refused), else "/snaprio-capture"; SNAPRIO_PLATFORM
// picks the family by hand.
const char* CaptureProgram();

// Takes this process's place with the sibling program Name ("/snaprio-mail"),
// given the same command line; returns only on failure, having said why.
int ExecSibling(const std::string& name, char** argv);
