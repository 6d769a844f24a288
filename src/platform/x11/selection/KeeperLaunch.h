// The program's side of the keeper: at the program's end, a process of its
// own goes on serving the selection the program still owns.
#pragma once

#include <chrono>
#include <string>

#include "platform/x11/selection/X11SelectionServer.h"

// Starts Keeper (the keeper program's path) with every target of Server and
// serves on until the keeper says that it owns the selection. False when it
// could not start, refused or said nothing within Wait (it is then ended):
// the selection is still ours and goes when the program ends.
bool HandToKeeper(TX11SelectionServer& server, Display* dpy, const std::string& keeper,
                  std::chrono::milliseconds wait);
