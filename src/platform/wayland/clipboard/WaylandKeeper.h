// The keeper in a Wayland session: after the program has ended, it serves
// the picture the program still offered on the seat's selection, through
// wlr-data-control, until another client takes the selection, then ends.
#pragma once

#include <string>

// The type the program's offers carry besides the picture's, naming the
// program's process: what the keeper checks before it takes the selection.
std::string OwnerMarkerType(long pid);

// Serves the targets in the file open as Data (KeptTargets.h), taking the
// selection only while the selection offers Marker (another program may
// copy while the program ends); "owned\n" on Word once it owns it. The exit
// status: 0 once the selection has gone to another client, 1 when it never
// owned it.
int RunWaylandKeeper(const std::string& marker, int data, int word);
